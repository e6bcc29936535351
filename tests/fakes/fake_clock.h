#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include "transport/timer.h"

namespace r7k::fakes {

using std::chrono::milliseconds;

class FakeClock;

// A timer on the virtual clock: due at the start of its period plus its interval.
class FakeTimer : public Timer {
  public:
    FakeTimer(FakeClock& clock, std::string name) : m_clock(clock), m_name(std::move(name)) {}
    void setInterval(milliseconds interval) override {
        m_interval = interval;
        if (m_enabled)
            arm();
    }
    milliseconds interval() const override { return m_interval; }
    void setEnabled(bool enabled) override {
        m_enabled = enabled;
        if (enabled)
            arm();
    }
    bool isEnabled() const override { return m_enabled; }
    void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    const std::string& name() const { return m_name; }

  private:
    friend class FakeClock;
    void arm();

    FakeClock& m_clock;
    std::string m_name;
    milliseconds m_interval{0};
    bool m_enabled = false;
    milliseconds m_due{0};
    std::uint64_t m_armed = 0;  // order of arming, for ties
    std::function<void()> m_onTick;
};

// Virtual time: advancing fires due ticks in time order (ties in the order they were armed),
// including ticks armed from inside a tick. A 5000 ms time-out takes no real time.
class FakeClock {
  public:
    FakeTimer& make(std::string name) { return m_timers.emplace_back(*this, std::move(name)); }
    milliseconds now() const { return m_now; }
    // Advances by `span`, firing every tick due up to and including the new time.
    void advance(milliseconds span) {
        const milliseconds target = m_now + span;
        for (FakeTimer* t = nextDue(target); t != nullptr; t = nextDue(target)) {
            m_now = t->m_due;
            const std::uint64_t armed = t->m_armed;
            if (t->m_onTick)
                t->m_onTick();
            // Still enabled and not restarted by its own handler: the next period follows on.
            if (t->m_enabled && t->m_armed == armed)
                t->arm();
        }
        m_now = target;
    }

  private:
    friend class FakeTimer;
    FakeTimer* nextDue(milliseconds until) {
        FakeTimer* best = nullptr;
        for (FakeTimer& t : m_timers) {
            if (t.m_enabled && t.m_due <= until &&
                (!best || std::pair(t.m_due, t.m_armed) < std::pair(best->m_due, best->m_armed)))
                best = &t;
        }
        return best;
    }

    milliseconds m_now{0};
    std::uint64_t m_armCounter = 0;
    std::list<FakeTimer> m_timers;
};

inline void FakeTimer::arm() {
    // A zero interval would tick forever at one instant; real timers tick at least 1 ms apart.
    m_due = m_clock.m_now + std::max(m_interval, milliseconds{1});
    m_armed = ++m_clock.m_armCounter;
}

}  // namespace r7k::fakes
