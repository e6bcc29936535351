#include "qt/stop_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace r7k {
namespace {

int g_socket[2] = {-1, -1};

extern "C" void onStopSignal(int signo) {
    const char byte = static_cast<char>(signo);
    (void)!::write(g_socket[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals(std::function<void(int)> stop) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_socket) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signo : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signo, &action, nullptr);
    m_notifier = std::make_unique<QSocketNotifier>(g_socket[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [stop = std::move(stop)] {
        char signo = 0;
        if (::read(g_socket[0], &signo, 1) == 1)
            stop(signo);
    });
}

StopSignals::~StopSignals() {
    m_notifier.reset();
    for (const int signo : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signo, SIG_DFL);
}

}  // namespace r7k
