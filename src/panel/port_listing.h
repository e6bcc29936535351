#pragma once

#include <string>
#include <utility>
#include <vector>

#include "panel/panel_options.h"
#include "panel/stored_ports.h"

namespace r7k {

// A serial port the machine has, as --list-ports shows it.
struct ListedPort {
    std::string device;  // as --com1 takes it
    // What the system says of it, by name ("description", "manufacturer", "serial number",
    // "USB id"), in order; empty values are not shown.
    std::vector<std::pair<std::string, std::string>> facts;
    std::string stablePath;  // a name that stays the adapter's in any socket; empty: none
};

// --list-ports: the ports, the example of a stable path, the gateway note, what COM1 and COM2
// stand for and why, where the settings are kept and what in them was skipped.
std::string portListing(const std::vector<ListedPort>& ports, const StoredPorts& settings,
                        const PanelOptions& options, DeviceNaming naming = kDeviceNaming);

}  // namespace r7k
