// The Windows timers' pace: a 5 ms repeater (the arrow buttons' repeat) on WinTimer, run on the
// UI thread's message loop as the panel runs it. Prints the share of intervals within 1 ms of
// the period and their spread, for a timer left running and for one enabled again from its own
// tick. Run under Wine: wine win-timer-pace.exe [TICKS] [PERIOD_MS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "win/console.h"
#include "win/perf_clock.h"
#include "win/ui_thread.h"
#include "win/win_timer.h"

namespace {

double nowMs() {
    return static_cast<double>(r7k::win::counterNow()) * 1000.0 /
           static_cast<double>(r7k::win::counterFrequency());
}

// Runs `ticks` ticks of a repeater and prints one line of figures about its intervals.
void measure(const char* mode, bool reEnable, int ticks, int periodMs) {
    r7k::win::WinTimer timer;
    std::vector<double> at;
    at.reserve(static_cast<std::size_t>(ticks) + 1);
    timer.setInterval(std::chrono::milliseconds{periodMs});
    timer.setHandler([&] {
        at.push_back(nowMs());
        if (static_cast<int>(at.size()) > ticks) {
            timer.setEnabled(false);
            r7k::win::quitMessageLoop(0);
        } else if (reEnable) {
            timer.setEnabled(true);
        }
    });
    at.push_back(nowMs());
    timer.setEnabled(true);
    r7k::win::runMessageLoop();

    std::vector<double> gaps;
    for (std::size_t i = 1; i < at.size(); ++i)
        gaps.push_back(at[i] - at[i - 1]);
    const auto within = std::count_if(gaps.begin(), gaps.end(), [periodMs](double g) {
        return g >= periodMs - 1.0 && g <= periodMs + 1.0;
    });
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const auto pick = [&sorted](double q) {
        return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
    };
    const double total = at.back() - at.front();
    char line[256];
    std::snprintf(line, sizeof line,
                  "%-10s %d ms x %zu: within 1 ms %.1f %% | min %.2f p50 %.2f p99 %.2f max %.2f "
                  "| mean %.3f ms\n",
                  mode, periodMs, gaps.size(),
                  100.0 * static_cast<double>(within) / static_cast<double>(gaps.size()),
                  sorted.front(), pick(0.5), pick(0.99), sorted.back(),
                  total / static_cast<double>(gaps.size()));
    r7k::win::writeOut(line);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int ticks = argc > 1 ? std::max(10, _wtoi(argv[1])) : 1000;
    const int period = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    r7k::win::initUiThread();
    measure("running", false, ticks, period);
    measure("re-enabled", true, ticks, period);
    return 0;
}
