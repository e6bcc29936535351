#pragma once

#include <memory>
#include <string>

#include "transport/gateway_link.h"
#include "transport/gateway_port.h"
#include "win/win_timer.h"

namespace r7k::win {

// The gateway link on Winsock: each connect gets a worker thread that looks the host up,
// connects and waits on the socket's events (WSAEventSelect); it reads what arrives, sends what
// could not go out at once, and posts connected, readable and ended to the UI thread.
class WinGatewayLink : public GatewayLink {
  public:
    WinGatewayLink();
    ~WinGatewayLink() override;
    WinGatewayLink(const WinGatewayLink&) = delete;
    WinGatewayLink& operator=(const WinGatewayLink&) = delete;

    void connect(const std::string& host, std::uint16_t port) override;
    void drop() override;
    bool live() const override;
    bool connected() const override;
    std::size_t available() const override;
    std::string read(std::size_t limit) override;
    std::size_t unsent() const override;
    void write(std::string_view bytes) override;
    void post(std::function<void()> work) override;

  private:
    struct Connection;  // the socket, its worker and the bytes between them

    std::shared_ptr<Connection> m_connection;  // null while there is none
};

// The serial port on a serial-to-network gateway, on Winsock and the Windows timers.
using WinGateway = OwnedGatewayPort<WinGatewayLink, WinTimer>;

}  // namespace r7k::win
