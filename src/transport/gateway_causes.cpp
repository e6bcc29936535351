#include "transport/gateway_causes.h"

namespace r7k {

std::string gatewayHint(std::string_view cause, std::string_view hostPort,
                        std::string_view reason) {
    if (!reason.empty()) {
        return "\nThe gateway at " + std::string(hostPort) +
               " cannot open the serial device on its host: " + std::string(reason) +
               ". Check that device and the gateway's settings on that host.";
    }
    if (cause == kCauseRefused)
        return "\nCheck that the gateway is running and serves this TCP port.";
    if (cause == kCauseHostNotFound)
        return "\nCheck the gateway's name.";
    if (cause.find("unreachable") != std::string_view::npos)
        return "\nCheck this computer's network connection and the gateway's address.";
    if (cause.starts_with("no answer"))
        return "\nCheck that the gateway is switched on and reachable at this address.";
    return {};
}

}  // namespace r7k
