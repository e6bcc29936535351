#pragma once

#include <winsock2.h>

#include <functional>
#include <string>

namespace r7k::pjlink::win {

// A numeric IPv4 or IPv6 address and a port as a socket address; false when the text is none.
bool socketAddress(const std::string& host, unsigned port, sockaddr_storage& out, int& length);

// The numeric address and port of a socket address, "192.0.2.7" and 4352.
std::string addressText(const sockaddr* address);
unsigned portOf(const sockaddr* address);

// A TCP listener on a numeric address whose connections are announced to `onAccept` on the
// loop; `port` (0: any free one) becomes the port it listens on. INVALID_SOCKET with the
// cause in `error` when it cannot listen.
SOCKET openListener(const std::string& host, unsigned& port, std::function<void()> onAccept,
                    std::string& error);

}  // namespace r7k::pjlink::win
