#include "transport/default_device.h"

namespace r7k {

std::string defaultDevice(int port) {
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

}  // namespace r7k
