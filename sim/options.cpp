#include "options.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace r7k::sim {

namespace {

// Reads the whole of `text` as a number within [low, high]; anything else is an error.
template <typename T>
std::optional<T> number(std::string_view text, T low, T high) {
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || text.empty())
        return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value))
            return std::nullopt;
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

// "[HOST:]PORT" for --listen: HOST a name, an IPv4 or a bracketed IPv6 address.
bool listenAddress(std::string_view text, SimOptions& o) {
    std::string_view host = "127.0.0.1";
    std::string_view port = text;
    if (text.starts_with('[')) {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos)
            return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return false;
    }
    const auto n = number<int>(port, 0, 65535);
    if (!n || host.empty())
        return false;
    o.listenHost = host;
    o.listenPort = *n;
    return true;
}

}  // namespace

std::string usageText() {
    return R"(Usage: r7k-sim [OPTION]...
Simulated projector on a serial line, for running r7k-panel without hardware.

Opens a new pseudo-terminal (or the device given by --device) in raw mode and prints,
as the first line on standard output:
  r7k-sim: listening on /dev/pts/N
Point the panel at that path. The panel may close and reopen the line at any time.
With --listen it serves the line over TCP instead, as a serial-to-network gateway
would, and the first line is
  r7k-sim: listening on tcp://127.0.0.1:PORT
for the panel's --com1 tcp://127.0.0.1:PORT.

Line:
  --device PATH    use this serial device instead of a new pseudo-terminal
  --listen [HOST:]PORT
                   serve the line as a raw TCP stream on HOST (default 127.0.0.1;
                   an IPv6 address in brackets) and PORT (0: any free port); one
                   client at a time, the next one is served when it goes away
  --baud N         speed for --device: 9600 or 19200 (default 19200), 8N1
  --link PATH      make a symlink PATH to the line (an existing symlink there is
                   replaced, any other file is left alone); removed on exit
Replies:
  --delay MS       wait MS milliseconds before each reply (default 0)
  --pieces N       send each reply in N pieces (default 1)
  --gap MS         milliseconds between pieces (default 20)
  --drop PERCENT   drop that share of replies at random (0 to 100)
  --drop-all       drop every reply, so the panel shows its time-out mark
Unsolicited bytes (sent only while the line is open on the other side):
  --noise RATE     random bytes at random times, RATE bytes per second on average
  --flood RATE     a steady stream of random bytes, one write per byte, RATE bytes/s
  --flood-ascii    flood and burst with printable ASCII, a CR after every 19 characters
  --flood-bytes N  stop the flood after N bytes on each opening of the line
  --burst BYTES    on each opening of the line, send BYTES at once, as fast as the
                   line takes them
Other:
  --fast           short power phases: 2 s count down, 3 s cooling, a lamp hour per
                   10 s lit (default 30 s, 60 s, one hour)
  --seed N         seed for --drop, --noise, --flood and --burst (default: random,
                   shown in the log)
  --quiet          no log on standard error
  --help           show this text and exit
  --version        show the version and exit

Commands end with CR (0x0D); an LF at the start of a command is ignored. Every
command is answered:
  query            its answer followed by CR (below)
  other command    ACK, the single byte 0x06 (also when it changes nothing, such
  of the panel     as POWER ON while cooling down: a hot lamp cannot be struck)
  anything else    NAK, the single byte 0x15 (unknown, lower case, extra blanks,
                   empty, or longer than 128 characters)

Queries and answers:
  CR0          power: 80 standby, 40 count down, 00 power on, 20 cooling down
  CR1          input mode 1..4 (C05..C08, or an input terminal button of that row)
  CR3          lamp hours, 5 digits, from 01234, growing while the lamp is lit
  CR4          11 (normal, no image reversal)
  CR6          temperatures intake, exhaust, panel as "+24.0 +25.5 +25.0"; they rise
               while lit (about +32.5 +41.0 +38.5; 3 degrees less at FAN SPEED MAX)
  CR7          lamp: 03 while lit (count down, power on), 00 otherwise
  CR9          R7K SIM V1.40
  CRA          FF in standby, otherwise 00 + 1 if NO SHOW on + 2 if SOUND MUTE on;
               power off clears both mutes
  CR PRESSURE  512
  CR INFPFAIL  NONE

Each received command is logged on standard error with the time in milliseconds.
Ends cleanly on SIGINT, SIGTERM or SIGHUP. Exit status: 0 after a signal, 1 when
the line cannot be opened or fails, 2 on a usage error.
)";
}

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    SimOptions& o = result.options;
    auto fail = [&result](std::string message) {
        result.outcome = ParseOutcome::UsageError;
        result.error = std::move(message);
        return result;
    };
    constexpr double kMaxRate = 1'000'000;
    constexpr int kMaxMs = 3'600'000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto flag = [&]() { return !inlineValue.has_value(); };
        // The option's value, from "--name=value" or from the next argument.
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        auto bad = [&](const std::string& v, const char* expected) {
            return fail(name + ": invalid value '" + v + "', expected " + expected);
        };

        if (name == "--help" && flag()) {
            result.outcome = ParseOutcome::Help;
            return result;
        }
        if (name == "--version" && flag()) {
            result.outcome = ParseOutcome::Version;
            return result;
        }
        if ((name == "--fast" || name == "--quiet" || name == "--drop-all" ||
             name == "--flood-ascii") &&
            !flag()) {
            return fail(name + " takes no value");
        }
        if (name == "--fast") {
            o.fast = true;
        } else if (name == "--quiet") {
            o.quiet = true;
        } else if (name == "--drop-all") {
            o.dropPercent = 100;
        } else if (name == "--flood-ascii") {
            o.floodAscii = true;
        } else if (name == "--device" || name == "--link" || name == "--baud" ||
                   name == "--delay" || name == "--pieces" || name == "--gap" || name == "--drop" ||
                   name == "--noise" || name == "--flood" || name == "--flood-bytes" ||
                   name == "--burst" || name == "--seed" || name == "--listen") {
            auto v = value();
            if (!v)
                return fail(name + " needs a value");
            if (name == "--listen") {
                if (!listenAddress(*v, o))
                    return bad(*v, "[HOST:]PORT with a port from 0 to 65535");
            } else if (name == "--device" || name == "--link") {
                if (v->empty())
                    return bad(*v, "a path");
                (name == "--device" ? o.device : o.link) = *v;
            } else if (name == "--baud") {
                auto n = number<int>(*v, 9600, 19200);
                if (!n || (*n != 9600 && *n != 19200))
                    return bad(*v, "9600 or 19200");
                o.baud = *n;
            } else if (name == "--delay" || name == "--gap") {
                auto n = number<int>(*v, 0, kMaxMs);
                if (!n)
                    return bad(*v, "milliseconds from 0 to 3600000");
                (name == "--delay" ? o.delay : o.gap) = milliseconds{*n};
            } else if (name == "--pieces") {
                auto n = number<int>(*v, 1, 1000);
                if (!n)
                    return bad(*v, "a count from 1 to 1000");
                o.pieces = *n;
            } else if (name == "--drop") {
                auto n = number<double>(*v, 0, 100);
                if (!n)
                    return bad(*v, "a percentage from 0 to 100");
                o.dropPercent = *n;
            } else if (name == "--noise" || name == "--flood") {
                auto n = number<double>(*v, 0, kMaxRate);
                if (!n || *n <= 0)
                    return bad(*v, "bytes per second above 0, up to 1000000");
                (name == "--noise" ? o.noiseRate : o.floodRate) = *n;
            } else if (name == "--flood-bytes" || name == "--burst") {
                auto n = number<std::uint64_t>(*v, 1, std::uint64_t{1} << 40);
                if (!n)
                    return bad(*v, "a byte count from 1");
                (name == "--burst" ? o.burst : o.floodBytes) = *n;
            } else {
                auto n = number<std::uint64_t>(*v, 0, std::numeric_limits<std::uint64_t>::max());
                if (!n)
                    return bad(*v, "a whole number");
                o.seed = *n;
            }
        } else if (!args[i].starts_with("-")) {
            return fail("unexpected argument '" + args[i] + "'");
        } else {
            return fail("unknown option '" + args[i] + "'");
        }
    }
    if (o.floodBytes > 0 && o.floodRate <= 0)
        return fail("--flood-bytes needs --flood");
    if (o.floodAscii && o.floodRate <= 0 && o.burst == 0) {
        return fail("--flood-ascii needs --flood or --burst");
    }
    if (o.baud != 19200 && o.device.empty())
        return fail("--baud needs --device");
    if (o.listenPort >= 0 && (!o.device.empty() || !o.link.empty()))
        return fail("--listen serves its own line; it goes with neither --device nor --link");
    return result;
}

}  // namespace r7k::sim
