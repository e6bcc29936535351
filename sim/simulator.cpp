#include "simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace r7k::sim {

namespace {

using std::chrono::duration_cast;
using std::chrono::nanoseconds;

// While nobody has the line open, the pty master reports a hang-up at once on every poll;
// looking again at this pace notices a new opening promptly without spinning.
constexpr milliseconds kClosedLinePoll{20};
constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kBurstChunk = 4096;
constexpr int kAsciiLine = 19;  // printable characters of --flood-ascii before each CR
// A flood that fell this far behind (the line was full) restarts its pace instead of catching up.
constexpr milliseconds kFloodSlack{50};

const char* powerName(PowerState p) {
    switch (p) {
        case PowerState::Standby:
            return "standby";
        case PowerState::CountDown:
            return "count down";
        case PowerState::On:
            return "power on";
        case PowerState::CoolingDown:
            return "cooling down";
    }
    return "?";
}

timespec toTimespec(Clock::duration d) {
    auto ns = std::max<long long>(duration_cast<nanoseconds>(d).count(), 0);
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

Clock::duration perByte(double rate) {
    return duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

}  // namespace

void Log::line(const std::string& text) const {
    if (m_quiet)
        return;
    std::fprintf(stderr, "[%8lld ms] %s\n", static_cast<long long>(elapsed(Clock::now()).count()),
                 text.c_str());
}

milliseconds Log::elapsed(Clock::time_point at) const {
    return duration_cast<milliseconds>(at - m_start);
}

Simulator::Simulator(const SimOptions& options, Port& port, const Log& log, std::uint64_t seed)
    : m_options(options),
      m_port(port),
      m_log(log),
      m_model(options.fast ? kFastTiming : kRealTiming),
      m_random(seed) {}

int Simulator::run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask) {
    while (!stop && !m_failed) {
        Clock::time_point now = Clock::now();
        observePower();
        if (!m_open) {
            if (!otherSideOpen()) {
                // A listener wakes for its next client at once (poll skips the -1 of a pty).
                timespec pause = toTimespec(kClosedLinePoll);
                pollfd next{m_port.listenerFd(), POLLIN, 0};
                ppoll(&next, 1, &pause, &waitMask);
                continue;
            }
            onOpened(now);
        }
        if (!writeDue(now))
            break;

        pollfd pfd{m_port.fd(), static_cast<short>(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0};
        std::optional<Clock::time_point> wake = nextWake();
        timespec timeout{};
        if (wake)
            timeout = toTimespec(*wake - Clock::now());
        int ready = ppoll(&pfd, 1, wake ? &timeout : nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            fail("poll failed");
            break;
        }
        if (ready == 0)
            continue;
        if (pfd.revents & POLLOUT)
            m_writeBlocked = false;
        if (pfd.revents & POLLIN) {
            if (!readCommands(Clock::now()))
                continue;
        }
        if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL) && !(pfd.revents & POLLIN)) {
            if (!m_port.reopens()) {
                fail("the other side hung up", false);
                break;
            }
            onClosed();
        }
    }
    return m_failed ? 1 : 0;
}

bool Simulator::otherSideOpen() {
    if (m_port.isListener())
        return m_port.acceptClient();
    if (!m_port.isPty())
        return true;
    pollfd pfd{m_port.fd(), POLLIN, 0};
    if (poll(&pfd, 1, 0) < 0)
        return false;
    return !(pfd.revents & POLLHUP);
}

void Simulator::onOpened(Clock::time_point now) {
    m_open = true;
    m_writeBlocked = false;
    if (m_port.reopens())
        m_log.line("the line was opened");
    m_replyTail = now;
    m_burstLeft = m_options.burst;
    m_burstChunk.clear();
    m_floodNext = now;
    m_floodSent = 0;
    m_floodHeld.reset();
    m_floodColumn = 0;
    if (m_options.noiseRate > 0) {
        std::exponential_distribution<double> gap(m_options.noiseRate);
        m_noiseNext =
            now + duration_cast<Clock::duration>(std::chrono::duration<double>(gap(m_random)));
    }
}

