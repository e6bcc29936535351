#include "fakes/fake_clock.h"

#include <algorithm>

namespace r7k::fakes {

void FakeTimer::arm() {
    // A zero interval would tick forever at one instant; real timers tick at least 1 ms apart.
    m_due = m_clock.m_now + std::max(m_interval, milliseconds{1});
    m_armOrder = ++m_clock.m_armCounter;
}

void FakeTimer::setInterval(milliseconds interval) {
    m_interval = interval;
    if (m_enabled)
        arm();
}

void FakeTimer::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (enabled)
        arm();
}

FakeTimer& FakeClock::make(std::string name) {
    m_timers.push_back(std::make_unique<FakeTimer>(*this, std::move(name)));
    return *m_timers.back();
}

FakeTimer* FakeClock::nextDue(milliseconds until) {
    FakeTimer* best = nullptr;
    for (auto& t : m_timers) {
        if (!t->m_enabled || t->m_due > until)
            continue;
        if (best == nullptr || t->m_due < best->m_due ||
            (t->m_due == best->m_due && t->m_armOrder < best->m_armOrder)) {
            best = t.get();
        }
    }
    return best;
}

void FakeClock::fire(FakeTimer& timer) {
    m_now = timer.m_due;
    const std::uint64_t armed = timer.m_armOrder;
    if (beforeTick)
        beforeTick(timer);
    if (timer.m_onTick)
        timer.m_onTick();
    // Still enabled and not restarted by its own handler: the next period follows on.
    if (timer.m_enabled && timer.m_armOrder == armed)
        timer.arm();
    if (afterTick)
        afterTick(timer);
}

void FakeClock::advance(milliseconds span) {
    const milliseconds target = m_now + span;
    while (FakeTimer* t = nextDue(target))
        fire(*t);
    m_now = target;
}

FakeTimer* FakeClock::step(milliseconds limit) {
    FakeTimer* t = nextDue(m_now + limit);
    if (t != nullptr)
        fire(*t);
    return t;
}

}  // namespace r7k::fakes
