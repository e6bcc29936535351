// r7k-pjlink: the projector on its serial line, answering PJLink on the network.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <array>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include "base/command_line.h"
#include "pjlink/qt/listen_address.h"
#include "pjlink/qt/notifier.h"
#include "pjlink/qt/tcp_front.h"
#include "pjlink/service.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"
#include "qt/stop_signals.h"
#include "session/line_scheduler.h"
#include "session/projector.h"
#include "transport/port_address.h"

namespace {

constexpr int kUsage = 2;
constexpr std::size_t kMaxPassword = 32;
constexpr std::size_t kMaxName = 64;

constexpr std::array<r7k::cli::OptionSpec, 14> kOptions{{
    {"port", 0, true},
    {"max-age", 0, true},
    {"listen", 0, true},
    {"password-file", 0, true},
    {"name", 0, true},
    {"speed", 0, true},
    {"max-clients", 0, true},
    {"idle-timeout", 0, true},
    {"serial-number", 0, true},
    {"no-search", 0, false},
    {"no-notify", 0, false},
    {"notify-to", 0, true},
    {"help", 'h', false},
    {"version", 'v', false},
}};

constexpr const char* kHelp =
    "Usage: r7k-pjlink --port DEVICE [options]\n"
    "Answers PJLink (class 1, and class 2's FREZ, SVOL, SVER, SNUM, INNM, search and status\n"
    "notification) on the network for an R7KM or R7K projector on a serial line.\n"
    "The line carries one command or query at a time; queries are answered from what the\n"
    "projector said lately, which the service keeps fresh while controllers are connected.\n"
    "\n"
    "Options:\n"
    "  --port DEVICE         the projector's serial device or gateway (tcp://HOST:PORT,\n"
    "                        rfc2217://HOST:PORT)\n"
    "  --listen [HOST:]PORT  where to answer PJLink (default 127.0.0.1:4352; an IPv6\n"
    "                        address in brackets; 0.0.0.0 or [::] for every address)\n"
    "  --password-file FILE  require PJLink authentication with the password on the\n"
    "                        file's first line (1 to 32 characters)\n"
    "  --name NAME           the projector's name for NAME ? (default r7k; up to 64 bytes)\n"
    "  --serial-number TEXT  the answer to SNUM ? (default none)\n"
    "  --speed BAUD          line speed: 19200 (default) or 9600\n"
    "  --max-clients N       connections at once, 1 to 1000 (default 16)\n"
    "  --idle-timeout S      close a connection without a request for S seconds, 1 to\n"
    "                        3600 (default 30)\n"
    "  --max-age S           answer a query from what the projector said at most S seconds\n"
    "                        ago, 0 to 60 (default 1; 0 asks the projector every time)\n"
    "  --no-search           answer no search (%2SRCH) on UDP at the PJLink address\n"
    "  --no-notify           send no status notifications (LKUP, POWR, ERST, INPT)\n"
    "  --notify-to HOST[:PORT]\n"
    "                        send status notifications there, LKUP at start included\n"
    "                        (default: to the controller that sent the latest request,\n"
    "                        on the PJLink port)\n"
    "  -h, --help            show this help, then exit\n"
    "  -v, --version         show the version, then exit\n"
    "\n"
    "Exit status: 0 stopped by SIGTERM, SIGINT or SIGHUP; 1 the address cannot be listened\n"
    "on (TCP, or UDP for search and notification) or the password file cannot be read;\n"
    "2 usage error.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "r7k-pjlink: %s\nTry 'r7k-pjlink --help' for more information.\n",
                 message.c_str());
    return kUsage;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", message.c_str());
    return 1;
}

// Seconds from 0 to `high`, fractions allowed, as milliseconds; or none.
std::optional<std::chrono::milliseconds> seconds(const std::string& text, double high) {
    double value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc{} || stop != end || !(value >= 0 && value <= high))
        return std::nullopt;
    return std::chrono::milliseconds{std::llround(value * 1000)};
}

// 8 hex digits for a greeting.
std::string randomHex() {
    static std::random_device device;
    static std::mt19937 generator(device());
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(generator()));
    return text;
}

