#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/steps.h"
#include "panel/stored_ports.h"
#include "session/script_runner.h"

namespace r7k::ctl {

enum class Action : std::uint8_t { Run, Help, Version, List };

// What each step prints: the panel's line, a JSON object, or only a query's value.
enum class Output : std::uint8_t { Human, Json, Value };

// r7k-ctl's command line, read the same way on every platform.
struct Invocation {
    Action action = Action::Run;
    std::vector<Step> steps;
    session::RunOptions options;
    std::string port;  // --port as given; empty when none was
    Output output = Output::Human;
    std::string error;  // a usage error in r7k-ctl's words; empty when all was understood
};

Invocation readInvocation(const std::vector<std::string>& args);

// The panel's port that --port names ("COM1" or "COM2", any case): 1 or 2; else 0, a device or
// gateway address of its own.
int panelPortNamed(std::string_view port);

// The name messages give the port of a run: the panel's port that --port named (COM1 without
// --port), or none where --port gave a device or address, which then names itself.
std::string runPortName(std::string_view port);

// The device or address of a run: --port as given or, without --port or with COM1 or COM2, what
// the panel's port stands for by its stored settings (read only then; `warn` hears what in them
// was skipped).
std::string runDevice(std::string_view port, SettingsStore& store,
                      const std::function<void(const std::string&)>& warn);

// --help: the usage line, what r7k-ctl does, then its options; `portHelp` says what --port
// takes on this platform.
std::string helpText(std::string_view portHelp);

// A step's result as the chosen output prints it, ended by a line feed; empty when that output
// has nothing for the step (--value and a step that is no query).
std::string outputLine(const session::StepResult& result, Output output);

}  // namespace r7k::ctl
