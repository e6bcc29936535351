#include "transport/open_failure.h"

namespace r7k {

namespace {

constexpr const char* kChooseAgain = "close it and choose the port again.";

std::string octal(std::uint32_t mode) {
    std::string digits;
    for (int shift = 9; shift >= 0; shift -= 3)
        digits += static_cast<char>('0' + ((mode >> shift) & 7));
    return digits;
}

}  // namespace

std::string openFailureText(const std::string& port, const std::string& device,
                            const std::string& cause, const std::optional<DeviceAccess>& access) {
    std::string text = port + " (" + device + ") cannot be opened: " + cause + ".";
    if (cause.find("Permission denied") != std::string::npos) {
        if (!access) {
            text +=
                "\nThe user needs access to serial ports: add it to the 'dialout' group "
                "(sudo adduser $USER dialout), then log out and in again.";
        } else if (access->groupMayOpen) {
            text += "\nThe user needs access to serial ports: add it to the '" + access->group +
                    "' group (sudo adduser $USER " + access->group +
                    "), then log out and in again.";
        } else {
            text += "\nOnly its owner (" + access->owner + ") may open it (mode " +
                    octal(access->mode) +
                    "); joining a group would not help: run as that user, or have the "
                    "administrator give the device to the 'dialout' group.";
        }
    } else if (cause.find("locking") != std::string::npos ||
               cause.find("busy") != std::string::npos) {
        text += std::string("\nAnother program is using the port; ") + kChooseAgain;
    } else if (cause.find("No such file") != std::string::npos) {
        text +=
            "\nCheck that the adapter is plugged in; r7k-panel --list-ports shows the ports "
            "this machine has.";
    } else if (cause.find("Access is denied") != std::string::npos ||
               cause.find("Access denied") != std::string::npos) {
        // Windows' (and Wine's) words for a port another program holds open.
        text += std::string("\nAnother program has the port open; ") + kChooseAgain;
    } else if (cause.find("cannot find the file") != std::string::npos ||
               cause.find("File not found") != std::string::npos ||
               cause.find("syntax is incorrect") != std::string::npos ||
               cause.find("Invalid name") != std::string::npos) {
        // Windows' (and Wine's) words for a port that does not exist, or a name that cannot be
        // one.
        text +=
            "\nThis machine has no such port. Device Manager lists the ports under \"Ports (COM & "
            "LPT)\"; the panel's COM1 right-click menu and r7k-panel --list-ports show them too.";
    }
    return text;
}

std::string lostLinkCause(const std::string& systemCause) {
    // A pseudo-terminal's far end closing can surface as any of these, by timing.
    for (const char* hangUp : {"Input/output error", "Inappropriate ioctl for device",
                               "Resource temporarily unavailable"}) {
        if (systemCause.find(hangUp) != std::string::npos)
            return "the device hung up";
    }
    if (systemCause.find("No such device") != std::string::npos ||
        systemCause.find("No such file or directory") != std::string::npos)
        return "the device is gone (unplugged or switched off)";
    return systemCause;
}

std::string forScripts(std::string text) {
    if (const std::size_t at = text.find(kChooseAgain); at != std::string::npos)
        text.replace(at, std::string(kChooseAgain).size(), "close it, then run again.");
    return text;
}

}  // namespace r7k
