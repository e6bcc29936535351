#include "win/win_timer.h"

#include <windows.h>
// After windows.h, which they need.
#include <timeapi.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "win/perf_clock.h"
#include "win/ui_thread.h"

namespace r7k::win {
namespace {

std::int64_t toTicks(std::chrono::milliseconds ms) {
    return ms.count() * counterFrequency() / 1000;
}

// The due times of every running timer, kept by one worker thread that sleeps until the
// earliest and posts its tick to the UI thread. A timer has at most one tick on its way: one
// the UI thread has not yet run is not followed by another (as WM_TIMER coalesces), so a busy
// UI thread is not flooded, and a repeater skips what it missed rather than bursting.
class Schedule {
  public:
    static Schedule& instance() {
        // Never destroyed: the worker may still be waiting when the program ends.
        static Schedule* const schedule = new Schedule;
        return *schedule;
    }

    void start(int id, std::uint64_t generation, std::chrono::milliseconds interval) {
        const std::lock_guard lock(m_mutex);
        const std::int64_t period = toTicks(interval);
        const std::int64_t due = counterNow() + period;
        m_slots[id] = Slot{due, period, generation, false};
        // Waking the worker is a call into the system; it is needed only when this tick is due
        // before the worker's next wake-up (a send restarts two timers every 5 ms).
        if (m_nextWake == 0 || due < m_nextWake)
            SetEvent(m_wake);
    }

    void stop(int id) {
        const std::lock_guard lock(m_mutex);
        m_slots.erase(id);
    }

    // The UI thread has taken the tick it was posted.
    void delivered(int id, std::uint64_t generation) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_slots.find(id);
        if (it != m_slots.end() && it->second.posted && it->second.generation == generation) {
            it->second.posted = false;
            if (m_nextWake == 0 || it->second.due < m_nextWake)
                SetEvent(m_wake);
        }
    }

  private:
    struct Slot {
        std::int64_t due = 0;
        std::int64_t period = 0;
        std::uint64_t generation = 0;
        bool posted = false;  // a tick is on its way to the UI thread
    };

    Schedule() {
        m_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        // A 1 ms system tick makes a timed wait end within a millisecond of its time. (Under
        // Wine a plain timed wait also keeps the pace far better than a waitable timer, whose
        // expiry goes through the Wine server.)
        timeBeginPeriod(1);
        const HANDLE thread = CreateThread(nullptr, 0, &Schedule::run, this, 0, nullptr);
        SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
        CloseHandle(thread);
    }

    static DWORD WINAPI run(void* self) {
        static_cast<Schedule*>(self)->loop();
        return 0;
    }

    // Posts what is due, then returns how long until the next due time (-1: nothing to wait
    // for), in ticks.
    std::int64_t postDue() {
        const std::lock_guard lock(m_mutex);
        const std::int64_t t = counterNow();
        std::int64_t next = -1;
        for (auto& [id, slot] : m_slots) {
            if (slot.posted)
                continue;
            if (slot.due <= t) {
                slot.posted = true;
                const int timer = id;
                const std::uint64_t generation = slot.generation;
                postToUi([timer, generation] { WinTimer::deliver(timer, generation); });
                // The next period follows this one's due time, not the late wake-up; periods
                // already missed are skipped.
                slot.due += std::max<std::int64_t>(slot.period, 1);
                if (slot.due <= t)
                    slot.due = t + std::max<std::int64_t>(slot.period, 1);
                continue;
            }
            const std::int64_t wait = slot.due - t;
            next = next < 0 ? wait : std::min(next, wait);
        }
        m_nextWake = next < 0 ? 0 : t + next;
        return next;
    }

    void loop() {
        for (;;) {
            const std::int64_t wait = postDue();
            if (wait < 0) {
                WaitForSingleObject(m_wake, INFINITE);
                continue;
            }
            // A wait wakes a millisecond late or so: the worker sleeps to about a millisecond
            // before the due time and yields its turn until then, so a 5 ms pace keeps its
            // grid. A start or stop still wakes it at once.
            const std::int64_t ms = wait * 1000 / counterFrequency();
            if (ms >= 2) {
                WaitForSingleObject(m_wake, static_cast<DWORD>(ms - 1));
                continue;
            }
            const std::int64_t until = counterNow() + wait;
            while (counterNow() < until && WaitForSingleObject(m_wake, 0) != WAIT_OBJECT_0)
                SwitchToThread();
        }
    }

    std::mutex m_mutex;
    std::map<int, Slot> m_slots;
    // When the worker wakes next by itself (QueryPerformanceCounter ticks); 0 when it waits
    // for nothing, and then every start wakes it.
    std::int64_t m_nextWake = 0;
    HANDLE m_wake = nullptr;
};

// The living timers by id; only the UI thread touches it, so a tick that arrives after its
// timer was destroyed finds nothing.
std::map<int, WinTimer*>& liveTimers() {
    static std::map<int, WinTimer*> timers;
    return timers;
}

int g_nextId = 1;

}  // namespace

WinTimer::WinTimer() : m_id(g_nextId++) {
    liveTimers()[m_id] = this;
}

WinTimer::~WinTimer() {
    liveTimers().erase(m_id);
    if (m_enabled)
        Schedule::instance().stop(m_id);
}

void WinTimer::setInterval(std::chrono::milliseconds interval) {
    m_interval = std::max(interval, std::chrono::milliseconds{0});
    if (m_enabled)
        restart();
}

void WinTimer::setEnabled(bool enabled) {
    if (enabled) {
        // Inside its own tick the next period already runs from the tick's due time; starting
        // again here would begin it late by the tick's delivery and handling.
        if (m_inTick && m_enabled)
            return;
        m_enabled = true;
        restart();
    } else if (m_enabled) {
        m_enabled = false;
        ++m_generation;  // a tick already posted is dropped
        Schedule::instance().stop(m_id);
    }
}

void WinTimer::restart() {
    ++m_generation;
    Schedule::instance().start(m_id, m_generation, m_interval);
}

void WinTimer::deliver(int id, std::uint64_t generation) {
    Schedule::instance().delivered(id, generation);
    const auto it = liveTimers().find(id);
    if (it != liveTimers().end())
        it->second->tick(generation);
}

void WinTimer::tick(std::uint64_t generation) {
    if (!m_enabled || generation != m_generation || !m_onTick)
        return;
    const int id = m_id;
    m_inTick = true;
    m_onTick();
    // The handler may have destroyed this timer (the map no longer holds it then).
    if (liveTimers().contains(id))
        m_inTick = false;
}

}  // namespace r7k::win
