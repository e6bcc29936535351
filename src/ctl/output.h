#pragma once

#include <string>

#include "session/script_runner.h"
#include "session/values.h"

namespace r7k::ctl {

// The human form of a result: the status line if the step decoded one, else the RXD line,
// without the blanks around it; empty for a pause. A time-out reads as the panel's mark.
std::string humanLine(const session::StepResult& result);

// A step's result as one line of compact JSON, ended by a line feed. Bytes sent and received
// are strings in which every character stands for one byte, its code point being the byte's
// value (0 to 255), so any byte survives the trip through a JSON parser. The keys come in
// alphabetical order.
std::string jsonLine(const session::StepResult& result);

// A query's value for programs: as JSON, and as one line of words for shell scripts
// ("cooling-down temperature", "2-lamp 1,2"). A line taken as it came is a JSON string of its
// bytes, and itself.
std::string valueJson(const session::StepResult& result);
std::string valuePlain(const session::StepResult& result);
bool hasValue(const session::StepResult& result);

}  // namespace r7k::ctl
