// Burst, then a click: a megabyte at once on the line, and how soon a click still goes out.
#include <poll.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "bench_support.h"
#include "benches.h"
#include "gateway.h"

namespace r7k::bench {

namespace {

// Writes `bytes` random bytes to the master as fast as the line takes them (4096-byte writes,
// as r7k-sim --burst does); then posts a click of POWER ON to the panel's event queue, as an
// operator's click would arrive, and timestamps its bytes on the wire.
struct BurstFeeder {
    int fd;
    std::size_t bytes;
    QPushButton* button;
    Clock::time_point started{}, written{}, onWire{};
    std::size_t sent = 0;
    bool clickSeen = false;

    void run() {
        std::mt19937 random(7);
        std::string chunk;
        started = Clock::now();
        while (sent < bytes) {
            if (chunk.empty()) {
                chunk.resize(std::min<std::size_t>(4096, bytes - sent));
                for (char& c : chunk)
                    c = static_cast<char>(random() & 0xFF);
            }
            const ssize_t n = ::write(fd, chunk.data(), chunk.size());
            if (n > 0) {
                sent += std::size_t(n);
                chunk.erase(0, std::size_t(n));
                continue;
            }
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
        written = Clock::now();
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
        std::string got;
        char buf[256];
        const auto give_up = written + std::chrono::seconds(10);
        while (Clock::now() < give_up) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1)
                continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, std::size_t(n));
            if (got.find("C00\r") != std::string::npos) {
                onWire = Clock::now();
                clickSeen = true;
                return;
            }
        }
    }
};

}  // namespace

int burst(std::size_t bytes, const QString& gatewayMode) {
    Pty pty;
    Gateway gateway(pty.slave, gatewayMode);
    LivePanel panel(gateway.line());
    Heartbeat beat;
    panel.start();
    spin(500);
    const long rssBefore = rssKiB();
    const double cpuBefore = cpuSeconds();
    BurstFeeder feeder{pty.master, bytes, panel.button("Command17")};
    beat.record(true);
    std::thread feed([&feeder] { feeder.run(); });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000 && (feeder.onWire == Clock::time_point{}) &&
           !(feeder.written != Clock::time_point{} && waited.elapsed() > 12000)) {
        spin(5);
    }
    spin(100);
    beat.record(false);
    feed.join();
    const double cpu = cpuSeconds() - cpuBefore;
    const long rssAfter = rssKiB();
    std::printf(
        "{\"bench\":\"burst_inprocess\",\"path\":\"%s\",\"bytes\":%zu,\"burst_ms\":%.1f,"
        "\"click_to_wire_ms\":%s,"
        "\"late_p99_ms\":%.2f,\"late_max_ms\":%.2f,\"cpu_s\":%.3f,\"rss_before_kib\":%ld,"
        "\"rss_after_kib\":%ld,\"rxd\":\"%s\"}\n",
        gateway.path().c_str(), feeder.sent, usSince(feeder.started, feeder.written) / 1000.0,
        feeder.clickSeen
            ? QByteArray::number(usSince(feeder.written, feeder.onWire) / 1000.0, 'f', 2)
                  .constData()
            : "null",
        percentile(beat.lateMs(), 0.99), maxOf(beat.lateMs()), cpu, rssBefore, rssAfter,
        std::to_string(panel.form.state().received.size()).c_str());
    return feeder.clickSeen ? 0 : 1;
}

}  // namespace r7k::bench
