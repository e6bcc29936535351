#pragma once

#include <string>

#include "ctl/runner.h"

namespace r7k::ctl {

// A step's result as one line of compact JSON, ended by a line feed. Bytes sent and received
// are strings in which every character stands for one byte, its code point being the byte's
// value (0 to 255), so any byte survives the trip through a JSON parser. The keys come in
// alphabetical order.
std::string jsonLine(const StepResult& result);

}  // namespace r7k::ctl
