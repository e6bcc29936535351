#include "transport/open_failure.h"

#include <cerrno>

namespace r7k {

namespace {

constexpr const char* kChooseAgain = "close it and choose the port again.";

std::string octal(std::uint32_t mode) {
    std::string digits;
    for (int shift = 9; shift >= 0; shift -= 3)
        digits += static_cast<char>('0' + ((mode >> shift) & 7));
    return digits;
}

struct CodeFault {
    int code;
    OpenFault fault;
};

// Windows' error codes (winerror.h) for the opens the advice tells apart: file and path not
// found, access denied (how a COM port another program holds is refused), sharing violation,
// invalid name, bad path name, a folder.
constexpr CodeFault kWindowsCodes[] = {
    {2, OpenFault::Missing},  {3, OpenFault::Missing},   {5, OpenFault::Busy},
    {32, OpenFault::Busy},    {123, OpenFault::BadName}, {161, OpenFault::BadName},
    {267, OpenFault::Folder},
};

// Refused although the user may open the device is another program's lock: see classifyOpen.
constexpr CodeFault kPosixCodes[] = {
    {ENOENT, OpenFault::Missing},  {ENODEV, OpenFault::Missing}, {ENXIO, OpenFault::Missing},
    {ENOTDIR, OpenFault::Missing}, {EISDIR, OpenFault::Folder},  {EBUSY, OpenFault::Busy},
    {EACCES, OpenFault::Denied},   {EPERM, OpenFault::Denied},
};

template <std::size_t N>
OpenFault lookUp(const CodeFault (&table)[N], int code) {
    for (const CodeFault& row : table) {
        if (row.code == code)
            return row.fault;
    }
    return OpenFault::Other;
}

std::string deniedHint(const std::optional<DeviceAccess>& access) {
    if (access && !access->groupMayOpen) {
        return "\nOnly its owner (" + access->owner + ") may open it (mode " + octal(access->mode) +
               "); joining a group would not help: run as that user, or have the "
               "administrator give the device to the 'dialout' group.";
    }
    const std::string group = access ? access->group : "dialout";
    return "\nThe user needs access to serial ports: add it to the '" + group +
           "' group (sudo adduser $USER " + group + "), then log out and in again.";
}

std::string portList(DeviceNaming platform) {
    return platform == DeviceNaming::Windows
               ? "Device Manager lists the ports under \"Ports (COM & LPT)\"; the panel's COM1 "
                 "right-click menu and r7k-panel --list-ports show them too."
               : "r7k-panel --list-ports shows the ports this machine has.";
}

}  // namespace

OpenFault classifyOpen(const LocalFault& fault) {
    // Windows refuses a folder as access denied, Linux as a device it cannot set up.
    if (fault.probe.folder)
        return OpenFault::Folder;
    if (fault.platform == DeviceNaming::Windows)
        return lookUp(kWindowsCodes, fault.code);
    if (fault.probe.missing)
        return OpenFault::Missing;
    const OpenFault found = lookUp(kPosixCodes, fault.code);
    return found == OpenFault::Denied && fault.probe.mayOpen ? OpenFault::Busy : found;
}

std::string openHint(const std::string& device, const LocalFault& fault) {
    switch (classifyOpen(fault)) {
        case OpenFault::Missing:
            return fault.platform == DeviceNaming::Windows
                       ? "\nThis machine has no such port. " + portList(fault.platform)
                       : "\nCheck that the adapter is plugged in; " + portList(fault.platform);
        case OpenFault::BadName:
            return "\nThis is not a port's name. " + portList(fault.platform);
        case OpenFault::Folder:
            return "\n" + device + " is a folder, not a serial port. " + portList(fault.platform);
        case OpenFault::Denied:  // only Linux tells a denied open from a busy port
            return deniedHint(fault.probe.access);
        case OpenFault::Busy:
            return std::string("\nAnother program has the port open; ") + kChooseAgain;
        case OpenFault::Other:
            break;
    }
    return {};
}

std::string openFailureText(const std::string& label, const std::string& device,
                            const std::string& cause, const std::optional<LocalFault>& fault) {
    std::string text = label + " cannot be opened: " + cause + ".";
    if (fault)
        text += openHint(device, *fault);
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
