#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/timer.h"

namespace r7k::fakes {

using std::chrono::milliseconds;

class FakeClock;

// A timer on the virtual clock: due at the start of its period plus its interval.
class FakeTimer : public Timer {
  public:
    FakeTimer(FakeClock& clock, std::string name) : m_clock(clock), m_name(std::move(name)) {}
    void setInterval(milliseconds interval) override;
    milliseconds interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }
    void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }

    const std::string& name() const { return m_name; }
    milliseconds due() const { return m_due; }

  private:
    friend class FakeClock;
    void arm();

    FakeClock& m_clock;
    std::string m_name;
    milliseconds m_interval{0};
    bool m_enabled = false;
    milliseconds m_due{0};
    std::uint64_t m_armOrder = 0;
    std::function<void()> m_onTick;
};

// Virtual time: advancing fires due ticks in time order (ties in the order they were armed),
// including ticks armed from inside a tick. A 5000 ms time-out takes no real time.
class FakeClock {
  public:
    FakeTimer& make(std::string name);
    milliseconds now() const { return m_now; }
    // Advances by `span`, firing every tick due up to and including the new time.
    void advance(milliseconds span);
    // Advances to the next due tick (if any within `limit`) and fires it; returns its timer.
    FakeTimer* step(milliseconds limit = milliseconds{1'000'000});
    // Called around every tick with the timer that fires (for tests that watch ticks).
    std::function<void(const FakeTimer&)> beforeTick;
    std::function<void(const FakeTimer&)> afterTick;

  private:
    friend class FakeTimer;
    FakeTimer* nextDue(milliseconds until);
    void fire(FakeTimer& timer);

    milliseconds m_now{0};
    std::uint64_t m_armCounter = 0;
    std::vector<std::unique_ptr<FakeTimer>> m_timers;
};

}  // namespace r7k::fakes
