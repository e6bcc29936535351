#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace r7k {

// Who may open a device, as its permissions say (where the system has them).
struct DeviceAccess {
    std::string owner;
    std::string group;
    std::uint32_t mode = 0;     // the permission bits, 0644 style
    bool groupMayOpen = false;  // the group may read and write it
};

// The operator-facing text of a failed open: the port, its device, the cause and, where it
// helps, a hint. A denied open hints at joining the device's group only where its permissions
// let that group open it.
std::string openFailureText(const std::string& port, const std::string& device,
                            const std::string& cause,
                            const std::optional<DeviceAccess>& access = std::nullopt);

// The cause of a lost link in plain words where the system's are obscure: a far end that hung
// up shows as an I/O error or as a terminal call that no longer applies.
std::string lostLinkCause(const std::string& systemCause);

// A port's failure text with the advice reworded for a script, which has no port to choose
// again: it is run again instead.
std::string forScripts(std::string text);

}  // namespace r7k
