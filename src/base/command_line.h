#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace r7k::cli {

// One option a program accepts: "--name", and "-x" where it has a short form.
struct OptionSpec {
    std::string_view name;  // without the dashes
    char shortName = 0;     // 0: none
    bool takesValue = false;
};

// A command line read against a program's options.
struct CommandLine {
    std::map<std::string, std::string, std::less<>> values;  // options given, by name
    std::vector<std::string> positional;
    std::string error;  // a usage error in the program's words; empty when all was understood

    bool has(std::string_view name) const { return values.find(name) != values.end(); }
    std::optional<std::string> value(std::string_view name) const;
};

// Reads "--name VALUE", "--name=VALUE", "-x VALUE" and flags. A value is never taken from the
// next option ("--port --json" is an error; "--timeout -5" is a value), "--" ends the options, and
// once the first positional word is read, the rest are positional when `stopAtPositional` says so
// (a step such as "wait -1" is a step). The last of a repeated option counts.
CommandLine parseCommandLine(const std::vector<std::string>& args,
                             std::span<const OptionSpec> options, bool stopAtPositional);

// Windows' way to ask a program for help, "/?", as the --help it stands for.
std::vector<std::string> windowsHelpWords(std::vector<std::string> args);

}  // namespace r7k::cli
