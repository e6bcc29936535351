#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/catalogue.h"

namespace r7k::ctl {

using std::chrono::milliseconds;

// The most sends one held step may ask for, and the longest pause.
inline constexpr int kMaxHoldCount = 1000;
inline constexpr milliseconds kMaxWait{24 * 3600 * 1000};

enum class StepKind : std::uint8_t { OneShot, Hold, Send, Wait };

// One step of a script: a button clicked, a button held for a number of sends, a typed command
// sent, or a pause.
struct Step {
    StepKind kind = StepKind::OneShot;
    const OneShotButton* oneShot = nullptr;
    const HoldButton* hold = nullptr;
    int count = 1;     // sends of a held button
    std::string text;  // a typed command, UTF-8 as given
    milliseconds wait{0};
    std::string word;  // the step as the script wrote it, for messages and output
};

// Steps read from a script's words, or the usage error that stopped the reading.
struct ParsedSteps {
    std::vector<Step> steps;
    std::string error;  // names the offending word; empty when every word was understood
};

// Reads "NAME", "NAME:COUNT" (held buttons), "send CODE" and "wait SECONDS" steps.
ParsedSteps parseSteps(const std::vector<std::string>& words);

// The known step names closest to an unknown word, best first.
std::vector<std::string_view> nearestNames(std::string_view word, std::size_t most = 3);

// What r7k-ctl does, its steps and its exit statuses: the body of its --help on every platform.
extern const char* const kDescription;

// Every step name with its kind and code, one per line, in catalogue order.
std::string stepListing();

}  // namespace r7k::ctl
