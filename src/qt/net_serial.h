#pragma once

#include <QTcpSocket>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

#include "link/gateway_session.h"
#include "link/port_address.h"
#include "link/serial.h"
#include "qt/network_port.h"
#include "qt/tcp_connector.h"

namespace r7k {

// MSComm1 on a serial-to-network gateway: port 1 and 2 stand for tcp:// (the line's bytes as
// they are) or rfc2217:// (Telnet, which also sets the gateway's line speed) addresses.
// Opening connects in the background and is pending until the gateway session says the link
// carries bytes or has failed; a link the gateway drops after that is reported once as lost.
// The decisions are the session's; this adapter moves bytes and runs its timers.
class NetSerial : public NetworkPort {
  public:
    // An open that has neither worked nor failed by then has failed.
    static constexpr std::chrono::milliseconds kConnectTimeout = GatewaySession::kConnectLimit;
    // The most received bytes held at a time, in the socket and in the adapter each: a
    // gateway that sends faster than the panel reads is held back by TCP, not queued here.
    static constexpr qint64 kReadLimit = 64 * 1024;
    // Bytes waiting to go out beyond which a gateway that does not read gets nothing more.
    static constexpr qint64 kWriteLimit = 64 * 1024;

    NetSerial(std::optional<PortAddress> com1, std::optional<PortAddress> com2);
    ~NetSerial() override;

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override { return m_open; }
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override;
    std::string input() override;
    int commEvent() const override { return m_event; }
    std::string deviceName(int port) const override;
    void setAddress(int port, std::optional<PortAddress> address) override {
        m_addresses[port == 2 ? 1 : 0] = std::move(address);
    }

  private:
    // A closed port's connection, kept until the event loop turns: the address it goes to,
    // and whether it was open (else still connecting).
    struct Kept {
        std::string address;
        bool open = false;
    };

    const std::optional<PortAddress>& address(int port) const {
        return m_addresses[port == 2 ? 1 : 0];
    }
    bool telnet() const;
    std::string describe() const;
    SerialResult send(std::string_view wire);
    SerialResult takeBack(const Kept& kept);
    void startConnect();
    void connectDone(int fd, const std::string& cause);
    void onConnected();
    // Lets the connection go, and any connect under way.
    void drop();
    // A connection is made or being made.
    bool live() const;
    void onError(QAbstractSocket::SocketError error);
    void onReadyRead();
    // Carries out what the session decided.
    void apply(GatewaySession::Step step);
    // The one way a pending open ends: its outcome is queued exactly once.
    void report(const SerialResult& outcome);
    void connectFailed(const std::string& cause);
    void lost(const std::string& cause);
    // Runs `step` from the event loop, unless the port was closed or opened again meanwhile.
    void later(std::function<void()> step);

    QTcpSocket m_socket;
    TcpConnector m_connector;
    QTimer m_connectTimer;
    QTimer m_settleTimer;
    QTimer m_paceTimer;  // holds back a connect that would come too soon after the last
    GatewaySession m_session;
    bool m_sessionUp = false;  // the socket is connected and m_session runs on it
    std::array<std::optional<PortAddress>, 2> m_addresses;
    std::array<std::chrono::steady_clock::time_point, 2> m_lastConnect{};
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    bool m_connecting = false;
    bool m_open = false;
    bool m_readQueued = false;  // a read of what the socket still holds is on its way
    std::optional<Kept> m_kept;
    // Counts opens and closes, so that what later() runs is dropped when it is stale.
    quint64 m_attempt = 0;
    int m_event = 0;
    std::string m_input;  // received data bytes not yet taken by input()
};

}  // namespace r7k
