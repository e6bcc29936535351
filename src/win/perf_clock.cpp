#include "win/perf_clock.h"

#include <windows.h>

namespace r7k::win {

std::int64_t counterNow() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

std::int64_t counterFrequency() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return frequency;
}

std::int64_t counterMicroseconds() {
    const std::int64_t t = counterNow(), f = counterFrequency();
    return t / f * 1'000'000 + t % f * 1'000'000 / f;
}

}  // namespace r7k::win
