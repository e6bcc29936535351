#pragma once

#include <QHostAddress>
#include <string>

namespace r7k::pjlink {

// Where the service listens: "[HOST:]PORT", HOST an IPv4 address, an IPv6 address in
// brackets or "localhost" (default 127.0.0.1), PORT 0 to 65535 (0: any free port).
struct ListenAddress {
    QHostAddress host;
    quint16 port = 0;
    std::string text;   // as given
    std::string error;  // why it is no address to listen on; empty when it is one
};

ListenAddress parseListenAddress(const std::string& text);

// Where a controller hears notifications: "HOST[:PORT]", HOST as above but neither every
// address nor broadcast; without PORT (0) the PJLink port the service answers on.
ListenAddress parseControllerAddress(const std::string& text);

}  // namespace r7k::pjlink
