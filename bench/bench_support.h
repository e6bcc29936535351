// The parts the in-process benchmarks share: clocks and figures, a pseudo-terminal the bench
// plays as the projector, the panel wired as the application wires it, and an event-loop
// heartbeat.
#pragma once

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "panel/controller.h"
#include "qt/panel_window.h"
#include "qt/qt_timer.h"

namespace r7k::bench {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double usSince(Clock::time_point from, Clock::time_point to);
// The value below which `share` of the samples lie (nearest rank); 0 for no samples.
double percentile(std::vector<double> v, double share);
double maxOf(const std::vector<double>& v);
long rssKiB();
double cpuSeconds();

// A pseudo-terminal whose master side the bench plays as the projector.
struct Pty {
    int master = -1;
    std::string slave;

    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void drain() const;
};

// Runs the event loop for `ms`, as app.exec() would. (QTest::qWait sleeps 10 ms at a time
// between event batches, which would show up as stalls and late timers.)
void spin(int ms);

// The panel as the application builds it: window, serial component, five timers and the core.
// COM1 is a device path or a gateway's address.
struct LivePanel {
    PanelWindow window;
    std::unique_ptr<SerialPort> serial;
    QtTimer t1, t2, t3, t4, relink;
    PanelController form{{t1, t2, t3, t4, relink}, *serial, window};

    explicit LivePanel(const std::string& com1);
    QPushButton* button(const char* name) const {
        return qobject_cast<QPushButton*>(window.control(name));
    }
    // Opens the port as start-up does, shows the window and lets it settle (a gateway's
    // connection included).
    void start(bool load = true);
};

// A 10 ms precise timer that records how late each tick is against the one before: the
// event loop's stalls as the panel's own timers would feel them.
class Heartbeat {
  public:
    static constexpr milliseconds kPeriod{10};

    Heartbeat();
    void record(bool on) {
        m_recording = on;
        if (on)
            m_lateMs.clear();
    }
    const std::vector<double>& lateMs() const { return m_lateMs; }

  private:
    QTimer m_timer;
    Clock::time_point m_last{};
    bool m_recording = false;
    std::vector<double> m_lateMs;
};

}  // namespace r7k::bench
