// r7k-ctl: the panel's commands and queries from scripts, run on the panel's own core.
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

#include "ctl/json_line.h"
#include "ctl/runner.h"
#include "ctl/steps.h"
#include "link/default_device.h"
#include "link/port_address.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"

namespace {

using r7k::ctl::kExitUsage;

constexpr int kMaxTimeoutMs = 3'600'000;

// The serial component behind --port. The one place that turns an address into a port.
// The panel's own serial component, with the address as COM1 (COM2 is never used).
std::unique_ptr<r7k::SerialPort> makePort(const r7k::PortAddress& address) {
    return r7k::makeSerialPort(address, *r7k::parsePortAddress("/dev/null").address);
}

int usageError(const QString& message) {
    std::fprintf(stderr, "r7k-ctl: %s\nTry 'r7k-ctl --help' for more information.\n",
                 message.toLocal8Bit().constData());
    return kExitUsage;
}

// Stop signals reach the event loop through a socket pair, the one thing a handler may touch.
int g_signalSocket[2] = {-1, -1};

extern "C" void onStopSignal(int signo) {
    const char byte = static_cast<char>(signo);
    (void)!::write(g_signalSocket[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("r7k-ctl");
    QCoreApplication::setApplicationVersion(R7K_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(r7k::ctl::kDescription);
    // Everything after the first step is a step, so "send -X" or "wait -1" are read as steps.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption port(
        "port",
        QStringLiteral("the projector's serial device or gateway (tcp://HOST:PORT, "
                       "rfc2217://HOST:PORT), as the panel's --com1 (default %1)")
            .arg(QString::fromStdString(r7k::defaultDevice(1))),
        "DEVICE", QString::fromStdString(r7k::defaultDevice(1)));
    const QCommandLineOption speed("speed", "line speed: 19200 (default) or 9600", "BAUD", "19200");
    const QCommandLineOption timeout(
        "timeout", "wait this long for each reply instead of the panel's reply time-out", "MS");
    const QCommandLineOption json("json", "print one JSON object per step (JSON Lines)");
    const QCommandLineOption help({"h", "help"}, "show this help, then exit");
    const QCommandLineOption version({"v", "version"}, "show the version, then exit");
    parser.addOptions({port, speed, timeout, json, help, version});
    parser.addPositionalArgument("steps", "the steps to run, in order; or 'list'", "STEP...|list");

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        // Named as the program is called on the PATH, however it was started.
        QString text = parser.helpText();
        text.replace("Usage: " + QCoreApplication::arguments().constFirst(), "Usage: r7k-ctl");
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList words = parser.positionalArguments();
    if (words == QStringList{"list"}) {
        std::fputs(r7k::ctl::stepListing().c_str(), stdout);
        return 0;
    }
    if (words.isEmpty())
        return usageError("no steps given");
    std::vector<std::string> texts;
    for (const QString& w : words)
        texts.push_back(w.toStdString());
    const r7k::ctl::ParsedSteps parsed = r7k::ctl::parseSteps(texts);
    if (!parsed.error.empty())
        return usageError(QString::fromStdString(parsed.error));

    r7k::ctl::RunOptions options;
    const QString baud = parser.value(speed);
    if (baud != "19200" && baud != "9600")
        return usageError("--speed " + baud + ": expected 19200 or 9600");
    options.speed9600 = baud == "9600";
    if (parser.isSet(timeout)) {
        bool ok = false;
        const int ms = parser.value(timeout).toInt(&ok);
        if (!ok || ms < 1 || ms > kMaxTimeoutMs) {
            return usageError("--timeout " + parser.value(timeout) +
                              ": expected milliseconds from 1 to 3600000");
        }
        options.timeout = std::chrono::milliseconds{ms};
    }
    const QString device = parser.value(port);
    const r7k::PortAddressResult address = r7k::parsePortAddress(device.toStdString());
    if (!address.address)
        return usageError("--port " + device + ": " + QString::fromStdString(address.error));

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSocket) != 0) {
        std::perror("r7k-ctl: socketpair");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const std::unique_ptr<r7k::SerialPort> serial = makePort(*address.address);
    r7k::HeadlessWindow window;
    r7k::QtTimer timer1, timer2, timer3, timer4, relink, pace;
    QElapsedTimer clock;
    clock.start();
    r7k::ctl::Runner runner(
        {timer1, timer2, timer3, timer4, relink}, *serial, window, pace,
        [&clock] { return r7k::ctl::microseconds{clock.nsecsElapsed() / 1000}; });

    QSocketNotifier stops(g_signalSocket[0], QSocketNotifier::Read);
    QObject::connect(&stops, &QSocketNotifier::activated, [&runner] {
        char signo = 0;
        if (::read(g_signalSocket[0], &signo, 1) == 1)
            runner.interrupt(128 + signo);
    });

    const bool asJson = parser.isSet(json);
    QTimer::singleShot(0, [&] {
        runner.start(
            parsed.steps, options,
            [asJson](const r7k::ctl::StepResult& result) {
                const std::string line = asJson ? jsonLine(result) : humanLine(result) + '\n';
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fflush(stdout);
            },
            [](int status, const std::string& message) {
                if (!message.empty())
                    std::fprintf(stderr, "r7k-ctl: %s\n", message.c_str());
                QCoreApplication::exit(status);
            });
    });
    return QCoreApplication::exec();
}
