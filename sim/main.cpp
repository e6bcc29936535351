// r7k-sim: a simulated projector on a pseudo-terminal (or a TCP port), so the panel runs
// without hardware.

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "options.h"
#include "port.h"
#include "simulator.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void onStopSignal(int) {
    g_stop = 1;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

int main(int argc, char** argv) {
    using namespace r7k::sim;

    ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.outcome) {
        case ParseOutcome::Help:
            std::fputs(usageText().c_str(), stdout);
            return 0;
        case ParseOutcome::Version:
            std::printf("r7k-sim %s\n", kSimVersion);
            return 0;
        case ParseOutcome::UsageError:
            std::fprintf(stderr,
                         "r7k-sim: %s\nUsage: r7k-sim [OPTION]...\n"
                         "Try 'r7k-sim --help' for more information.\n",
                         parsed.error.c_str());
            return 2;
        case ParseOutcome::Run:
            break;
    }
    const SimOptions& options = parsed.options;
    Log log(options.quiet, Clock::now());

    // The stop signals stay blocked except while the simulator waits, so none is lost between
    // a check of the flag and the wait.
    sigset_t stopSet;
    sigset_t waitMask;
    sigemptyset(&stopSet);
    for (int s : kStopSignals)
        sigaddset(&stopSet, s);
    sigprocmask(SIG_BLOCK, &stopSet, &waitMask);
    for (int s : kStopSignals)
        sigdelset(&waitMask, s);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kStopSignals)
        sigaction(s, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Port port;
    std::string error;
    bool opened = options.listenPort >= 0
                      ? port.openListener(options.listenHost, options.listenPort, error)
                  : options.device.empty() ? port.openPty(error)
                                           : port.openDevice(options.device, options.baud, error);
    if (!opened) {
        std::fprintf(stderr, "r7k-sim: %s\n", error.c_str());
        return 1;
    }
    LineLink link;
    if (!options.link.empty() && !link.create(options.link, port.path(), error)) {
        std::fprintf(stderr, "r7k-sim: %s\n", error.c_str());
        return 1;
    }

    std::printf("r7k-sim: listening on %s\n", port.path().c_str());
    std::fflush(stdout);

    std::uint64_t seed = options.seed ? *options.seed : std::random_device{}();
    if (!options.link.empty())
        log.line("linked " + options.link + " -> " + port.path());
    log.line("seed " + std::to_string(seed) + (options.fast ? ", fast power phases" : ""));

    Simulator simulator(options, port, log, seed);
    int status = simulator.run(g_stop, waitMask);
    if (status == 0)
        log.line("stopped");
    link.remove();
    return status;
}
