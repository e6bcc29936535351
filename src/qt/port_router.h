#pragma once

#include <memory>

#include "qt/qt_serial.h"
#include "transport/port_address.h"
#include "transport/port_router.h"

namespace r7k {

// The local line, made before the router that uses it.
struct QtLocalLine {
    QtLocalLine(const PortAddress& com1, const PortAddress& com2)
        : local(QString::fromStdString(com1.text()), QString::fromStdString(com2.text())) {}
    QtSerial local;
};

// The port router on Qt: QtSerial for devices, the network module (loaded when a port is first
// given a gateway's address) for gateways.
class QtPortRouter : private QtLocalLine, public PortRouter {
  public:
    QtPortRouter(const PortAddress& com1, const PortAddress& com2);
};

// The serial component for the two port addresses, as r7k-panel and r7k-ctl use it.
std::unique_ptr<SerialPort> makeSerialPort(const PortAddress& com1, const PortAddress& com2);

}  // namespace r7k
