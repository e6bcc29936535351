#pragma once

#include <cstdint>

namespace r7k::win {

// The performance counter (QueryPerformanceCounter): the clock of the timers and of r7k-ctl's
// round-trip times, monotonic and finer than a microsecond.
std::int64_t counterNow();
// Its ticks per second, read once.
std::int64_t counterFrequency();
// The counter in microseconds, without overflow for a century of uptime.
std::int64_t counterMicroseconds();

}  // namespace r7k::win
