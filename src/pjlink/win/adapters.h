#pragma once

#include <winsock2.h>

#include <optional>
#include <vector>

#include "pjlink/interfaces.h"

namespace r7k::pjlink::win {

// The machine's network interfaces as GetAdaptersAddresses lists them.
std::vector<NetInterface> listInterfaces();

// A socket address's IP (an IPv4-mapped IPv6 address as IPv4); none for another family.
std::optional<IpAddress> ipOf(const sockaddr* address);

}  // namespace r7k::pjlink::win
