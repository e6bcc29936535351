#include "pjlink/interfaces.h"

namespace r7k::pjlink {
namespace {

constexpr const char* kNoMac = "00:00:00:00:00:00";

std::string shown(const NetInterface& i) {
    return i.mac.size() == 17 ? i.mac : kNoMac;
}

}  // namespace

bool inSubnet(const IpAddress& address, const IpAddress& network, int prefix) {
    if (address.size != network.size || prefix < 0 || prefix > address.size * 8)
        return false;
    for (int bit = 0; bit < prefix; ++bit) {
        const int byte = bit / 8;
        const int mask = 0x80 >> (bit % 8);
        if ((address.bytes[byte] & mask) != (network.bytes[byte] & mask))
            return false;
    }
    return true;
}

std::string macFor(const std::vector<NetInterface>& interfaces,
                   const std::optional<IpAddress>& local, const IpAddress& peer) {
    if (local) {
        for (const NetInterface& i : interfaces)
            for (const NetInterface::Entry& e : i.entries)
                if (e.ip == *local)
                    return shown(i);
    }
    for (const NetInterface& i : interfaces)
        for (const NetInterface::Entry& e : i.entries)
            if (inSubnet(peer, e.ip, e.prefix))
                return shown(i);
    for (const NetInterface& i : interfaces)
        if (i.up && !i.loopback && !i.mac.empty())
            return shown(i);
    return kNoMac;
}

}  // namespace r7k::pjlink
