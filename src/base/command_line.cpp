#include "base/command_line.h"

namespace r7k::cli {

std::optional<std::string> CommandLine::value(std::string_view name) const {
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

namespace {

const OptionSpec* find(std::span<const OptionSpec> options, std::string_view name, bool isShort) {
    for (const OptionSpec& o : options) {
        if (isShort ? (o.shortName != 0 && name.size() == 1 && name[0] == o.shortName)
                    : o.name == name)
            return &o;
    }
    return nullptr;
}

// The word after an option that takes a value is that value unless it is another option; a
// negative number is a value (refused, if at all, by the option's own range).
bool isValue(const std::string& word) {
    return word.size() < 2 || word[0] != '-' || (word[1] >= '0' && word[1] <= '9');
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args,
                             std::span<const OptionSpec> options, bool stopAtPositional) {
    CommandLine line;
    bool optionsOver = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsOver || word.size() < 2 || word[0] != '-') {
            line.positional.push_back(word);
            optionsOver = optionsOver || stopAtPositional;
            continue;
        }
        if (word == "--") {
            optionsOver = true;
            continue;
        }
        const bool isShort = word[1] != '-';
        std::string_view body = std::string_view(word).substr(isShort ? 1 : 2);
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = body.find('='); !isShort && eq != std::string_view::npos) {
            inlineValue = std::string(body.substr(eq + 1));
            body = body.substr(0, eq);
        }
        const OptionSpec* option = find(options, body, isShort);
        if (option == nullptr) {
            line.error = "unknown option '" + word + "'";
            return line;
        }
        const std::string dashed = "--" + std::string(option->name);
        if (!option->takesValue) {
            if (inlineValue) {
                line.error = dashed + " takes no value";
                return line;
            }
            line.values[std::string(option->name)];
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size() || !isValue(args[i + 1])) {
                line.error = dashed + " needs a value";
                return line;
            }
            inlineValue = args[++i];
        }
        line.values[std::string(option->name)] = *inlineValue;
    }
    return line;
}

std::vector<std::string> windowsHelpWords(std::vector<std::string> args) {
    for (std::string& word : args) {
        if (word == "/?")
            word = "--help";
    }
    return args;
}

}  // namespace r7k::cli
