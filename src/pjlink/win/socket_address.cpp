#include "pjlink/win/socket_address.h"

#include <ws2tcpip.h>

#include "pjlink/win/socket_events.h"

namespace r7k::pjlink::win {

bool socketAddress(const std::string& host, unsigned port, sockaddr_storage& out, int& length) {
    out = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<u_short>(port));
        length = sizeof(sockaddr_in);
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
    if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<u_short>(port));
        length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    else
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    return text;
}

unsigned portOf(const sockaddr* address) {
    return ntohs(address->sa_family == AF_INET6
                     ? reinterpret_cast<const sockaddr_in6*>(address)->sin6_port
                     : reinterpret_cast<const sockaddr_in*>(address)->sin_port);
}

SOCKET openListener(const std::string& host, unsigned& port, std::function<void()> onAccept,
                    std::string& error) {
    sockaddr_storage address;
    int length = 0;
    if (!socketAddress(host, port, address, length)) {
        error = "not a numeric address";
        return INVALID_SOCKET;
    }
    const SOCKET listener = socket(address.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        error = socketError(WSAGetLastError());
        return INVALID_SOCKET;
    }
    // Another program may not take the same address and port while this one listens.
    const BOOL one = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one),
               sizeof one);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        !SocketEvents::watch(listener, FD_ACCEPT,
                             [onAccept = std::move(onAccept)](long, int) { onAccept(); })) {
        error = socketError(WSAGetLastError());
        closesocket(listener);
        return INVALID_SOCKET;
    }
    sockaddr_storage bound{};
    int boundLength = sizeof bound;
    getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    port = portOf(reinterpret_cast<const sockaddr*>(&bound));
    return listener;
}

}  // namespace r7k::pjlink::win
