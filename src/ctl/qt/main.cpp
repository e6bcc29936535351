// r7k-ctl: the panel's commands and queries from scripts, run on the panel's own core.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ctl/invocation.h"
#include "ctl/qt/headless_runner.h"
#include "qt/port_router.h"
#include "qt/settings_file.h"
#include "qt/stop_signals.h"
#include "session/script_runner.h"
#include "transport/default_device.h"
#include "transport/port_address.h"

namespace {

using r7k::session::kExitUsage;

constexpr const char* kPortHelp =
    "the projector's serial device or gateway (tcp://HOST:PORT, rfc2217://HOST:PORT);";

// The serial component behind --port. The one place that turns an address into a port.
// The panel's own serial component, with the address as COM1 (COM2 is never used).
std::unique_ptr<r7k::SerialPort> makePort(const r7k::PortAddress& address) {
    return r7k::makeSerialPort(address, *r7k::parsePortAddress("/dev/null").address);
}

void writeErr(const std::string& line) {
    std::fprintf(stderr, "r7k-ctl: %s\n", line.c_str());
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "r7k-ctl: %s\nTry 'r7k-ctl --help' for more information.\n",
                 message.c_str());
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    const r7k::ctl::Invocation call = r7k::ctl::readInvocation(args);
    if (!call.error.empty())
        return usageError(call.error);
    switch (call.action) {
        case r7k::ctl::Action::Help:
            std::fputs(r7k::ctl::helpText(kPortHelp).c_str(), stdout);
            return 0;
        case r7k::ctl::Action::Version:
            std::printf("r7k-ctl %s\n", R7K_VERSION);
            return 0;
        case r7k::ctl::Action::List:
            std::fputs(r7k::ctl::stepListing().c_str(), stdout);
            return 0;
        case r7k::ctl::Action::Run:
            break;
    }

    r7k::SettingsFile settings(r7k::userSettingsFile());
    const std::string device = r7k::ctl::runDevice(call.port, settings, writeErr);
    const r7k::PortAddressResult address = r7k::parsePortAddress(device);
    if (!address.address)
        return usageError("--port " + device + ": " + address.error);

    const std::unique_ptr<r7k::SerialPort> serial = makePort(*address.address);
    serial->setPortName(1, r7k::ctl::runPortName(call.port));
    r7k::HeadlessRunner headless(*serial);
    r7k::session::ScriptRunner& runner = headless.runner;

    const r7k::StopSignals stops([&runner](int signo) {
        runner.interrupt(128 + signo, std::string("stopped by ") + ::strsignal(signo));
    });
    if (!stops.ok()) {
        std::perror("r7k-ctl: socketpair");
        return 1;
    }

    QTimer::singleShot(0, [&] {
        runner.start(
            call.steps, call.options,
            [&call](const r7k::session::StepResult& result) {
                const std::string line = r7k::ctl::outputLine(result, call.output);
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fflush(stdout);
            },
            [](int status, const std::string& message) {
                if (!message.empty())
                    writeErr(message);
                QCoreApplication::exit(status);
            });
    });
    return QCoreApplication::exec();
}
