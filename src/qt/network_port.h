#pragma once

#include <memory>
#include <string>

#include "transport/network_port.h"

namespace r7k {

// The network port lives in a module of its own (r7k-net.so, with Qt Network and what that
// needs) that is loaded the first time a port is given a network address, so a panel on local
// ports never loads it. Loads the module and makes its component; nullptr with `error` saying
// why.
std::unique_ptr<NetworkPort> loadNetworkPort(std::string& error);

}  // namespace r7k
