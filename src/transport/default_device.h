#pragma once

#include <string>

#include "transport/port_mapping.h"

namespace r7k {

// The device a port number stands for when nothing else says: COM1 and COM2 on Windows, the
// first two serial ports (/dev/ttyS0, /dev/ttyS1) elsewhere.
std::string defaultDevice(int port, DeviceNaming naming = kDeviceNaming);

}  // namespace r7k
