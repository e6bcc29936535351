#include "qt/port_router.h"

#include "qt/network_port.h"

namespace r7k {

QtPortRouter::QtPortRouter(const PortAddress& com1, const PortAddress& com2)
    : QtLocalLine(com1, com2),
      PortRouter({.local = local,
                  .setDevice =
                      [this](int port, const std::string& device) {
                          local.setDevice(port, QString::fromStdString(device));
                      },
                  .makeNetwork = &loadNetworkPort},
                 com1, com2) {}

std::unique_ptr<SerialPort> makeSerialPort(const PortAddress& com1, const PortAddress& com2) {
    return std::make_unique<QtPortRouter>(com1, com2);
}

}  // namespace r7k
