#pragma once

#include <winsock2.h>

#include <chrono>
#include <functional>
#include <string>

#include "pjlink/service.h"
#include "win/win_timer.h"

namespace r7k::pjlink::win {

// One controller's TCP connection on Winsock. It stays open for writing when the controller
// has closed its sending side (a script's `nc -N` at the end of its input), so the answers to
// what it sent still reach it.
class SocketPeer : public Peer {
  public:
    // Closing waits this long at most for what was written to go.
    static constexpr std::chrono::milliseconds kFinishing{5000};

    explicit SocketPeer(SOCKET socket);
    ~SocketPeer() override;
    SocketPeer(const SocketPeer&) = delete;
    SocketPeer& operator=(const SocketPeer&) = delete;

    // Starts taking the socket's events; false when Winsock refuses.
    bool start();
    void write(std::string_view bytes) override;
    std::size_t unsent() const override { return m_out.size(); }
    void setReading(bool reading) override;
    void finish() override;
    std::string address() const override { return m_address; }
    std::string name() const override { return m_name; }
    // Closes at once, whatever waits to be written.
    void abort();
    bool isClosed() const { return m_socket == INVALID_SOCKET; }
    // Reads what is waiting now, the end of the input included.
    void readNow() { readable(); }

    std::function<void(std::string_view)> onData;
    std::function<void()> onEnd;      // the controller sends no more; it may still read
    std::function<void()> onDrained;  // some of what was written went
    // Closed: finished, reset or failed; called once, from the loop when the close happened
    // inside write().
    std::function<void()> onGone;

  private:
    void event(long event, int error);
    void readable();
    void writable();
    void reselect();
    void close();

    SOCKET m_socket;
    std::string m_out;
    std::string m_address;
    std::string m_name;
    bool m_finishing = false;
    bool m_reading = true;
    bool m_inputEnded = false;
    bool m_writing = false;  // inside write(), called by the service
    r7k::win::WinTimer m_grace;
};

}  // namespace r7k::pjlink::win
