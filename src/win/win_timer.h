#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "transport/timer.h"

namespace r7k::win {

// A panel timer on Windows, precise to about a millisecond (the message queue's SetTimer rounds
// to the 15.6 ms system tick, too coarse for a 5 ms repeat): a worker thread keeps the due
// times and posts each tick to the UI thread, where the handler runs. Enabling (also when
// enabled) and a new interval on a running timer begin a new period; a tick already posted for
// an older period is dropped. A timer enabled again from its own tick keeps the period its tick
// began, so a repeater holds its pace.
class WinTimer : public Timer {
  public:
    WinTimer();
    ~WinTimer() override;
    WinTimer(const WinTimer&) = delete;
    WinTimer& operator=(const WinTimer&) = delete;

    void setInterval(std::chrono::milliseconds interval) override;
    std::chrono::milliseconds interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }
    void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }

    // Runs a tick the worker posted for timer `id`, unless the timer is gone or has begun a
    // new period since. For the worker only.
    static void deliver(int id, std::uint64_t generation);

  private:
    void restart();
    void tick(std::uint64_t generation);

    std::chrono::milliseconds m_interval{0};
    bool m_enabled = false;
    bool m_inTick = false;
    std::uint64_t m_generation = 0;  // counts restarts; stale ticks carry an older one
    int m_id = 0;                    // this timer's slot in the worker's schedule
    std::function<void()> m_onTick;
};

}  // namespace r7k::win
