#include "qt/qt_timer.h"

namespace r7k {

QtTimer::QtTimer() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (!m_onTick)
            return;
        m_inTick = true;
        m_onTick();
        m_inTick = false;
    });
}

void QtTimer::setInterval(std::chrono::milliseconds interval) {
    // QTimer restarts an active timer's period on a new interval, as the panel expects.
    m_timer.setInterval(interval);
}

std::chrono::milliseconds QtTimer::interval() const {
    return m_timer.intervalAsDuration();
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled) {
        // Inside its own tick the new period begins at the tick, which the running QTimer has
        // already scheduled from its due time; restarting here would begin it late by however
        // long the event loop took to deliver the tick and the handler took to run.
        if (m_inTick && m_timer.isActive())
            return;
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

}  // namespace r7k
