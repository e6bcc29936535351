// Receive integrity: every streamed byte delivered, in order (a check, not a timing).
#include <poll.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "bench_support.h"
#include "benches.h"
#include "qt/qt_serial.h"

namespace r7k::bench {

// Not a timing: checks that the serial adapter's gathering of streamed bytes delivers every
// byte in order, for a trickle, isolated pieces, a bulk write and a trickle again.
int integrity() {
    Pty pty;
    QtSerial serial(QString::fromStdString(pty.slave), QStringLiteral("/dev/r7k-bench-none"));
    std::string got;
    int reports = 0;
    serial.setCommHandler([&] {
        got += serial.input();
        ++reports;
    });
    if (!serial.setSettings("19200,N,8,1").ok() || !serial.setPortOpen(true).ok()) {
        std::fprintf(stderr, "r7k-bench: cannot open %s\n", pty.slave.c_str());
        return 1;
    }
    std::string sent;  // the writer's until it is joined
    std::atomic<std::size_t> sentCount{0};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::mt19937 random(11);
        auto put = [&](const std::string& bytes) {
            std::size_t at = 0;
            while (at < bytes.size()) {
                const ssize_t n = ::write(pty.master, bytes.data() + at, bytes.size() - at);
                if (n > 0) {
                    at += std::size_t(n);
                } else {
                    pollfd p{pty.master, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                }
            }
            sent += bytes;
            sentCount += bytes.size();
        };
        auto trickle = [&](int count) {
            for (int i = 0; i < count; ++i) {
                put(std::string(1, char(random() & 0xFF)));
                std::this_thread::sleep_for(std::chrono::microseconds(520));
            }
        };
        trickle(2000);
        for (int i = 0; i < 20; ++i) {
            put("80\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(7 + i % 5));
        }
        std::string bulk(256 * 1024, '\0');
        for (char& c : bulk)
            c = char(random() & 0xFF);
        put(bulk);
        trickle(500);
        put("\x06");
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!(done && got.size() == sentCount) && waited.elapsed() < 30000)
        spin(10);
    writer.join();
    spin(100);
    const bool same = got == sent;
    std::printf(
        "{\"bench\":\"integrity\",\"sent\":%zu,\"received\":%zu,\"reports\":%d,"
        "\"identical\":%s}\n",
        sent.size(), got.size(), reports, same ? "true" : "false");
    return same ? 0 : 1;
}

}  // namespace r7k::bench
