#pragma once

#include <chrono>
#include <functional>

namespace r7k {

// A millisecond timer as the panel sees it: an interval, an enabled flag and a tick callback.
// Enabling (also when already enabled) and changing the interval of a running timer both begin
// a new period from now; a timer left enabled after its tick keeps ticking at its interval.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setInterval(std::chrono::milliseconds interval) = 0;
    virtual std::chrono::milliseconds interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setHandler(std::function<void()> onTick) = 0;
};

}  // namespace r7k
