#pragma once

#include <optional>

#include "transport/port_address.h"
#include "transport/serial.h"

namespace r7k {

// The serial component for ports behind a network gateway.
class NetworkPort : public SerialPort {
  public:
    // Another gateway for a port number (none: not a network port); used at its next open.
    virtual void setAddress(int port, std::optional<PortAddress> address) = 0;
};

}  // namespace r7k
