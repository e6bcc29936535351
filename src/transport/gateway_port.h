#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "transport/gateway_link.h"
#include "transport/gateway_session.h"
#include "transport/network_port.h"
#include "transport/timer.h"

namespace r7k {

// The serial port on a serial-to-network gateway: port 1 and 2 stand for tcp:// (the line's bytes
// as they are) or rfc2217:// (Telnet, which also sets the gateway's line speed) addresses. Opening
// connects in the background and is pending until the gateway session says the link works or has
// failed. From the connect on, the open is provisional: the port is open and takes what the panel
// writes (an RFC 2217 gateway gets it once it has answered the speed); a gateway that refuses the
// device then still fails the open, saying that what was sent meanwhile was not delivered. A link
// the gateway drops after the open worked is reported once as lost. The decisions are the
// session's; this port paces the connects, runs the timers and keeps the promises of SerialPort.
// The platform gives it a link (its sockets) and three timers.
class GatewayPort : public NetworkPort {
  public:
    // An open that has neither worked nor failed by then has failed.
    static constexpr std::chrono::milliseconds kConnectTimeout = GatewaySession::kConnectLimit;
    // The most received bytes held at a time, in the link and in the port each: a gateway that
    // sends faster than the panel reads is held back by TCP, not queued here.
    static constexpr std::size_t kReadLimit = 64 * 1024;
    // Bytes waiting to go out beyond which a gateway that does not read gets nothing more.
    static constexpr std::size_t kWriteLimit = 64 * 1024;
    // Added to a failed open's cause when something was written while it was undecided.
    static constexpr const char* kNotDelivered = "What was sent meanwhile was not delivered";

    struct Timers {
        Timer& connect;  // the open's time limit
        Timer& settle;   // a raw stream's settle time
        Timer& pace;     // holds back a connect that would come too soon after the last
        Timer& quiet;    // takes in an answer while the open is undecided
    };

    GatewayPort(GatewayLink& link, Timers timers);
    ~GatewayPort() override;
    GatewayPort(const GatewayPort&) = delete;
    GatewayPort& operator=(const GatewayPort&) = delete;

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
    void onConnected();
    void onEnded(const std::string& cause);
    void onReadyRead();
    // Lets the connection go, and any connect under way.
    void drop();
    // Carries out what the session decided.
    void apply(GatewaySession::Step step);
    // The port carries bytes from now on, its open still undecided: said once per attempt.
    void usable();
    // The one way a pending open ends: its outcome is queued exactly once.
    void report(const SerialResult& outcome);
    // `reason`: what the gateway said before it closed, if it did.
    void connectFailed(const std::string& cause, const std::string& reason = {});
    void lost(const std::string& cause);
    // Runs `step` from the event loop while this port exists.
    void post(std::function<void()> step);
    // The same, unless the port was closed or opened again meanwhile.
    void later(std::function<void()> step);

    GatewayLink& m_link;
    Timers m_timers;
    GatewaySession m_session;
    bool m_sessionUp = false;  // the link is connected and m_session runs on it
    std::array<std::optional<PortAddress>, 2> m_addresses;
    std::array<std::chrono::steady_clock::time_point, 2> m_lastConnect{};
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    bool m_connecting = false;
    bool m_open = false;
    bool m_readQueued = false;  // a read of what the link still holds is on its way
    std::optional<Kept> m_kept;
    // Counts opens and closes, so that what later() runs is dropped when it is stale.
    std::uint64_t m_attempt = 0;
    int m_event = 0;
    std::string m_input;  // received data bytes not yet taken by input()
    // What post() queued finds it expired once this port is gone.
    std::shared_ptr<const bool> m_alive = std::make_shared<const bool>(true);
};

// The parts a gateway port runs on, of one platform's kinds, made before it.
template <class Link, class TimerKind>
struct GatewayParts {
    Link link;
    TimerKind connectTimer, settleTimer, paceTimer, quietTimer;
};

// A gateway port that owns its link and timers.
template <class Link, class TimerKind>
class OwnedGatewayPort : private GatewayParts<Link, TimerKind>, public GatewayPort {
    using Parts = GatewayParts<Link, TimerKind>;

  public:
    OwnedGatewayPort()
        : GatewayPort(Parts::link, {Parts::connectTimer, Parts::settleTimer, Parts::paceTimer,
                                    Parts::quietTimer}) {}
};

}  // namespace r7k
