#pragma once

#include <QObject>
#include <QTcpSocket>

#include "qt/qt_timer.h"
#include "qt/tcp_connector.h"
#include "transport/gateway_link.h"
#include "transport/gateway_port.h"

namespace r7k {

// The gateway link on Qt: a QTcpSocket on the descriptor TcpConnector connected.
class QtGatewayLink : public GatewayLink {
  public:
    QtGatewayLink();
    ~QtGatewayLink() override;

    void connect(const std::string& host, std::uint16_t port) override;
    void drop() override;
    bool live() const override;
    bool connected() const override { return m_socket.state() == QAbstractSocket::ConnectedState; }
    std::size_t available() const override { return std::size_t(m_socket.bytesAvailable()); }
    std::string read(std::size_t limit) override;
    std::size_t unsent() const override { return std::size_t(m_socket.bytesToWrite()); }
    void write(std::string_view bytes) override;
    void post(std::function<void()> work) override;

  private:
    void ended(const std::string& cause);

    QTcpSocket m_socket;
    TcpConnector m_connector;
};

// The serial port on a serial-to-network gateway, on Qt's sockets and timers: what r7k-net.so
// makes.
using NetSerial = OwnedGatewayPort<QtGatewayLink, QtTimer>;

}  // namespace r7k