// A whole number from `low` to `high`, or none.
std::optional<int> number(const std::string& text, int low, int high) {
    bool ok = false;
    const int n = QString::fromStdString(text).toInt(&ok);
    return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    const r7k::cli::CommandLine line = r7k::cli::parseCommandLine(args, kOptions, false);
    if (!line.error.empty())
        return usageError(line.error);
    if (line.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (line.has("version")) {
        std::printf("r7k-pjlink %s\n", R7K_VERSION);
        return 0;
    }
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional[0] + "'");
    const auto device = line.value("port");
    if (!device)
        return usageError("--port is required: the projector's serial device or gateway");
    const r7k::PortAddressResult address = r7k::parsePortAddress(*device);
    if (!address.address)
        return usageError("--port " + *device + ": " + address.error);
    const r7k::pjlink::ListenAddress listen =
        r7k::pjlink::parseListenAddress(line.value("listen").value_or("127.0.0.1:4352"));
    if (!listen.error.empty())
        return usageError("--listen " + line.value("listen").value_or("") + ": " + listen.error);
    const std::string speed = line.value("speed").value_or("19200");
    if (speed != "19200" && speed != "9600")
        return usageError("--speed " + speed + ": expected 19200 or 9600");
    r7k::pjlink::ServiceOptions options;
    std::chrono::milliseconds maxAge{1000};
    if (const auto s = line.value("max-age")) {
        const auto value = seconds(*s, 60);
        if (!value)
            return usageError("--max-age " + *s + ": expected seconds from 0 to 60");
        maxAge = *value;
    }
    if (const auto n = line.value("max-clients")) {
        const auto value = number(*n, 1, 1000);
        if (!value)
            return usageError("--max-clients " + *n + ": expected a number from 1 to 1000");
        options.maxClients = *value;
    }
    if (const auto s = line.value("idle-timeout")) {
        const auto value = number(*s, 1, 3600);
        if (!value)
            return usageError("--idle-timeout " + *s + ": expected seconds from 1 to 3600");
        options.idle = std::chrono::seconds{*value};
    }
    r7k::pjlink::NotifyOptions notify;
    notify.search = !line.has("no-search");
    notify.notify = !line.has("no-notify");
    if (const auto to = line.value("notify-to")) {
        if (!notify.notify)
            return usageError("--notify-to and --no-notify cannot be used together");
        const r7k::pjlink::ListenAddress controller = r7k::pjlink::parseControllerAddress(*to);
        if (!controller.error.empty())
            return usageError("--notify-to " + *to + ": " + controller.error);
        notify.to = controller.host;
        notify.toPort = controller.port;
    }
    r7k::pjlink::Identity identity;
    identity.name = line.value("name").value_or(identity.name);
    if (identity.name.size() > kMaxName)
        return usageError("--name: at most 64 bytes");
    identity.serial = line.value("serial-number").value_or("");
    identity.version = R7K_VERSION;
    identity.info = "r7k-pjlink " R7K_VERSION;
    for (const std::string* text : {&identity.name, &identity.serial}) {
        for (const char c : *text)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                return usageError("--name and --serial-number take no control characters");
    }
    if (const auto file = line.value("password-file")) {
        QFile f(QString::fromStdString(*file));
        if (!f.open(QIODevice::ReadOnly))
            return failure(*file + ": cannot be read: " + f.errorString().toStdString());
        options.password = f.readLine(4096).toStdString();
        while (!options.password.empty() &&
               (options.password.back() == '\n' || options.password.back() == '\r'))
            options.password.pop_back();
        if (options.password.empty() || options.password.size() > kMaxPassword)
            return failure(*file + ": the password on its first line must have 1 to 32 characters");
    }

    std::signal(SIGPIPE, SIG_IGN);

    const auto log = [](const std::string& text) {
        std::fprintf(stderr, "r7k-pjlink: %s\n", text.c_str());
    };
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return std::chrono::microseconds{clock.nsecsElapsed() / 1000}; };
    // The serial component with the address as COM1; COM2 is never used.
    const auto serial =
        r7k::makeSerialPort(*address.address, *r7k::parsePortAddress("/dev/null").address);
    r7k::QtTimer lineTimeout, lineRetry, keeper, idle;
    r7k::session::LineScheduler lineScheduler(*serial, lineTimeout, lineRetry, now);
    lineScheduler.onLog = log;
    r7k::session::Projector projector(lineScheduler, keeper, now);
    r7k::pjlink::Requests requests(projector, identity, maxAge);
    r7k::pjlink::Service service(requests, options, idle, now, randomHex);
    service.onLog = log;
    r7k::pjlink::TcpFront front(service);
    if (!front.listen(listen.host, listen.port)) {
        return failure("cannot listen on " + listen.text + ": " +
                       front.errorString().toStdString());
    }
    r7k::pjlink::Notifier notifier(projector, notify);
    if (!notifier.bind(listen.host, front.serverPort())) {
        return failure("cannot listen on " + listen.text + " (UDP, for search and notification): " +
                       notifier.errorString().toStdString() +
                       "; --no-search --no-notify do without");
    }
    // What the service keeps fresh by its own looks: the status within half the age while
    // controllers are connected (so they are answered at once), and the status and the input
    // every few seconds while someone is told of their changes.
    const auto keepFresh = [&] {
        using std::chrono::milliseconds;
        constexpr milliseconds kWatch{5000};
        milliseconds status = service.connections() > 0 ? maxAge / 2 : milliseconds{0};
        if (notifier.telling())
            status = status > milliseconds{0} ? std::min(status, kWatch) : kWatch;
        projector.keep(r7k::session::Query::Status, status);
        projector.keep(r7k::session::Query::Input, notifier.telling() ? kWatch : milliseconds{0});
    };
    service.onConnections = keepFresh;
    notifier.onTelling = keepFresh;
    service.onRequest = [&notifier](const std::string& from) {
        notifier.controllerAt(QHostAddress(QString::fromStdString(from)));
    };
    projector.onValue = [&notifier](const r7k::session::Value& value) { notifier.see(value); };
    projector.onCommand = [&notifier](std::string_view code) { notifier.taken(code); };
    std::fprintf(stderr, "r7k-pjlink: answering PJLink on %s:%u for %s%s\n",
                 listen.host.toString().toLocal8Bit().constData(), front.serverPort(),
                 device->c_str(), options.password.empty() ? "" : ", with a password");
    if (options.password.empty() && !listen.host.isLoopback()) {
        std::fprintf(stderr,
                     "r7k-pjlink: warning: anyone who reaches %s can switch the projector; "
                     "give a password with --password-file\n",
                     listen.text.c_str());
    }
    lineScheduler.open(speed == "9600" ? "9600,N,8,1" : "19200,N,8,1");
    notifier.start();

    const r7k::StopSignals stops([&lineScheduler](int signo) {
        std::fprintf(stderr, "r7k-pjlink: stopped by %s; the port is closed\n", ::strsignal(signo));
        lineScheduler.close();
        QCoreApplication::exit(0);
    });
    if (!stops.ok())
        return failure(std::string("socketpair: ") + std::strerror(errno));
    return QCoreApplication::exec();
}
