#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace r7k {

// Outcome of one serial operation: empty error text means it worked. An open may also be
// pending: it goes on in the background (a network connection), and its outcome comes later
// through the opened handler. An outcome may be provisional: the port is open and carries bytes
// from now on, but its open is not yet decided, and one more outcome follows.
struct SerialResult {
    std::string error;
    bool pending = false;
    bool provisional = false;
    bool ok() const { return error.empty(); }
};

// Empty for COM1 and COM2, the panel's two ports; else why another number is refused.
inline std::string notAPanelPort(int port) {
    if (port == 1 || port == 2)
        return {};
    return "COM" + std::to_string(port) + " is not a port of this panel.";
}

// How messages name a port: by the name the operator gave it, with the device it stands for
// where that says more ("COM2 (COM8)"); by one name where they are the same or there is only
// the device ("COM1", "COM9", "/dev/ttyUSB0").
inline std::string portLabel(std::string_view name, std::string_view device) {
    // Windows' port names ignore case.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const auto same = [&] {
        if (name.size() != device.size())
            return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (lower(name[i]) != lower(device[i]))
                return false;
        }
        return true;
    };
    if (name.empty() || device.empty() || same())
        return std::string(name.empty() ? device : name);
    return std::string(name) + " (" + std::string(device) + ")";
}

// Kinds of communication event the serial component reports.
inline constexpr int kComEvReceive = 2;

// The serial component: a port number, a settings string, an open switch, output,
// input and a communication event. Strings are bytes, one character per byte on the line.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual SerialResult setCommPort(int port) = 0;
    virtual int commPort() const = 0;
    virtual SerialResult setSettings(std::string_view settings) = 0;
    virtual bool portOpen() const = 0;
    virtual SerialResult setPortOpen(bool open) = 0;
    // Writes the whole string in one operation, unchanged.
    virtual SerialResult output(std::string_view bytes) = 0;
    // Returns the characters waiting and removes them.
    virtual std::string input() = 0;
    virtual int commEvent() const = 0;
    // The device a port number stands for on this machine ("/dev/ttyS0", "COM1", ...).
    virtual std::string deviceName(int port) const = 0;
    // The name messages give a port number: COM1 and COM2 unless the program names them
    // otherwise (r7k-ctl: as its command line did; "" for a device given as such). A component
    // that passes work to others passes the names on too.
    virtual void setPortName(int port, std::string name) {
        m_names[port == 2 ? 1 : 0] = std::move(name);
    }
    virtual std::string portName(int port) const { return m_names[port == 2 ? 1 : 0]; }
    std::string portLabel(int port) const {
        return r7k::portLabel(portName(port), deviceName(port));
    }

    // Raised on the UI thread when received characters are waiting (kind kComEvReceive).
    void setCommHandler(std::function<void()> onComm) { m_onComm = std::move(onComm); }
    // Raised once when an open port is lost (hang-up, unplug, I/O error); the component has
    // already closed the port when this runs. The text names the device and the cause.
    void setLostHandler(std::function<void(const std::string&)> onLost) {
        m_onLost = std::move(onLost);
    }

    // Raised from the event loop, never from inside setPortOpen, with the outcome of an open
    // that was pending: no error means the port is open now and carries bytes. Every pending
    // open reports exactly once, in the order the opens were made, whatever happens before
    // its outcome is known: a refusal, a time-out, a connection that ends (reported as a
    // failure, never as a lost link), or a close of the port (reported as a failure).
    // Before that, a pending open may say once that it is provisionally open (a connection up
    // whose far end may still refuse the device): from then on the port is open and carries
    // what is written. If its outcome is then a failure, the port is closed again and the text
    // says whether anything written meanwhile was lost. A provisional report of an open that
    // was closed or opened again before it came is not raised.
    void setOpenedHandler(std::function<void(const SerialResult&)> onOpened) {
        m_onOpened = std::move(onOpened);
    }
    // Raised from the event loop when the port runs otherwise than asked (a gateway that
    // refused the speed); the port stays open. The text names the port and both settings.
    void setWarningHandler(std::function<void(const std::string&)> onWarning) {
        m_onWarning = std::move(onWarning);
    }

  protected:
    void raiseComm() {
        if (m_onComm)
            m_onComm();
    }
    void raiseLost(const std::string& why) {
        if (m_onLost)
            m_onLost(why);
    }
    void raiseOpened(const SerialResult& outcome) {
        if (m_onOpened)
            m_onOpened(outcome);
    }
    void raiseWarning(const std::string& text) {
        if (m_onWarning)
            m_onWarning(text);
    }

  private:
    std::array<std::string, 2> m_names{"COM1", "COM2"};
    std::function<void()> m_onComm;
    std::function<void(const std::string&)> m_onLost;
    std::function<void(const SerialResult&)> m_onOpened;
    std::function<void(const std::string&)> m_onWarning;
};

}  // namespace r7k
