#pragma once

#include <QTimer>

#include "transport/timer.h"

namespace r7k {

// A panel timer on QTimer: precise, periodic; start() and setInterval() restart the period.
// A timer that enables itself again from its own tick keeps the period its tick began: the
// tick's own delay is not added to the next period, so a repeater holds its pace.
class QtTimer : public Timer {
  public:
    QtTimer();
    void setInterval(std::chrono::milliseconds interval) override;
    std::chrono::milliseconds interval() const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_timer.isActive(); }
    void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }

  private:
    QTimer m_timer;
    std::function<void()> m_onTick;
    bool m_inTick = false;
};

}  // namespace r7k
