#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "protocol/catalogue.h"

namespace r7k::session {

using std::chrono::milliseconds;

// The most sends one held step may ask for, and the longest pause.
inline constexpr int kMaxHoldCount = 1000;
inline constexpr milliseconds kMaxWait{24 * 3600 * 1000};

enum class StepKind : std::uint8_t { OneShot, Hold, Send, Wait };

// One step of a script run on the panel: a button clicked, a button held for a number of sends,
// a typed command sent, or a pause.
struct Step {
    StepKind kind = StepKind::OneShot;
    const OneShotButton* oneShot = nullptr;
    const HoldButton* hold = nullptr;
    int count = 1;     // sends of a held button
    std::string text;  // a typed command, UTF-8 as given
    milliseconds wait{0};
    std::string word;  // the step as the script wrote it, for messages and output
};

}  // namespace r7k::session
