#pragma once

#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

#include "framing.h"
#include "options.h"
#include "port.h"
#include "projector_model.h"

namespace r7k::sim {

using Clock = std::chrono::steady_clock;

// Timestamped lines on standard error, one per event, unless quiet.
class Log {
  public:
    Log(bool quiet, Clock::time_point start) : m_quiet(quiet), m_start(start) {}
    void line(const std::string& text) const;
    milliseconds elapsed(Clock::time_point at) const;
    Clock::time_point start() const { return m_start; }

  private:
    bool m_quiet = false;
    Clock::time_point m_start;
};

// Serves the projector on an open line: answers commands from the model, shapes the replies
// (delay, pieces, drops) and adds the unsolicited bytes (noise, flood, burst).
class Simulator {
  public:
    Simulator(const SimOptions& options, Port& port, const Log& log, std::uint64_t seed);

    // Runs until `stop` is set by a signal (status 0) or the line fails (status 1). Signals are
    // expected blocked outside the waits, which unblock them with `waitMask`.
    int run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);

  private:
    enum class WriteResult : std::uint8_t { Done, Blocked, Closed, Failed };

    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };

    bool otherSideOpen();
    void onOpened(Clock::time_point now);
    void onClosed();
    bool readCommands(Clock::time_point now);
    void answer(const ReceivedCommand& command, Clock::time_point now);
    bool writeDue(Clock::time_point now);
    WriteResult writeDueUntilStopped(Clock::time_point now);
    WriteResult writeAll(std::string& bytes);
    char nextFloodByte();
    void observePower();
    std::optional<Clock::time_point> nextWake() const;
    void fail(const std::string& what, bool withCause = true);

    const SimOptions& m_options;
    Port& m_port;
    const Log& m_log;
    ProjectorModel m_model;
    CommandFramer m_framer;
    std::mt19937_64 m_random;
    PowerState m_loggedPower = PowerState::Standby;
    bool m_open = false;
    bool m_failed = false;
    bool m_writeBlocked = false;

    std::deque<Piece> m_replies;  // reply pieces in sending order
    Clock::time_point m_replyTail{};

    std::uint64_t m_burstLeft = 0;
    std::string m_burstChunk;

    Clock::time_point m_floodNext{};
    std::uint64_t m_floodSent = 0;
    std::optional<char> m_floodHeld;  // a flood byte the line had no room for
    int m_floodColumn = 0;            // printable characters since the last CR

    Clock::time_point m_noiseNext{};
};

}  // namespace r7k::sim
