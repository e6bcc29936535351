#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transport/port_mapping.h"

namespace r7k {

// Who may open a device, as its permissions say (where the system has them).
struct DeviceAccess {
    std::string owner;
    std::string group;
    std::uint32_t mode = 0;     // the permission bits, 0644 style
    bool groupMayOpen = false;  // the group may read and write it
};

// What a look at the port's path found, without opening it.
struct PathProbe {
    bool missing = false;  // nothing by that name (where a look can tell)
    bool folder = false;
    bool mayOpen = true;  // the user may read and write it (where a look can tell)
    std::optional<DeviceAccess> access;
};

// A local open's failure as the system reported it: errno on Linux, GetLastError() on
// Windows, and the probe of the path. Advice is chosen by these, never by the system's words,
// which vary with language and version.
struct LocalFault {
    DeviceNaming platform = kDeviceNaming;
    int code = 0;
    PathProbe probe;
};

// What went wrong, as far as the advice goes.
enum class OpenFault { Other, Missing, BadName, Folder, Denied, Busy };

OpenFault classifyOpen(const LocalFault& fault);

// The advice for a failed local open of `device`: a line break and what to do, or nothing.
std::string openHint(const std::string& device, const LocalFault& fault);

// The operator-facing text of a failed open: the port as messages name it ("COM2 (COM8)"), the
// cause and, for a local port whose fault is known, the advice that fits its device.
std::string openFailureText(const std::string& label, const std::string& device,
                            const std::string& cause,
                            const std::optional<LocalFault>& fault = std::nullopt);

// The cause of a lost link in plain words where the system's are obscure: a far end that hung
// up shows as an I/O error or as a terminal call that no longer applies.
std::string lostLinkCause(const std::string& systemCause);

// A port's failure text with the advice reworded for a script, which has no port to choose
// again: it is run again instead.
std::string forScripts(std::string text);

}  // namespace r7k
