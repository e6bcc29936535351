#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/step.h"

namespace r7k::ctl {

using session::kMaxHoldCount;
using session::kMaxWait;
using session::Step;
using session::StepKind;
using std::chrono::milliseconds;

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
