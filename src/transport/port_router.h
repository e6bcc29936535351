#pragma once

#include <functional>
#include <memory>
#include <string>

#include "transport/network_port.h"
#include "transport/port_address.h"
#include "transport/serial.h"

namespace r7k {

// The serial port over both kinds of line: each port number goes to the local serial component or
// to the network one, by its address, so COM1 may be a gateway and COM2 a device or the other way
// round. The panel cannot tell them apart. The network component is made when a port is first
// given a gateway's address.
class PortRouter : public SerialPort {
  public:
    // How this platform reaches its lines.
    struct Lines {
        SerialPort& local;
        // Gives the local component another device for a port number.
        std::function<void(int port, const std::string& device)> setDevice;
        // The network component, or nullptr with `error` saying why there is none.
        std::function<std::unique_ptr<NetworkPort>(std::string& error)> makeNetwork;
    };

    PortRouter(Lines lines, const PortAddress& com1, const PortAddress& com2);

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override { return current().portOpen(); }
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override { return current().output(bytes); }
    std::string input() override { return current().input(); }
    int commEvent() const override { return current().commEvent(); }
    std::string deviceName(int port) const override { return address(port).text(); }
    void setPortName(int port, std::string name) override;

    // The address of a port number, and another one for it. Its line must be closed (the
    // panel closes it before it moves a port to another device).
    const PortAddress& address(int port) const { return m_addresses[port == 2 ? 1 : 0]; }
    void setAddress(int port, const PortAddress& address);

  private:
    SerialPort& of(int port) const;
    SerialPort& current() const { return of(m_port); }
    void adopt(SerialPort& inner);

    Lines m_lines;
    std::unique_ptr<NetworkPort> m_net;  // once a port had a gateway's address
    std::string m_netError;              // why the network component could not be made
    PortAddress m_addresses[2];
    std::string m_settings = "9600,N,8,1";
    int m_port = 1;
};

}  // namespace r7k
