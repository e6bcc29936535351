#pragma once

#include <string>
#include <vector>

namespace r7k::win {

// A COM port Windows knows of.
struct SerialPortInfo {
    std::string port;          // "COM7"
    std::string friendlyName;  // "USB Serial Port (COM7)"; the port name when none is known
    std::string manufacturer;  // empty when unknown
};

// The COM ports present, sorted by number: the Ports device class first; when that finds none,
// the serial device map and the DOS device names (what Wine offers).
std::vector<SerialPortInfo> availableSerialPorts();

}  // namespace r7k::win
