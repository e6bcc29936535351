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
    }
    return text;
}

}  // namespace r7k
