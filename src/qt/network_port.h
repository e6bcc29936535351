#pragma once

#include <memory>
#include <optional>
#include <string>

#include "link/port_address.h"
#include "link/serial.h"

namespace r7k {

// The serial component for ports behind a network gateway. It lives in a module of its own
// (r7k-net.so, with Qt Network and what that needs) that is loaded the first time a port is
// given a network address, so a panel on local ports never loads it.
class NetworkPort : public SerialPort {
  public:
    // Another gateway for a port number (none: not a network port); used at its next open.
    virtual void setAddress(int port, std::optional<PortAddress> address) = 0;
};

// Loads the module and makes its component; nullptr with `error` saying why.
std::unique_ptr<NetworkPort> loadNetworkPort(std::string& error);

}  // namespace r7k
