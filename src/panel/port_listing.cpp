#include "panel/port_listing.h"

#include <algorithm>

namespace r7k {
namespace {

std::string factLine(const std::string& name, const std::string& value) {
    std::string line = "  " + name;
    line.resize(std::max<std::size_t>(line.size() + 1, 17), ' ');
    return line + value + '\n';
}

}  // namespace

std::string portListing(const std::vector<ListedPort>& ports, const StoredPorts& settings,
                        const PanelOptions& options, DeviceNaming naming) {
    std::string out;
    if (ports.empty()) {
        out += "No serial ports found. Plug in the USB-serial adapter and try again";
        out += naming == DeviceNaming::Posix
                   ? "; a pseudo-terminal is not listed but works with --com1.\n"
                   : ".\n";
    }
    std::string example;
    for (const ListedPort& port : ports) {
        out += port.device + '\n';
        for (const auto& [name, value] : port.facts) {
            // Windows names a port by itself where it knows nothing better.
            if (!value.empty() && !(name == "description" && value == port.device))
                out += factLine(name, value);
        }
        if (!port.stablePath.empty()) {
            out += factLine("stable path", port.stablePath);
            if (example.empty())
                example = port.stablePath;
        }
    }
    if (!example.empty()) {
        out +=
            "\nFor a USB adapter use its stable path, which stays the same in any socket:\n"
            "  r7k-panel --com1 " +
            example + '\n';
    }
    out += kGatewayNote;
    out += '\n';
    for (int port : {1, 2}) {
        const PortMapping m = settings.mapping(port, options.com[port - 1]);
        out += "COM" + std::to_string(port) + " = " + m.address + " (" +
               std::string(originText(m.origin, naming)) + ")\n";
    }
    std::string kept(originText(PortOrigin::Stored, naming));
    kept[0] = char(kept[0] - 'a' + 'A');
    out += kept + ": " + settings.where() + " (" +
           (settings.storeExists() ? "exists" : "does not exist") + ")\n";
    for (const std::string& problem : settings.problems())
        out += "  " + problem + '\n';
    return out;
}

}  // namespace r7k
