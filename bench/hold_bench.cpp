// Hold pace: the repeat period of held buttons, measured on the wire.
#include <poll.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "benches.h"

namespace r7k::bench {

namespace {

// Timestamps every complete send of the watched codes as it becomes readable on the master.
class WireWatcher {
  public:
    explicit WireWatcher(int fd) : m_fd(fd), m_thread([this] { run(); }) {}
    ~WireWatcher() {
        m_stop = true;
        m_thread.join();
    }
    std::vector<Clock::time_point> times(const std::string& send) {
        std::lock_guard lock(m_mutex);
        std::vector<Clock::time_point> out;
        for (const auto& [code, t] : m_seen) {
            if (code == send)
                out.push_back(t);
        }
        return out;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_seen.clear();
    }

  private:
    void run() {
        std::string pending;
        char buf[4096];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) != 1)
                continue;
            const auto now = Clock::now();
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                continue;
            pending.append(buf, std::size_t(n));
            std::size_t cr;
            while ((cr = pending.find('\r')) != std::string::npos) {
                std::lock_guard lock(m_mutex);
                m_seen.emplace_back(pending.substr(0, cr + 1), now);
                pending.erase(0, cr + 1);
            }
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::pair<std::string, Clock::time_point>> m_seen;
    std::thread m_thread;
};

void reportHold(const char* what, const std::vector<Clock::time_point>& t, double intervalMs,
                double heldMs) {
    std::vector<double> periods, deviation;
    for (std::size_t i = 1; i < t.size(); ++i) {
        const double ms = usSince(t[i - 1], t[i]) / 1000.0;
        periods.push_back(ms);
        deviation.push_back(std::abs(ms - intervalMs));
    }
    if (qEnvironmentVariableIsSet("R7K_BENCH_PERIODS")) {
        for (double p : periods)
            std::fprintf(stderr, "%.3f ", p);
        std::fprintf(stderr, "\n");
    }
    const double mean =
        t.size() > 1 ? usSince(t.front(), t.back()) / 1000.0 / double(t.size() - 1) : 0;
    // Sends a perfect repeater makes while held: one at the press, one per interval after it.
    const double nominal = heldMs / intervalMs + 1;
    std::printf(
        "{\"bench\":\"hold\",\"button\":\"%s\",\"interval_ms\":%.0f,\"held_ms\":%.0f,"
        "\"sends\":%zu,\"nominal\":%.0f,\"rate_share\":%.4f,\"mean_period_ms\":%.3f,"
        "\"mean_error_pct\":%.2f,\"p99_dev_ms\":%.3f,\"max_dev_ms\":%.3f}\n",
        what, intervalMs, heldMs, t.size(), nominal, double(t.size()) / nominal, mean,
        (mean - intervalMs) / intervalMs * 100.0, percentile(deviation, 0.99), maxOf(deviation));
}

}  // namespace

int holdPace(int seconds) {
    Pty pty;
    LivePanel panel(pty.slave);
    panel.start();
    WireWatcher wire(pty.master);
    const int heldMs = seconds * 1000;

    // Zoom + held with the mouse: a press, the hold, a release anywhere.
    QPushButton* zoom = panel.button("Command15");
    wire.clear();
    QElapsedTimer held;
    QTest::mousePress(zoom, Qt::LeftButton);
    held.start();
    spin(heldMs);
    QTest::mouseRelease(zoom, Qt::LeftButton);
    const double zoomHeld = double(held.nsecsElapsed()) / 1e6;
    spin(200);
    reportHold("Command15 Zoom + (C47)", wire.times("C47\r"), 50, zoomHeld);

    // D.Zoom pressed and released sets the arrows to the digital-zoom pace; then an arrow.
    spin(1200);  // the release's display clear has run
    QPushButton* dzoom = panel.button("Command48");
    QTest::mousePress(dzoom, Qt::LeftButton);
    spin(100);
    QTest::mouseRelease(dzoom, Qt::LeftButton);
    spin(1200);
    QPushButton* up = panel.button("Command5");
    wire.clear();
    QTest::mousePress(up, Qt::LeftButton);
    held.restart();
    spin(heldMs);
    QTest::mouseRelease(up, Qt::LeftButton);
    const double upHeld = double(held.nsecsElapsed()) / 1e6;
    spin(200);
    reportHold("Command5 arrow after D.Zoom (C3C)", wire.times("C3C\r"), 5, upHeld);
    return 0;
}

}  // namespace r7k::bench
