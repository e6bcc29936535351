#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/values.h"

namespace r7k::pjlink {

// Class 2's datagrams on UDP: a controller's search ("%2SRCH") is answered with
// "%2ACKN=<MAC>"; anything else that arrives is no search and gets nothing.
bool isSearch(std::string_view datagram);
std::optional<std::string> searchAnswer(std::string_view datagram, std::string_view mac);

// "%2LKUP=<MAC>": the service is up and can be reached.
std::string linkUp(std::string_view mac);

// What the values seen so far say of the projector, and what changed: a status may change the
// power state and the error status, an input the input. Each change is a notification line
// ("%2POWR=3" and CR). The first value of each is no change (it is what a controller finds
// when it asks), unless a command that may change it was taken before it came.
class StatusWatch {
  public:
    std::vector<std::string> see(const session::Value& value);
    // A command with this code was taken.
    void taken(std::string_view code);

  private:
    struct Told {
        std::optional<std::string> value;
        bool changing = false;  // a command may have changed it since it was last seen
    };
    void track(Told& told, const std::string& now, std::string_view body,
               std::vector<std::string>& out);

    Told m_power;
    Told m_errors;
    Told m_input;
};

// At most this many search answers a second: a flood of searches, perhaps with a forged
// sender, gets only so many.
class SearchPace {
  public:
    static constexpr int kPerSecond = 20;
    bool allow(std::chrono::microseconds now);

  private:
    std::chrono::microseconds m_second{-1'000'000};
    int m_answers = 0;
};

}  // namespace r7k::pjlink
