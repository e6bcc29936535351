#include "pjlink/win/socket_notifier.h"

#include <mswsock.h>

#include "pjlink/interfaces.h"
#include "pjlink/win/adapters.h"
#include "pjlink/win/log.h"
#include "pjlink/win/socket_address.h"
#include "pjlink/win/socket_events.h"

namespace r7k::pjlink::win {
namespace {

constexpr int kMaxDatagram = 512;

}  // namespace

SocketNotifier::SocketNotifier(session::Projector& projector, const Config& config)
    : m_announcer(
          projector, config,
          [this](const std::string& line, const std::string& host, std::uint16_t port) {
              send(line, host, port);
          },
          [this](const std::string& peer, const std::string&) { return macFor(peer); }) {
    m_announcer.onLog = logLine;
}

SocketNotifier::~SocketNotifier() {
    close();
}

bool SocketNotifier::bind(const std::string& host, unsigned port) {
    m_host = host;
    m_port = port;
    m_announcer.bound(static_cast<std::uint16_t>(port));
    if (!m_announcer.needsSocket())
        return true;
    sockaddr_storage address;
    int length = 0;
    if (!socketAddress(host, port, address, length)) {
        m_error = "not a numeric address";
        return false;
    }
    m_socket = socket(address.ss_family, SOCK_DGRAM, IPPROTO_UDP);
    // Windows reports a notification that found no listener (ICMP port unreachable) as a reset
    // at the next receive; on UDP that means nothing here.
    BOOL reportResets = FALSE;
    DWORD returned = 0;
    if (m_socket != INVALID_SOCKET)
        WSAIoctl(m_socket, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0,
                 &returned, nullptr, nullptr);
    if (m_socket == INVALID_SOCKET ||
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        !SocketEvents::watch(m_socket, FD_READ, [this](long, int) { readDatagrams(); })) {
        m_error = socketError(WSAGetLastError());
        close();
        return false;
    }
    return true;
}

void SocketNotifier::close() {
    if (m_socket == INVALID_SOCKET)
        return;
    SocketEvents::forget(m_socket);
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
}

std::string SocketNotifier::macFor(const std::string& peer) const {
    sockaddr_storage address;
    int length = 0;
    if (!socketAddress(peer, 0, address, length))
        return "00:00:00:00:00:00";
    return pjlink::macFor(listInterfaces(), localIp(),
                          *ipOf(reinterpret_cast<const sockaddr*>(&address)));
}

std::optional<IpAddress> SocketNotifier::localIp() const {
    sockaddr_storage bound;
    int length = 0;
    if (!socketAddress(m_host, 0, bound, length))
        return std::nullopt;
    const auto ip = ipOf(reinterpret_cast<const sockaddr*>(&bound));
    // The unspecified address says nothing of the interface reached.
    if (ip && *ip == IpAddress{{}, ip->size})
        return std::nullopt;
    return ip;
}

void SocketNotifier::readDatagrams() {
    char buffer[kMaxDatagram];
    for (;;) {
        sockaddr_storage from{};
        int fromLength = sizeof from;
        const int n = recvfrom(m_socket, buffer, sizeof buffer, 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
        // WSAEMSGSIZE: a datagram longer than any search, cut; it is no search. A reset is
        // one that came back from a notification (where the ioctl above is not heeded).
        const int error = n < 0 ? WSAGetLastError() : 0;
        if (n < 0 && error != WSAEMSGSIZE && error != WSAECONNRESET)
            return;
        if (n < 0)
            continue;
        const auto* sender = reinterpret_cast<const sockaddr*>(&from);
        const auto answer = m_announcer.datagram(
            std::string_view(buffer, static_cast<std::size_t>(n)), addressText(sender));
        if (answer) {
            sendto(m_socket, answer->data(), static_cast<int>(answer->size()), 0, sender,
                   fromLength);
        }
    }
}

void SocketNotifier::send(const std::string& line, const std::string& to, unsigned port) {
    sockaddr_storage address;
    int length = 0;
    if (m_socket == INVALID_SOCKET || !socketAddress(to, port, address, length))
        return;
    if (sendto(m_socket, line.data(), static_cast<int>(line.size()), 0,
               reinterpret_cast<sockaddr*>(&address), length) < 0)
        logLine(to + " port " + std::to_string(port) + ": " + socketError(WSAGetLastError()));
}

}  // namespace r7k::pjlink::win
