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

SocketNotifier::SocketNotifier(session::Projector& projector, NotifyOptions options)
    : m_projector(projector), m_options(std::move(options)), m_destination(m_options.to) {}

SocketNotifier::~SocketNotifier() {
    close();
}

bool SocketNotifier::bind(const std::string& host, unsigned port) {
    m_host = host;
    m_port = port;
    if (m_options.toPort == 0)
        m_options.toPort = port;
    if (!m_options.search && !m_options.notify)
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

void SocketNotifier::start() {
    if (!telling())
        return;
    sockaddr_storage peer;
    int length = 0;
    std::string mac = "00:00:00:00:00:00";
    if (socketAddress(*m_destination, 0, peer, length))
        mac = macFor(listInterfaces(), localIp(), *ipOf(reinterpret_cast<const sockaddr*>(&peer)));
    send(linkUp(mac), *m_destination, m_options.toPort);
    if (onTelling)
        onTelling();
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

void SocketNotifier::controllerAt(const std::string& address) {
    if (!m_options.notify || m_options.to || (m_destination && *m_destination == address))
        return;
    m_destination = address;
    logLine("notifications go to " + address + " port " + std::to_string(m_options.toPort) +
            " (UDP), the latest controller");
    if (onTelling)
        onTelling();
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
        if (!m_options.search || n < 0)
            continue;
        const std::string_view bytes(buffer, static_cast<std::size_t>(n));
        if (!isSearch(bytes) || !m_pace.allow(m_projector.now()))
            continue;  // looked at before anything costs more than a comparison
        const auto* sender = reinterpret_cast<const sockaddr*>(&from);
        const auto peer = ipOf(sender);
        if (!peer)
            continue;
        const auto answer = searchAnswer(bytes, macFor(listInterfaces(), localIp(), *peer));
        sendto(m_socket, answer->data(), static_cast<int>(answer->size()), 0, sender, fromLength);
    }
}

void SocketNotifier::see(const session::Value& value) {
    for (const std::string& line : m_watch.see(value)) {
        if (telling())
            send(line, *m_destination, m_options.toPort);
    }
}

void SocketNotifier::taken(std::string_view code) {
    m_watch.taken(code);
    // A power or input command taken changes what is told at once (a power on starts the
    // warm-up): look again now rather than at the next turn.
    if (telling())
        m_projector.lookNow();
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
