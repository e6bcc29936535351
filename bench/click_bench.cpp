// Click to wire: from a click of POWER ON to its bytes readable on the line.
#include <poll.h>
#include <unistd.h>

#include <QtTest>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "benches.h"
#include "gateway.h"

namespace r7k::bench {

int clickToWire(int count, bool mouse, const QString& gatewayMode) {
    Pty pty;
    Gateway gateway(pty.slave, gatewayMode);
    LivePanel panel(gateway.line());
    panel.start();
    QPushButton* on = panel.button("Command17");
    const std::string expected = "C00\r";
    std::vector<double> us;
    int wrong = 0;
    for (int i = 0; i < count; ++i) {
        pty.drain();
        // A mouse click reaches the panel with its release: the press goes before the clock.
        if (mouse)
            QTest::mousePress(on, Qt::LeftButton);
        const auto t0 = Clock::now();
        if (mouse) {
            QTest::mouseRelease(on, Qt::LeftButton);
        } else {
            on->click();
        }
        pollfd p{pty.master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 1000);
        const auto t1 = Clock::now();
        if (ready != 1) {
            ++wrong;
            continue;
        }
        us.push_back(usSince(t0, t1));
        std::string got;
        char buf[64];
        for (int tries = 0; got.size() < expected.size() && tries < 100; ++tries) {
            const ssize_t n = ::read(pty.master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, std::size_t(n));
            } else {
                ::poll(&p, 1, 10);
            }
        }
        if (got != expected)
            ++wrong;
        // Lets the window repaint and the timers run between clicks; each click stands alone.
        spin(2);
    }
    const std::string mode = std::string(mouse ? "QTest mouse release" : "QPushButton::click") +
                             (gatewayMode.isEmpty() ? "" : " via " + gateway.path());
    std::printf(
        "{\"bench\":\"click\",\"mode\":\"%s\",\"path\":\"%s\",\"clicks\":%d,"
        "\"p50_us\":%.1f,\"p99_us\":%.1f,\"max_us\":%.1f,\"wrong\":%d}\n",
        mode.c_str(), gateway.path().c_str(), count, percentile(us, 0.5), percentile(us, 0.99),
        maxOf(us), wrong);
    return wrong == 0 ? 0 : 1;
}

}  // namespace r7k::bench
