#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transport/port_mapping.h"

namespace r7k {

// What r7k-panel's command line asks for, read by one table on every platform.
struct PanelOptions {
    std::string com[2];  // what COM1 and COM2 stand for; empty: the stored value, else the default
    bool trace = false;
    bool listPorts = false;
};

// The command line read: the options to start with, or the text to say and the exit status
// (help, version, a usage error).
struct PanelCommandLine {
    PanelOptions options;
    int exitStatus = -1;  // -1: go on
    std::string text;
    bool isError = false;  // the text goes to standard error (or an error box)
};

// `args` without the program's name. A device path that is not named from the root is taken
// from `workingFolder` (the rule of a stored value asks for a whole name, and a shell's
// folder is known here); a value that could not be stored is a usage error.
PanelCommandLine readPanelCommandLine(const std::vector<std::string>& args,
                                      std::string_view workingFolder,
                                      DeviceNaming naming = kDeviceNaming);

// --help: the usage line, what the panel does, its options as this platform names its ports.
std::string panelHelp(DeviceNaming naming = kDeviceNaming);

}  // namespace r7k