void Simulator::onClosed() {
    m_open = false;
    m_writeBlocked = false;
    if (!m_replies.empty()) {
        m_log.line("the line was closed; " + std::to_string(m_replies.size()) +
                   " reply piece(s) not sent");
    } else {
        m_log.line("the line was closed");
    }
    m_replies.clear();
    m_framer.reset();
    if (m_port.isListener()) {
        m_port.dropClient();  // the next client gets the line
        return;
    }
    // Whatever the closing side left unread would greet the next opening; a real line loses it.
    char sink[kReadChunk];
    while (read(m_port.fd(), sink, sizeof sink) > 0) {
    }
    m_port.discardUnread();
}

// False when the line was found closed or failed while reading.
bool Simulator::readCommands(Clock::time_point now) {
    char buffer[kReadChunk];
    for (;;) {
        ssize_t n = read(m_port.fd(), buffer, sizeof buffer);
        if (n > 0) {
            for (const ReceivedCommand& c :
                 m_framer.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
                answer(c, now);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        // A pty master reads EIO once the other side has closed; a client ends its stream or
        // resets it.
        if (m_port.reopens() && (n == 0 || errno == EIO || errno == ECONNRESET)) {
            onClosed();
            return false;
        }
        if (n == 0) {
            fail("the line hung up (end of input)", false);
        } else {
            fail("read failed");
        }
        return false;
    }
}

void Simulator::answer(const ReceivedCommand& command, Clock::time_point now) {
    std::string reply =
        command.overlong ? std::string(1, kNak) : m_model.handle(command.text, m_log.elapsed(now));
    std::string shown = quoted(command.text) + (command.overlong ? " (cut, too long)" : "");
    bool drop = m_options.dropPercent >= 100 ||
                (m_options.dropPercent > 0 &&
                 std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.dropPercent);
    m_log.line(shown + " -> " + replyForLog(reply) + (drop ? " (dropped)" : ""));
    observePower();
    if (drop)
        return;
    // Replies never overtake each other, however the delay and the pieces fall, and a reply
    // sent in pieces keeps its gap from the next one too, so pieces never merge across replies.
    Clock::time_point due = std::max(now + m_options.delay, m_replyTail);
    for (std::string& piece : splitIntoPieces(reply, m_options.pieces)) {
        m_replies.push_back({due, std::move(piece)});
        m_replyTail = m_options.pieces > 1 ? due + m_options.gap : due;
        due += m_options.gap;
    }
}

Simulator::WriteResult Simulator::writeAll(std::string& bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(m_port.fd(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeBlocked = true;
            return WriteResult::Blocked;
        }
        if (m_port.reopens() && n < 0 && (errno == EIO || errno == EPIPE || errno == ECONNRESET))
            return WriteResult::Closed;
        fail("write failed");
        return WriteResult::Failed;
    }
    return WriteResult::Done;
}

// Sends what is due; false when the line failed.
bool Simulator::writeDue(Clock::time_point now) {
    WriteResult r = writeDueUntilStopped(now);
    if (r == WriteResult::Closed)
        onClosed();
    return r != WriteResult::Failed;
}

// Done when everything due went out or has to wait for room on the line.
Simulator::WriteResult Simulator::writeDueUntilStopped(Clock::time_point now) {
    while (!m_writeBlocked && !m_replies.empty() && m_replies.front().due <= now) {
        WriteResult r = writeAll(m_replies.front().bytes);
        if (r == WriteResult::Failed || r == WriteResult::Closed)
            return r;
        if (r == WriteResult::Done)
            m_replies.pop_front();
    }

    while (!m_writeBlocked && (m_burstLeft > 0 || !m_burstChunk.empty())) {
        if (m_burstChunk.empty()) {
            auto size = static_cast<std::size_t>(std::min<std::uint64_t>(m_burstLeft, kBurstChunk));
            for (std::size_t i = 0; i < size; ++i)
                m_burstChunk += nextFloodByte();
            m_burstLeft -= size;
        }
        WriteResult r = writeAll(m_burstChunk);
        if (r == WriteResult::Failed || r == WriteResult::Closed)
            return r;
        if (r == WriteResult::Done && m_burstLeft == 0) {
            m_log.line("burst of " + std::to_string(m_options.burst) + " bytes sent");
        }
    }

    if (m_options.floodRate > 0) {
        const bool limited = m_options.floodBytes > 0;
        if (now - m_floodNext > kFloodSlack)
            m_floodNext = now;
        while (!m_writeBlocked && m_floodNext <= now &&
               (!limited || m_floodSent < m_options.floodBytes)) {
            char byte = m_floodHeld ? *m_floodHeld : nextFloodByte();
            m_floodHeld.reset();
            std::string one(1, byte);
            WriteResult r = writeAll(one);
            if (r == WriteResult::Failed || r == WriteResult::Closed)
                return r;
            if (r == WriteResult::Blocked) {
                m_floodHeld = byte;
                break;
            }
            m_floodNext += perByte(m_options.floodRate);
            if (++m_floodSent == m_options.floodBytes) {
                m_log.line("flood stopped after " + std::to_string(m_floodSent) + " bytes");
            }
        }
    }

    if (m_options.noiseRate > 0) {
        std::exponential_distribution<double> gap(m_options.noiseRate);
        while (m_noiseNext <= now) {
            // Noise that finds the line full is lost, as it would be on a wire.
            std::string one(1, static_cast<char>(m_random() & 0xFF));
            m_noiseNext +=
                duration_cast<Clock::duration>(std::chrono::duration<double>(gap(m_random)));
            if (m_writeBlocked)
                continue;
            WriteResult r = writeAll(one);
            if (r == WriteResult::Failed || r == WriteResult::Closed)
                return r;
        }
    }
    return WriteResult::Done;
}

char Simulator::nextFloodByte() {
    if (!m_options.floodAscii)
        return static_cast<char>(m_random() & 0xFF);
    if (m_floodColumn == kAsciiLine) {
        m_floodColumn = 0;
        return kCr;
    }
    ++m_floodColumn;
    return static_cast<char>(' ' + 1 + m_random() % ('~' - ' '));  // '!' to '~'
}

void Simulator::observePower() {
    m_model.advance(m_log.elapsed(Clock::now()));
    if (m_model.power() == m_loggedPower)
        return;
    m_log.line(std::string("power: ") + powerName(m_loggedPower) + " -> " +
               powerName(m_model.power()));
    m_loggedPower = m_model.power();
}

std::optional<Clock::time_point> Simulator::nextWake() const {
    std::optional<Clock::time_point> wake;
    auto consider = [&wake](Clock::time_point t) {
        if (!wake || t < *wake)
            wake = t;
    };
    if (auto change = m_model.nextChange()) {
        consider(m_log.start() + *change);
    }
    if (m_open && !m_writeBlocked) {
        if (!m_replies.empty())
            consider(m_replies.front().due);
        if (m_options.floodRate > 0 &&
            (m_options.floodBytes == 0 || m_floodSent < m_options.floodBytes)) {
            consider(m_floodNext);
        }
    }
    if (m_open && m_options.noiseRate > 0)
        consider(m_noiseNext);
    return wake;
}

void Simulator::fail(const std::string& what, bool withCause) {
    std::string cause = withCause ? std::string(": ") + std::strerror(errno) : std::string();
    std::fprintf(stderr, "r7k-sim: %s: %s%s\n", m_port.path().c_str(), what.c_str(), cause.c_str());
    m_failed = true;
}

}  // namespace r7k::sim
