#pragma once

#include <QElapsedTimer>
#include <functional>
#include <string_view>

#include "panel/headless_window.h"
#include "qt/qt_timer.h"
#include "session/script_runner.h"

namespace r7k {

// The panel's core without a window, on Qt's timers and a steady clock, with the script
// runner over it: what r7k-ctl and r7k-pjlink drive. `warn` sees the panel's warnings first.
struct HeadlessRunner {
    HeadlessRunner(SerialPort& port, std::function<void(std::string_view)> warn = nullptr)
        : window(withWarn(std::move(warn))), runner(timers.panel(), port, window, pace, [this] {
              return session::microseconds{clock.nsecsElapsed() / 1000};
          }) {}

    HeadlessWindow window;
    TimerSet<QtTimer> timers;
    QtTimer pace;
    QElapsedTimer clock = started();
    session::ScriptRunner runner;

  private:
    static HeadlessWindow withWarn(std::function<void(std::string_view)> warn) {
        HeadlessWindow w;
        w.onWarn = std::move(warn);
        return w;
    }
    static QElapsedTimer started() {
        QElapsedTimer t;
        t.start();
        return t;
    }
};

}  // namespace r7k
