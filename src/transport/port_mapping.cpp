#include "transport/port_mapping.h"

#include "transport/default_device.h"
#include "transport/port_address.h"

namespace r7k {

namespace {

bool wholeDeviceName(std::string_view device, DeviceNaming naming) {
    if (naming == DeviceNaming::Posix)
        return device.starts_with('/');
    if (device.starts_with("\\\\.\\"))
        return device.size() > 4;
    // Windows names its devices in any case: "com3" is COM3.
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    if (device.size() < 4 || device.size() > 6 || upper(device[0]) != 'C' ||
        upper(device[1]) != 'O' || upper(device[2]) != 'M' || device[3] == '0')
        return false;
    int n = 0;
    for (const char c : device.substr(3)) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    return n <= 255;
}

}  // namespace

std::string_view originText(PortOrigin origin, DeviceNaming naming) {
    switch (origin) {
        case PortOrigin::Option:
            return "option";
        case PortOrigin::Stored:
            return naming == DeviceNaming::Windows ? "registry" : "settings file";
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

std::string unusablePortValue(std::string_view value, DeviceNaming naming) {
    const PortAddressResult parsed = parsePortAddress(value);
    if (!parsed.address)
        return parsed.error;
    if (!parsed.address->isNetwork() && !wholeDeviceName(value, naming)) {
        return naming == DeviceNaming::Windows
                   ? "not a COM port name (COM1 to COM255, or \\\\.\\NAME)"
                   : "not a whole device path";
    }
    return {};
}

std::string skippedValueText(std::string_view where, std::string_view key, std::string_view value,
                             std::string_view why, int port) {
    return std::string(where) + ": " + std::string(key) + " = \"" + std::string(value) +
           "\" was skipped (" + std::string(why) + "); COM" + std::to_string(port) + " is " +
           defaultDevice(port) + ".";
}

std::string notRememberedText(int port, std::string_view address, std::string_view failure) {
    return "COM" + std::to_string(port) + " = " + std::string(address) +
           " is used now but could not be remembered: " + std::string(failure) + ".";
}

}  // namespace r7k
