#pragma once

#include <memory>

#include "link/port_address.h"
#include "link/serial.h"
#include "qt/network_port.h"
#include "qt/qt_serial.h"

namespace r7k {

// MSComm1 over both kinds of line: each port number goes to the local serial adapter or to the
// network adapter, by its address, so COM1 may be a gateway and COM2 a device or the other way
// round. The panel cannot tell them apart. The network adapter is loaded when a port is first
// given a gateway's address.
class PortRouter : public SerialPort {
  public:
    PortRouter(const PortAddress& com1, const PortAddress& com2);

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override { return current().portOpen(); }
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override { return current().output(bytes); }
    std::string input() override { return current().input(); }
    int commEvent() const override { return current().commEvent(); }
    std::string deviceName(int port) const override {
        return m_addresses[port == 2 ? 1 : 0].text();
    }

    // The address of a port number, and another one for it. Its line must be closed (the
    // panel closes it before it moves a port to another device).
    const PortAddress& address(int port) const { return m_addresses[port == 2 ? 1 : 0]; }
    void setAddress(int port, const PortAddress& address);

  private:
    SerialPort& of(int port) const;
    SerialPort& current() const { return of(m_port); }
    void adopt(SerialPort& inner);

    QtSerial m_local;
    std::unique_ptr<NetworkPort> m_net;  // once a port had a gateway's address
    std::string m_netError;              // why the network adapter could not be loaded
    PortAddress m_addresses[2];
    std::string m_settings = "9600,N,8,1";
    int m_port = 1;
};

// The serial component for the two port addresses, as r7k-panel and r7k-ctl use it.
std::unique_ptr<SerialPort> makeSerialPort(const PortAddress& com1, const PortAddress& com2);

}  // namespace r7k
