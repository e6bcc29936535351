#include "link/open_failure.h"

namespace r7k {

std::string openFailureText(const std::string& port, const std::string& device,
                            const std::string& cause) {
    std::string text = port + " (" + device + ") cannot be opened: " + cause + ".";
    if (cause.find("Permission denied") != std::string::npos) {
        text +=
            "\nThe user needs access to serial ports: add it to the 'dialout' group "
            "(sudo adduser $USER dialout), then log out and in again.";
    } else if (cause.find("locking") != std::string::npos ||
               cause.find("busy") != std::string::npos) {
        text += "\nAnother program is using the port; close it and choose the port again.";
    } else if (cause.find("No such file") != std::string::npos) {
        text +=
            "\nCheck that the adapter is plugged in; r7k-panel --list-ports shows the ports "
            "this machine has.";
    } else if (cause.find("Access is denied") != std::string::npos ||
               cause.find("Access denied") != std::string::npos) {
        // Windows' (and Wine's) words for a port another program holds open.
        text += "\nAnother program has the port open; close it and choose the port again.";
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

}  // namespace r7k
