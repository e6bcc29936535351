#include "transport/default_device.h"

namespace r7k {

std::string defaultDevice(int port, DeviceNaming naming) {
    if (naming == DeviceNaming::Windows)
        return "COM" + std::to_string(port);
    return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace r7k
