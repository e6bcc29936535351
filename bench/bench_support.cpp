#include "bench_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <QtTest>
#include <algorithm>
#include <cstdio>

#include "qt/port_router.h"
#include "transport/port_address.h"

namespace r7k::bench {

double usSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// The value below which `share` of the samples lie (nearest rank); 0 for no samples.
double percentile(std::vector<double> v, double share) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(share * double(v.size()) + 0.999999);
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

long rssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Pty::Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("r7k-bench: pseudo-terminal");
        std::exit(1);
    }
    slave = ptsname(master);
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    ::close(master);
}

void Pty::drain() const {
    char buf[4096];
    while (::read(master, buf, sizeof buf) > 0) {
    }
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

LivePanel::LivePanel(const std::string& com1)
    : serial(makeSerialPort(*parsePortAddress(com1).address,
                            *parsePortAddress("/dev/r7k-bench-none").address)) {
    window.attach(&form);
}

void LivePanel::start(bool load) {
    if (load)
        form.load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "r7k-bench: window not exposed\n");
    spin(300);
    if (load && !serial->portOpen())
        std::fprintf(stderr, "r7k-bench: COM1 is not open\n");
}

Heartbeat::Heartbeat() {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kPeriod);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const auto now = Clock::now();
        if (m_recording && m_last != Clock::time_point{})
            m_lateMs.push_back(usSince(m_last, now) / 1000.0 - double(kPeriod.count()));
        m_last = now;
    });
    m_timer.start();
}

}  // namespace r7k::bench
