#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/line_settings.h"
#include "link/telnet.h"

namespace r7k {

// One connection to a serial-to-network gateway, toolkit-free: when its open has worked or
// failed, what goes to the gateway, the line's bytes, and what the operator is told. A socket
// adapter only moves bytes and runs its timers, so every adapter decides alike.
class GatewaySession {
  public:
    // An open has this long, from the connect call, to become usable.
    static constexpr std::chrono::milliseconds kConnectLimit{3000};
    // A raw stream counts as open once it has been up this long: ser2net accepts a connection
    // to a missing or busy device, sends why and closes at once.
    static constexpr std::chrono::milliseconds kSettle{1000};
    // Opens of one port are at least this far apart, whoever asks.
    static constexpr std::chrono::milliseconds kRetryPace{1000};
    // TCP keepalive on gateway sockets: a gateway gone without a word is a lost link within
    // kKeepIdle + kKeepCount * kKeepInterval.
    static constexpr std::chrono::seconds kKeepIdle{10};
    static constexpr std::chrono::seconds kKeepInterval{5};
    static constexpr int kKeepCount = 3;
    // Bytes held while the open is undecided; a stream that brings more is a working link.
    static constexpr std::size_t kHoldLimit = 4096;

    enum class Phase : std::uint8_t { Opening, Open, Failed };

    // What the adapter does after an event, in this order: send, take the data in, report.
    struct Step {
        std::string toGateway;
        std::string data;     // the line's bytes, for input()
        bool opened = false;  // the open has worked now
        std::string failure;  // the open has failed: the cause, for the box
        std::string warning;  // the line runs otherwise than asked: what differs
    };

    // The TCP connection is up: a new session, Telnet or a raw stream.
    Step connected(bool telnet, const LineSettings& settings);
    Step received(std::string_view bytes);
    // kSettle has passed since connected(), the connection still up.
    Step settled();
    // kConnectLimit has passed with the open still undecided.
    Step timedOut();
    // The connection ended with `cause`: while opening, the failure's cause with the
    // gateway's reason (what it sent before it closed); once open, `cause` as it is.
    std::string closed(std::string_view cause);
    // The settings the line should run with from now on.
    Step setSettings(const LineSettings& settings);

    Phase phase() const { return m_phase; }

  private:
    void askSettings(Step& step);
    void checkAnswers(Step& step);
    Step fail(std::string cause);

    TelnetCodec m_telnet;
    bool m_isTelnet = false;
    Phase m_phase = Phase::Failed;
    LineSettings m_asked;
    LineSettings m_requested;                 // the settings of the last request sent
    std::array<std::uint8_t, 4> m_pending{};  // requests not yet answered, per setting
    std::uint8_t m_outstanding = 0;           // answers still due, one bit per setting
    bool m_settingsSent = false;
    std::string m_held;     // the line's bytes that came while opening
    std::string m_differs;  // what the answers so far say runs otherwise than asked
};

// A gateway's words before it closed, as one line of plain text: control characters become
// blanks, runs of blanks one, at most a line's length; empty if there were none.
std::string gatewayReason(std::string_view bytes);

}  // namespace r7k
