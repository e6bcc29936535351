#include "pjlink/win/adapters.h"

#include <ws2tcpip.h>
// After winsock2.h, which it needs.
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>

namespace r7k::pjlink::win {

std::optional<IpAddress> ipOf(const sockaddr* address) {
    IpAddress ip;
    if (address->sa_family == AF_INET) {
        std::memcpy(ip.bytes.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
        return ip;
    }
    if (address->sa_family != AF_INET6)
        return std::nullopt;
    const auto& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memcpy(ip.bytes.data(), v6.s6_addr + 12, 4);
        return ip;
    }
    ip.size = 16;
    std::memcpy(ip.bytes.data(), v6.s6_addr, 16);
    return ip;
}

std::vector<NetInterface> listInterfaces() {
    std::vector<NetInterface> out;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The list may grow between the calls: ask again with the size it now needs.
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return out;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        NetInterface i;
        i.up = a->OperStatus == IfOperStatusUp;
        i.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        if (a->PhysicalAddressLength == 6) {
            char mac[18];
            const BYTE* p = a->PhysicalAddress;
            std::snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", p[0], p[1], p[2], p[3],
                          p[4], p[5]);
            i.mac = mac;
        }
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
            if (const auto ip = ipOf(u->Address.lpSockaddr))
                i.entries.push_back({*ip, u->OnLinkPrefixLength});
        }
        out.push_back(std::move(i));
    }
    return out;
}

}  // namespace r7k::pjlink::win
