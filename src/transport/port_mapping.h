#pragma once

#include <string>
#include <string_view>

namespace r7k {

// What COM1 and COM2 stand for, by one rule on every platform: the command line's value first,
// then the value the user's settings keep (a file on Linux, the registry on Windows), then the
// platform's default device.

enum class PortOrigin { Option, Stored, Default };

struct PortMapping {
    std::string address;  // a device or a gateway address, as the port takes it
    PortOrigin origin = PortOrigin::Default;
};

// What the port list says of gateways, after the ports a machine has.
inline constexpr const char* kGatewayNote =
    "\nA projector behind a serial-to-network gateway works too: --com1 tcp://HOST:PORT or "
    "rfc2217://HOST:PORT.\n";

// `option` and `stored` are empty when there is none.
PortMapping mapPort(int port, std::string_view option, std::string_view stored);

// How a device is named whole: a path from the root, or (Windows) COM1 to COM255 in any case
// or a \\.\ name. A parameter, so each rule can be checked on any platform.
enum class DeviceNaming { Posix, Windows };
#ifdef _WIN32
inline constexpr DeviceNaming kDeviceNaming = DeviceNaming::Windows;
#else
inline constexpr DeviceNaming kDeviceNaming = DeviceNaming::Posix;
#endif

// "option", "settings file" (Windows: "registry"), "default".
std::string_view originText(PortOrigin origin, DeviceNaming naming = kDeviceNaming);

// Empty, or why a stored value cannot stand for a port: not an address, or a device not named
// whole (a program started from the desktop's menu has no useful working folder).
std::string unusablePortValue(std::string_view value, DeviceNaming naming = kDeviceNaming);

// The warning for a stored value that was skipped: where it is kept, its key, the value, why,
// and what the port stands for instead.
std::string skippedValueText(std::string_view where, std::string_view key, std::string_view value,
                             std::string_view why, int port);

// The warning for a choice that is used now but could not be kept for the next start;
// `failure` says where and why ("/home/u/.config cannot be made as a folder").
std::string notRememberedText(int port, std::string_view address, std::string_view failure);

}  // namespace r7k
