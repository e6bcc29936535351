#include "panel/panel_options.h"

#include <array>

#include "base/command_line.h"
#include "transport/default_device.h"
#include "transport/port_address.h"

namespace r7k {
namespace {

constexpr std::array<cli::OptionSpec, 6> kOptions{{
    {"com1", 0, true},
    {"com2", 0, true},
    {"trace", 0, false},
    {"list-ports", 0, false},
    {"help", 'h', false},
    {"version", 'v', false},
}};

constexpr std::size_t kWidth = 79;
constexpr std::size_t kTextColumn = 19;

// One option's line of the help: its names, then its text in words wrapped under each other.
std::string helpRow(std::string_view names, std::string_view text) {
    std::string out = "  " + std::string(names);
    out.resize(kTextColumn, ' ');
    std::size_t column = kTextColumn;
    bool first = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (!first && column + 1 + word.size() > kWidth) {
            out += '\n' + std::string(kTextColumn, ' ');
            column = kTextColumn;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out + '\n';
}

PanelCommandLine usageError(const std::string& why, DeviceNaming naming) {
    return {.options = {},
            .exitStatus = 2,
            .text = "r7k-panel: " + why + "\n\n" + panelHelp(naming),
            .isError = true};
}

// A device path given from the working folder, made whole; anything else as it is.
std::string wholeName(const std::string& value, std::string_view workingFolder,
                      DeviceNaming naming) {
    const PortAddressResult parsed = parsePortAddress(value);
    if (naming != DeviceNaming::Posix || !parsed.address || parsed.address->isNetwork() ||
        value.starts_with('/') || workingFolder.empty())
        return value;
    std::string folder(workingFolder);
    if (!folder.ends_with('/'))
        folder += '/';
    return folder + (value.starts_with("./") ? value.substr(2) : value);
}

}  // namespace

std::string panelHelp(DeviceNaming naming) {
    const bool windows = naming == DeviceNaming::Windows;
    const std::string stored(originText(PortOrigin::Stored, naming));
    std::string text =
        "Usage: r7k-panel [options]\n"
        "Control panel for R7KM and R7K projectors on a serial line (COM1 at 19200,N,8,1 at "
        "start).\n\nOptions:\n";
    text += helpRow("--com1 <DEVICE>",
                    "The device that stands for COM1 (default: the " + stored + "'s, else " +
                        defaultDevice(1, naming) + "): " +
                        (windows ? "COM7 or \\\\.\\NAME"
                                 : "/dev/ttyUSB0, /dev/serial/by-id/..., a pseudo-terminal") +
                        "; or a serial-to-network gateway: tcp://HOST:PORT (a raw byte stream) "
                        "or rfc2217://HOST:PORT (Telnet, which also sets the gateway's speed).");
    text += helpRow("--com2 <DEVICE>", "The device that stands for COM2 (default: the " + stored +
                                           "'s, else " + defaultDevice(2, naming) + ").");
    text += helpRow("--trace",
                    "Print every TXD, RXD and STATUS line as it is set: milliseconds since "
                    "start, a tab, TXD, RXD or STATUS, a tab, the text.");
    text += helpRow("--list-ports",
                    "List the serial ports this machine knows, what COM1 and COM2 stand for "
                    "and why, and the " +
                        stored + ", then exit.");
    text += helpRow("-h, --help", "Show this help, then exit.");
    text += helpRow("-v, --version", "Show the version, then exit.");
    return text;
}

PanelCommandLine readPanelCommandLine(const std::vector<std::string>& args,
                                      std::string_view workingFolder, DeviceNaming naming) {
    const cli::CommandLine line = cli::parseCommandLine(args, kOptions, false);
    if (!line.error.empty())
        return usageError(line.error, naming);
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional.front() + "'", naming);
    if (line.has("help"))
        return {.options = {}, .exitStatus = 0, .text = panelHelp(naming)};
    if (line.has("version"))
        return {
            .options = {}, .exitStatus = 0, .text = std::string("r7k-panel ") + R7K_VERSION + "\n"};
    PanelCommandLine out;
    for (int port : {1, 2}) {
        const std::string name = "com" + std::to_string(port);
        const auto value = line.value(name);
        if (!value)
            continue;
        // By the rule of a stored value, so that what the panel is started with can be kept.
        const std::string whole = wholeName(*value, workingFolder, naming);
        if (const std::string why = unusablePortValue(whole, naming); !why.empty())
            return usageError("--" + name + " " + *value + ": " + why, naming);
        out.options.com[port - 1] = parsePortAddress(whole).address->text();
    }
    out.options.trace = line.has("trace");
    out.options.listPorts = line.has("list-ports");
    return out;
}

}  // namespace r7k
