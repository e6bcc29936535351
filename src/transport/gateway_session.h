#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "transport/line_settings.h"
#include "transport/telnet.h"

namespace r7k {

// One connection to a serial-to-network gateway, toolkit-free: when its open has worked or
// failed, what goes to the gateway, the line's bytes, and what the operator is told. A socket
// adapter only moves bytes and runs its timers, so every adapter decides alike.
class GatewaySession {
  public:
    // An open has this long, from the connect call, to become usable.
    static constexpr std::chrono::milliseconds kConnectLimit{3000};
    // A raw stream carries bytes from its connect, but its open is decided only once it has
    // been up this long: ser2net accepts a connection to a missing or busy device, sends why
    // and closes at once.
    static constexpr std::chrono::milliseconds kSettle{1000};
    // What a raw stream brings after a write, while its open is undecided, is taken in once the
    // stream has stayed up this long after it (see Step::holdQuiet).
    static constexpr std::chrono::milliseconds kAnswerQuiet{100};
    // Opens of one port are at least this far apart, whoever asks.
    static constexpr std::chrono::milliseconds kRetryPace{1000};
    // TCP keepalive on gateway sockets: a gateway gone without a word is a lost link within
    // kKeepIdle + kKeepCount * kKeepInterval.
    static constexpr std::chrono::seconds kKeepIdle{10};
    static constexpr std::chrono::seconds kKeepInterval{5};
    static constexpr int kKeepCount = 3;
    // Bytes held each way while the open is undecided: received ones (a raw stream that
    // brings more is a working link), and the line's bytes for an RFC 2217 gateway that has
    // not yet answered the speed.
    static constexpr std::size_t kHoldLimit = 4096;

    enum class Phase : std::uint8_t { Opening, Open, Failed };

    // What the adapter does after an event, in this order: send, take the data in, report.
    struct Step {
        std::string toGateway;
        std::string data;        // the line's bytes, for input()
        bool usable = false;     // the port carries bytes from now on; its open is undecided
        bool opened = false;     // the open has worked now
        bool refused = false;    // write(): the bytes could not be taken
        bool holdQuiet = false;  // bytes are held: call quiet() once kAnswerQuiet passed without
                                 // more of them and with the connection still up
        std::string failure;     // the open has failed: the cause, for the box
        std::string warning;     // the line runs otherwise than asked: what differs
    };

    // The TCP connection is up: a new session, Telnet or a raw stream. A raw stream is usable
    // at once, Telnet once the gateway agreed to the COM-PORT-OPTION (what is written then waits
    // for the speed's answer): usable means what the panel writes goes to the line.
    Step connected(bool telnet, const LineSettings& settings);
    Step received(std::string_view bytes);
    // The line's bytes to go out. Refused once failed, or when an RFC 2217 gateway that has not
    // answered the speed yet already holds kHoldLimit of them.
    Step write(std::string_view data);
    // Something was written before the open was decided: a failure of the open means it was
    // not delivered.
    bool wroteWhileOpening() const { return m_wroteWhileOpening; }
    // kAnswerQuiet has passed since a step said holdQuiet, the connection still up: an answer
    // to what was written came, so the open has worked.
    Step quiet();
    // kSettle has passed since connected(), the connection still up.
    Step settled();
    // kConnectLimit has passed with the open still undecided.
    Step timedOut();
    // The connection ended with `cause`: while opening, the failure's cause with the
    // gateway's reason (what it sent before it closed); once open, `cause` as it is.
    std::string closed(std::string_view cause);
    // What the gateway said while opening, as plain text: its reason when it then closes.
    std::string reason() const;
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
    std::string m_held;     // the line's bytes that came while opening, not yet taken in
    std::string m_seen;     // what came while opening, for the reason of a close
    std::string m_outHeld;  // the line's bytes waiting for an RFC 2217 speed answer
    bool m_wroteWhileOpening = false;
    std::string m_differs;  // what the answers so far say runs otherwise than asked
};

// A gateway's words before it closed, as one line of plain text: control characters become
// blanks, runs of blanks one, at most a line's length; empty if there were none.
std::string gatewayReason(std::string_view bytes);

}  // namespace r7k
