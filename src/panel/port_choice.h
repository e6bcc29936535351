#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/port_mapping.h"

namespace r7k {

class PanelController;
class PortRouter;
class StoredPorts;
class Window;

// The choice of a port's device, the same on every front end: what the menu of COM1 or COM2
// offers, which entry is ticked, and whether an address the operator chose or entered may
// stand for the port (checked before the link moves or the choice is remembered).

// A serial port the machine has now.
struct FoundPort {
    std::string device;              // the name a choice keeps
    std::vector<std::string> about;  // its description and maker, as the system names them
};

struct PortMenuEntry {
    std::string text;
    std::string address;  // empty: ask for a network address
    bool ticked = false;
};

// Whether two addresses name the same port. A path from the root is compared exactly (Linux
// device names differ by case); a Windows device name, and a gateway's scheme and host, in any
// case.
bool sameAddress(std::string_view a, std::string_view b);

// The menu of a port, in order: what it stands for now when that is not among the rest (a
// gateway, an adapter that is unplugged), the ports found, "Network address…", the default.
// The entry of `current` is ticked.
std::vector<PortMenuEntry> portMenuEntries(int port, const std::vector<FoundPort>& found,
                                           std::string_view current);

// Empty, or the warning for an address that cannot stand for the port:
// "COM1: TEXT: why". The same rule as for a stored value, so what is chosen can be kept.
std::string portChoiceProblem(int port, std::string_view text, DeviceNaming naming = kDeviceNaming);

// The operator's choice of an address for a port, from a menu or the address prompt: refused
// with a warning when it cannot stand for the port; else the link moves there by the rules of a
// port choice (a failure warns once and goes back), `moved` hears each move, and the choice is
// remembered once the open is decided (a failure to keep it is a warning, the choice stays).
void choosePort(int port, const std::string& address, PanelController& form, PortRouter& router,
                Window& window, StoredPorts& settings, std::function<void()> moved);

}  // namespace r7k
