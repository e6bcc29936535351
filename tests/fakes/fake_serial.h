#pragma once

#include <map>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "link/serial.h"

namespace r7k::fakes {

// A serial component that records what is written and fails on demand.
class FakeSerial : public SerialPort {
  public:
    explicit FakeSerial(const FakeClock* clock = nullptr) : m_clock(clock) {}

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override { return m_open; }
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override;
    std::string input() override;
    int commEvent() const override { return m_event; }
    std::string deviceName(int port) const override { return "/dev/fake" + std::to_string(port); }

    // Delivers a piece of input and raises the receive event, as the line would.
    void receive(std::string_view bytes);
    // Raises a communication event of another kind.
    void raiseEvent(int kind);
    // The other side hangs up: the port closes and the loss is reported once.
    void hangUp(const std::string& why = "Input/output error");

    // Operations that fail, by name: "open" (per port: "open1", "open2"), "close", "port",
    // "settings", "output". Cleared by setting an empty text.
    std::map<std::string, std::string> failures;

    struct Write {
        milliseconds at;
        int port;
        std::string bytes;
    };
    std::vector<Write> writes;
    std::string written() const;     // all bytes written, joined
    std::vector<std::string> calls;  // "open 1", "close", "port 2", "settings 9600,N,8,1", ...
    std::string settings;
    int opens = 0;

  private:
    SerialResult fail(const std::string& op) const;

    const FakeClock* m_clock;
    int m_port = 1;
    bool m_open = false;
    int m_event = 0;
    std::string m_pending;
};

}  // namespace r7k::fakes
