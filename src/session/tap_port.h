#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "transport/serial.h"

namespace r7k::session {

// The panel's serial component seen through a tap: every operation is passed on unchanged, and
// the bytes written and taken in are also shown to the script runner.
class TapPort : public SerialPort {
  public:
    explicit TapPort(SerialPort& inner);

    SerialResult setCommPort(int port) override { return m_inner.setCommPort(port); }
    int commPort() const override { return m_inner.commPort(); }
    SerialResult setSettings(std::string_view s) override { return m_inner.setSettings(s); }
    bool portOpen() const override { return m_inner.portOpen(); }
    SerialResult setPortOpen(bool open) override { return m_inner.setPortOpen(open); }
    SerialResult output(std::string_view bytes) override;
    std::string input() override;
    int commEvent() const override { return m_inner.commEvent(); }
    std::string deviceName(int port) const override { return m_inner.deviceName(port); }
    void setPortName(int port, std::string name) override {
        m_inner.setPortName(port, std::move(name));
    }
    std::string portName(int port) const override { return m_inner.portName(port); }

    std::function<void(std::string_view bytes)> onOutput;  // after a write that worked
    std::function<void(std::string_view bytes)> onInput;   // what the panel took in
    std::function<void()> afterComm;  // once the panel has handled a communication event
    // Once the panel has handled an outcome of an open that took time.
    std::function<void(const SerialResult& outcome)> afterOpened;

  private:
    SerialPort& m_inner;
};

}  // namespace r7k::session
