#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace r7k {

// A warning box's text as one line of the program's log on standard error, so that a session
// logged with --trace, or the journal, keeps what the operator was shown:
// "r7k-panel: 2026-12-07 14:03:12 COM1 (/dev/ttyUSB0) cannot be opened: ...\n", local time.
// The box's lines and paragraphs are joined into one: after a sentence with a blank, else with
// "; ".
std::string warningLine(std::string_view program, std::string_view text,
                        std::chrono::system_clock::time_point when);

}  // namespace r7k
