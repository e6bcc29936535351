#include "win/win_port_router.h"

#include "win/win_gateway.h"

namespace r7k::win {

WinPortRouter::WinPortRouter(const PortAddress& com1, const PortAddress& com2)
    : WinLocalLine(com1, com2),
      PortRouter({.local = local,
                  .setDevice = [this](int port,
                                      const std::string& device) { local.setDevice(port, device); },
                  .makeNetwork = [](std::string&) -> std::unique_ptr<NetworkPort> {
                      return std::make_unique<WinGateway>();
                  }},
                 com1, com2) {}

}  // namespace r7k::win
