#include "ctl/invocation.h"

#include <array>
#include <charconv>

#include "base/command_line.h"
#include "ctl/output.h"

namespace r7k::ctl {
namespace {

constexpr int kMaxTimeoutMs = 3'600'000;

constexpr std::array<cli::OptionSpec, 7> kOptions{{
    {"port", 0, true},
    {"speed", 0, true},
    {"timeout", 0, true},
    {"json", 0, false},
    {"value", 0, false},
    {"help", 'h', false},
    {"version", 'v', false},
}};

Invocation failed(Invocation invocation, std::string error) {
    invocation.error = std::move(error);
    return invocation;
}

}  // namespace

Invocation readInvocation(const std::vector<std::string>& args) {
    Invocation out;
    // Everything after the first step is a step, so "send -X" or "wait -1" are read as steps.
    const cli::CommandLine line = cli::parseCommandLine(args, kOptions, true);
    if (!line.error.empty())
        return failed(std::move(out), line.error);
    if (line.has("help")) {
        out.action = Action::Help;
        return out;
    }
    if (line.has("version")) {
        out.action = Action::Version;
        return out;
    }
    if (line.has("json") && line.has("value"))
        return failed(std::move(out), "--json and --value cannot be used together");
    out.output = line.has("json")    ? Output::Json
                 : line.has("value") ? Output::Value
                                     : Output::Human;
    const std::string baud = line.value("speed").value_or("19200");
    if (baud != "19200" && baud != "9600")
        return failed(std::move(out), "--speed " + baud + ": expected 19200 or 9600");
    out.options.speed9600 = baud == "9600";
    if (const auto timeout = line.value("timeout")) {
        int ms = 0;
        const char* end = timeout->data() + timeout->size();
        const auto [stop, ec] = std::from_chars(timeout->data(), end, ms);
        if (ec != std::errc{} || stop != end || ms < 1 || ms > kMaxTimeoutMs) {
            return failed(std::move(out),
                          "--timeout " + *timeout + ": expected milliseconds from 1 to 3600000");
        }
        out.options.timeout = std::chrono::milliseconds{ms};
    }
    out.port = line.value("port").value_or("");
    if (line.has("port") && out.port.empty())
        return failed(std::move(out), "--port needs a device, gateway address, COM1 or COM2");
    if (line.positional == std::vector<std::string>{"list"}) {
        out.action = Action::List;
        return out;
    }
    if (line.positional.empty())
        return failed(std::move(out), "no steps given");
    ParsedSteps parsed = parseSteps(line.positional);
    if (!parsed.error.empty())
        return failed(std::move(out), parsed.error);
    out.steps = std::move(parsed.steps);
    return out;
}

int panelPortNamed(std::string_view port) {
    if (port.size() != 4 || (port[3] != '1' && port[3] != '2'))
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((port[i] | 0x20) != "com"[i])
            return 0;
    }
    return port[3] - '0';
}

std::string runPortName(std::string_view port) {
    if (port.empty())
        return "COM1";
    const int named = panelPortNamed(port);
    return named ? "COM" + std::to_string(named) : std::string();
}

std::string runDevice(std::string_view port, SettingsStore& store,
                      const std::function<void(const std::string&)>& warn) {
    const int named = panelPortNamed(port);
    if (!port.empty() && !named)
        return std::string(port);
    const StoredPorts ports(store);
    for (const std::string& problem : ports.problems())
        warn(problem);
    return ports.mapping(named ? named : 1, {}).address;
}

std::string helpText(std::string_view portHelp) {
    std::string text = "Usage: r7k-ctl [options] STEP...|list\n";
    text += kDescription;
    text +=
        "\n\nOptions:\n"
        "  --port DEVICE    ";
    text += portHelp;
    text +=
        "\n"
        "                   COM1 or COM2 name the panel's ports (default: the panel's COM1)\n"
        "  --speed BAUD     line speed: 19200 (default) or 9600\n"
        "  --timeout MS     wait this long for each reply instead of the panel's reply\n"
        "                   time-out\n"
        "  --json           print one JSON object per step (JSON Lines)\n"
        "  --value          print only each query's value, one line per query\n"
        "  -h, --help       show this help, then exit\n"
        "  -v, --version    show the version, then exit\n";
    return text;
}

std::string outputLine(const session::StepResult& result, Output output) {
    switch (output) {
        case Output::Json:
            return jsonLine(result);
        case Output::Value:
            return hasValue(result) ? valuePlain(result) + '\n' : std::string();
        case Output::Human:
            break;
    }
    return humanLine(result) + '\n';
}

}  // namespace r7k::ctl
