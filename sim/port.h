#pragma once

#include <string>

namespace r7k::sim {

// The simulator's end of the serial line: the master side of a new pseudo-terminal, a device
// opened by path, or a TCP listener whose one client at a time is the other side (as a
// serial-to-network gateway carries the line). Non-blocking, raw (no echo, no CR/LF
// translation).
class Port {
  public:
    Port() = default;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    ~Port();

    // Each returns false with `error` naming the device and the cause.
    bool openPty(std::string& error);
    bool openDevice(const std::string& path, int baud, std::string& error);
    // Listens on HOST:PORT (port 0: any free one, shown in path()).
    bool openListener(const std::string& host, int port, std::string& error);

    // The line: the pty master, the device or the listener's client (-1 while none).
    int fd() const { return m_fd; }
    // What the other side opens.
    const std::string& path() const { return m_path; }
    bool isPty() const { return m_pty; }
    bool isListener() const { return m_listener >= 0; }
    int listenerFd() const { return m_listener; }
    // The other side may close the line and open it again (a pseudo-terminal or a listener).
    bool reopens() const { return m_pty || isListener(); }

    // Listener only: takes the next waiting client, if there is one; true while one is there.
    bool acceptClient();
    // Listener only: lets the client go, so that the next one can come.
    void dropClient();

    // Pseudo-terminal only: throws away what was written to the line and not yet read, so that
    // the next opening does not start with a stale reply. The kernel keeps such bytes for the
    // next opening, and only a flush from the other side's end discards them.
    void discardUnread();

  private:
    int m_fd = -1;
    int m_listener = -1;
    std::string m_path;
    bool m_pty = false;
};

// A symlink to the line, made at start and removed at exit. Only a symlink is ever replaced or
// removed, and only one that still points at our line, so a mistyped path cannot cost a file
// and a second simulator's link is left alone.
class LineLink {
  public:
    LineLink() = default;
    LineLink(const LineLink&) = delete;
    LineLink& operator=(const LineLink&) = delete;
    ~LineLink() { remove(); }

    bool create(const std::string& linkPath, const std::string& target, std::string& error);
    void remove();

  private:
    std::string m_link;
    std::string m_target;
};

}  // namespace r7k::sim
