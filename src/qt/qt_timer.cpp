#include "qt/qt_timer.h"

namespace r7k {

QtTimer::QtTimer() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTick)
            m_onTick();
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
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

}  // namespace r7k
