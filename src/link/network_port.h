#pragma once

#include <optional>

#include "link/port_address.h"
#include "link/serial.h"

namespace r7k {

// The serial component for ports behind a network gateway.
class NetworkPort : public SerialPort {
  public:
    // Another gateway for a port number (none: not a network port); used at its next open.
    virtual void setAddress(int port, std::optional<PortAddress> address) = 0;
};

}  // namespace r7k
