#pragma once

#include <QByteArray>

#include "ctl/runner.h"

namespace r7k::ctl {

// A step's result as one line of JSON. Bytes sent and received are strings in which every
// character stands for one byte, its code point being the byte's value (0 to 255), so any
// byte survives the trip through a JSON parser.
QByteArray jsonLine(const StepResult& result);

}  // namespace r7k::ctl
