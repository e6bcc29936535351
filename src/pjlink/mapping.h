#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ctl/runner.h"
#include "pjlink/protocol.h"

namespace r7k::pjlink {

// What the service says of itself: NAME, INF1, INF2, INFO, SNUM, SVER.
struct Identity {
    std::string name = "r7k";
    std::string manufacturer;  // INF1; none unless configured
    std::string product = "R7KM/R7K";
    std::string info;
    std::string serial;
    std::string version;
};

// The projector's inputs as PJLink numbers them (type digit, then number), with the step
// that selects each.
struct InputMapping {
    std::string_view pjlink;
    std::string_view step;
    int projectorInput;
    std::string_view name;  // INNM
};
inline constexpr std::array<InputMapping, 4> kInputs{{
    {"11", "input-1", 1, "Input 1 (RGB, SCART)"},
    {"12", "input-2", 2, "Input 2 (RGB)"},
    {"21", "input-3", 3, "Input 3 (Video, Y/Pb/Pr)"},
    {"22", "input-4", 4, "Input 4 (Video, S-Video, Y/Pb/Pr)"},
}};

// How a request is answered: at once, or by running steps on the projector. A set command
// may first check the projector's state (`check`), which can answer instead (ERR3 while
// cooling down, ...). A step that fails (no reply, NAK, a wrong answer, a lost line) makes
// the answer ERR4.
struct Plan {
    std::optional<std::string> now;
    std::vector<std::string> check;
    std::function<std::optional<std::string>(const std::vector<ctl::StepResult>&)> gate;
    std::vector<std::string> steps;
    std::function<std::string(const std::vector<ctl::StepResult>&)> answer;
};

Plan planFor(const Request& request, const Identity& identity);

// What PJLink says of the projector, from its replies: the power state from a STATUS result
// ('0' standby, '1' on, '2' cooling down, '3' warming up), the six error digits from the same,
// and the input's PJLink number from a MODE result (none for an input without one).
char powerState(const ctl::StepResult& status);
std::string errorStatus(const ctl::StepResult& status);
std::optional<std::string_view> pjlinkInput(const ctl::StepResult& mode);

}  // namespace r7k::pjlink
