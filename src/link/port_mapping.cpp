#include "link/port_mapping.h"

#include "link/default_device.h"
#include "link/port_address.h"

namespace r7k {

namespace {

#ifdef _WIN32
constexpr std::string_view kStoredWhere = "registry";
#else
constexpr std::string_view kStoredWhere = "settings file";
#endif

bool wholeDeviceName(std::string_view device) {
#ifdef _WIN32
    if (device.starts_with("\\\\.\\"))
        return device.size() > 4;
    if (device.size() < 4 || device.size() > 6 || !(device.starts_with("COM") ||
                                                     device.starts_with("com")))
        return false;
    int n = 0;
    for (const char c : device.substr(3)) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    return device[3] != '0' && n >= 1 && n <= 255;
#else
    return device.starts_with('/');
#endif
}

}  // namespace

std::string_view originText(PortOrigin origin) {
    switch (origin) {
        case PortOrigin::Option:
            return "option";
        case PortOrigin::Stored:
            return kStoredWhere;
        case PortOrigin::Default:
            break;
    }
    return "default";
}

PortMapping mapPort(int port, std::string_view option, std::string_view stored) {
    if (!option.empty())
        return {std::string(option), PortOrigin::Option};
    if (!stored.empty())
        return {std::string(stored), PortOrigin::Stored};
    return {defaultDevice(port), PortOrigin::Default};
}

std::string unusablePortValue(std::string_view value) {
    const PortAddressResult parsed = parsePortAddress(value);
    if (!parsed.address)
        return parsed.error;
    if (!parsed.address->isNetwork() && !wholeDeviceName(value)) {
#ifdef _WIN32
        return "not a COM port name (COM1 to COM255, or \\\\.\\NAME)";
#else
        return "not a whole device path";
#endif
    }
    return {};
}

std::string skippedValueText(std::string_view where, std::string_view key, std::string_view value,
                             std::string_view why, int port) {
    return std::string(where) + ": " + std::string(key) + " = \"" + std::string(value) +
           "\" was skipped (" + std::string(why) + "); COM" + std::to_string(port) + " is " +
           defaultDevice(port) + ".";
}

std::string notRememberedText(int port, std::string_view address, std::string_view where,
                              std::string_view why) {
    return "COM" + std::to_string(port) + " = " + std::string(address) +
           " is used now but could not be remembered: " + std::string(where) + " " +
           std::string(why) + ".";
}

}  // namespace r7k
