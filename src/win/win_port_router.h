#pragma once

#include "transport/port_address.h"
#include "transport/port_router.h"
#include "win/win_serial.h"

namespace r7k::win {

// The local line, made before the router that uses it.
struct WinLocalLine {
    WinLocalLine(const PortAddress& com1, const PortAddress& com2)
        : local(com1.text(), com2.text()) {}
    WinSerial local;
};

// The port router on Windows: WinSerial for COM ports, WinGateway (Winsock) for gateways.
class WinPortRouter : private WinLocalLine, public PortRouter {
  public:
    WinPortRouter(const PortAddress& com1, const PortAddress& com2);
};

}  // namespace r7k::win
