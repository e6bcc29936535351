#include "pjlink/options.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>

#include "base/command_line.h"
#include "pjlink/help.h"

namespace r7k::pjlink {

namespace {

constexpr std::size_t kMaxPassword = 32;
constexpr std::size_t kMaxName = 64;

constexpr std::array<cli::OptionSpec, 15> kOptions{{
    {"port", 0, true},
    {"max-age", 0, true},
    {"listen", 0, true},
    {"password-file", 0, true},
    {"name", 0, true},
    {"speed", 0, true},
    {"max-clients", 0, true},
    {"idle-timeout", 0, true},
    {"serial-number", 0, true},
    {"no-search", 0, false},
    {"no-notify", 0, false},
    {"notify-to", 0, true},
    {"metrics", 0, true},
    {"help", 'h', false},
    {"version", 'v', false},
}};

Invocation usageError(const std::string& message) {
    return {std::nullopt, 2, "",
            "r7k-pjlink: " + message + "\nTry 'r7k-pjlink --help' for more information.\n"};
}

Invocation failure(const std::string& message) {
    return {std::nullopt, 1, "", "r7k-pjlink: " + message + "\n"};
}

// Seconds from 0 to `high`, fractions allowed, as milliseconds; or none.
std::optional<std::chrono::milliseconds> seconds(const std::string& text, double high) {
    double value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc{} || stop != end || !(value >= 0 && value <= high))
        return std::nullopt;
    return std::chrono::milliseconds{std::llround(value * 1000)};
}

// A whole number from `low` to `high`, or none.
std::optional<int> number(const std::string& text, int low, int high) {
    int n = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, n);
    if (text.empty() || ec != std::errc{} || stop != end || n < low || n > high)
        return std::nullopt;
    return n;
}

// The password on the file's first line; the error text otherwise.
std::optional<std::string> readPassword(const std::string& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || (!std::getline(in, line) && in.bad())) {
        error = file + ": cannot be read: " + std::strerror(errno);
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.empty() || line.size() > kMaxPassword) {
        error = file + ": the password on its first line must have 1 to 32 characters";
        return std::nullopt;
    }
    return line;
}

bool hasControl(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    return false;
}

// The options of the network side: addresses, notifications, the metrics.
std::optional<Invocation> readNetwork(const cli::CommandLine& line, Config& config) {
    const std::string listen = line.value("listen").value_or("127.0.0.1:4352");
    NetAddressResult address = parseListenAddress(listen);
    if (!address.address)
        return usageError("--listen " + line.value("listen").value_or("") + ": " + address.error);
    config.listen = *address.address;
    config.search = !line.has("no-search");
    config.notify = !line.has("no-notify");
    if (const auto to = line.value("notify-to")) {
        if (!config.notify)
            return usageError("--notify-to and --no-notify cannot be used together");
        address = parseControllerAddress(*to);
        if (!address.address)
            return usageError("--notify-to " + *to + ": " + address.error);
        config.notifyTo = address.address;
    }
    if (const auto metrics = line.value("metrics")) {
        address = parseListenAddress(*metrics);
        if (!address.address)
            return usageError("--metrics " + *metrics + ": " + address.error);
        config.metrics = address.address;
    }
    return std::nullopt;
}

// The options of the service: limits, the identity, the password.
std::optional<Invocation> readService(const cli::CommandLine& line, Config& config) {
    if (const auto s = line.value("max-age")) {
        const auto value = seconds(*s, 60);
        if (!value)
            return usageError("--max-age " + *s + ": expected seconds from 0 to 60");
        config.maxAge = *value;
    }
    if (const auto n = line.value("max-clients")) {
        const auto value = number(*n, 1, 1000);
        if (!value)
            return usageError("--max-clients " + *n + ": expected a number from 1 to 1000");
        config.service.maxClients = *value;
    }
    if (const auto s = line.value("idle-timeout")) {
        const auto value = number(*s, 1, 3600);
        if (!value)
            return usageError("--idle-timeout " + *s + ": expected seconds from 1 to 3600");
        config.service.idle = std::chrono::seconds{*value};
    }
    Identity& identity = config.identity;
    identity.name = line.value("name").value_or(identity.name);
    if (identity.name.size() > kMaxName)
        return usageError("--name: at most 64 bytes");
    identity.serial = line.value("serial-number").value_or("");
    if (hasControl(identity.name) || hasControl(identity.serial))
        return usageError("--name and --serial-number take no control characters");
    if (const auto file = line.value("password-file")) {
        std::string error;
        const auto password = readPassword(*file, error);
        if (!password)
            return failure(error);
        config.service.password = *password;
    }
    return std::nullopt;
}

}  // namespace

Invocation readOptions(const std::vector<std::string>& args, std::string_view version) {
    const cli::CommandLine line = cli::parseCommandLine(args, kOptions, false);
    if (!line.error.empty())
        return usageError(line.error);
    if (line.has("help"))
        return {std::nullopt, 0, std::string(kHelp), ""};
    if (line.has("version"))
        return {std::nullopt, 0, "r7k-pjlink " + std::string(version) + "\n", ""};
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional[0] + "'");
    Config config;
    const auto device = line.value("port");
    if (!device)
        return usageError("--port is required: the projector's serial device or gateway");
    const PortAddressResult port = parsePortAddress(*device);
    if (!port.address)
        return usageError("--port " + *device + ": " + port.error);
    config.device = *device;
    config.port = *port.address;
    if (auto stop = readNetwork(line, config))
        return *stop;
    const std::string speed = line.value("speed").value_or("19200");
    if (speed != "19200" && speed != "9600")
        return usageError("--speed " + speed + ": expected 19200 or 9600");
    config.lineSettings = speed + ",N,8,1";
    config.identity.version = std::string(version);
    config.identity.info = "r7k-pjlink " + std::string(version);
    if (auto stop = readService(line, config))
        return *stop;
    return {std::move(config), 0, "", ""};
}

}  // namespace r7k::pjlink
