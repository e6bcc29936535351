#pragma once

#include <functional>
#include <string>

#include "ctl/runner.h"
#include "pjlink/mapping.h"

namespace r7k::pjlink {

// Answers a request: at once, or by running its plan's check and steps, each as one batch on
// the runner's line. A batch that fails (no reply, NAK, a wrong answer, a lost line) answers
// ERR4 and says why in `failure`.
void execute(ctl::Runner& runner, Plan plan,
             std::function<void(const std::string& result, const std::string& failure)> done);

}  // namespace r7k::pjlink
