#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace r7k::pjlink {

// An IP address as its bytes: 4 for IPv4, 16 for IPv6.
struct IpAddress {
    std::array<std::uint8_t, 16> bytes{};
    int size = 4;
    bool operator==(const IpAddress&) const = default;
};

// A network interface as the platform lists it, for the search answer's hardware address.
struct NetInterface {
    std::string mac;  // "00:11:22:AA:BB:CC"; empty when it has none
    bool up = false;
    bool loopback = false;
    struct Entry {
        IpAddress ip;
        int prefix = 0;  // the network's prefix length
    };
    std::vector<Entry> entries;
};

// Whether `address` is on the network `network`/`prefix` (both of one family).
bool inSubnet(const IpAddress& address, const IpAddress& network, int prefix);

// The hardware address a controller at `peer` knows the service by: that of the interface with
// the address it reached (`local`), else of the one on the controller's network, else of the
// first one up that has one (not the loopback), else "00:00:00:00:00:00".
std::string macFor(const std::vector<NetInterface>& interfaces,
                   const std::optional<IpAddress>& local, const IpAddress& peer);

}  // namespace r7k::pjlink
