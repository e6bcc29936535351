#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace r7k::pjlink {

// An IP address and port as text, read without the network: the service never looks up a
// name, and "localhost" is 127.0.0.1.
struct NetAddress {
    std::string host;  // "192.0.2.7" or "::1" (an IPv6 address without brackets)
    std::uint16_t port = 0;
    bool v6 = false;
    std::string text;  // as given

    bool isLoopback() const;
    bool isAny() const;  // 0.0.0.0 or ::
    // "HOST:PORT", an IPv6 address in brackets.
    std::string hostPort() const;
};

struct NetAddressResult {
    std::optional<NetAddress> address;
    std::string error;  // why the text is no address; empty when it is one
};

// Whether `text` is a dotted IPv4 address ("192.0.2.7") or an IPv6 address ("fe80::1",
// "::ffff:192.0.2.7", with a zone after "%").
bool isIPv4(std::string_view text);
bool isIPv6(std::string_view text);

// Where to listen: "[HOST:]PORT", HOST an IPv4 address, an IPv6 address in brackets or
// "localhost" (default 127.0.0.1), PORT 0 to 65535 (0: any free port).
NetAddressResult parseListenAddress(std::string_view text);

// Where a controller hears notifications: "HOST[:PORT]", HOST as above but neither every
// address nor broadcast; without PORT (0) the PJLink port the service answers on.
NetAddressResult parseControllerAddress(std::string_view text);

}  // namespace r7k::pjlink
