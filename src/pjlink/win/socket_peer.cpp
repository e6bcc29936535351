#include "pjlink/win/socket_peer.h"

#include <ws2tcpip.h>

#include "pjlink/win/socket_address.h"
#include "pjlink/win/socket_events.h"
#include "win/ui_thread.h"

namespace r7k::pjlink::win {

SocketPeer::SocketPeer(SOCKET socket) : m_socket(socket) {
    const BOOL one = TRUE;  // answers go out at once
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_storage peer{};
    int length = sizeof peer;
    if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
        const auto* from = reinterpret_cast<const sockaddr*>(&peer);
        m_address = addressText(from);
        m_name = m_address + ":" + std::to_string(portOf(from));
    } else {
        m_name = "a controller gone before its address was read";
    }
    m_grace.setInterval(kFinishing);
    m_grace.setHandler([this] { close(); });
}

SocketPeer::~SocketPeer() {
    if (m_socket != INVALID_SOCKET) {
        SocketEvents::forget(m_socket);
        closesocket(m_socket);
    }
}

bool SocketPeer::start() {
    return SocketEvents::watch(m_socket, FD_READ | FD_CLOSE,
                               [this](long what, int error) { event(what, error); });
}

void SocketPeer::event(long what, int error) {
    if (m_socket == INVALID_SOCKET)
        return;
    if (what == FD_WRITE)
        return writable();
    if (what == FD_CLOSE && error != 0)
        return close();  // reset
    // FD_CLOSE without an error: the controller's end, after what it sent, which is read
    // first; recv() reports the end once that is taken.
    if (m_reading && !m_finishing && !m_inputEnded)
        readable();
}

void SocketPeer::write(std::string_view bytes) {
    if (m_socket == INVALID_SOCKET)
        return;
    m_out.append(bytes);
    m_writing = true;
    writable();
    m_writing = false;
}

void SocketPeer::setReading(bool reading) {
    m_reading = reading;
    reselect();
    // What arrived while it was not read was not announced again.
    if (reading && m_socket != INVALID_SOCKET && !m_finishing && !m_inputEnded)
        readable();
}

void SocketPeer::finish() {
    if (m_socket == INVALID_SOCKET || m_finishing)
        return;
    m_finishing = true;
    m_grace.setEnabled(true);  // a controller that never reads is cut off
    writable();
}

void SocketPeer::abort() {
    m_out.clear();
    close();
}

void SocketPeer::readable() {
    char buffer[4096];
    while (m_socket != INVALID_SOCKET && m_reading && !m_finishing && !m_inputEnded) {
        const int n = recv(m_socket, buffer, sizeof buffer, 0);
        if (n > 0) {
            if (onData)
                onData(std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            return;
        if (n < 0)
            return close();  // reset
        m_inputEnded = true;
        reselect();
        if (onEnd)
            onEnd();
    }
}

void SocketPeer::writable() {
    const std::size_t before = m_out.size();
    while (!m_out.empty() && m_socket != INVALID_SOCKET) {
        const int n = send(m_socket, m_out.data(), static_cast<int>(m_out.size()), 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            break;
        if (n < 0)
            return close();  // reset, or the controller has gone
        m_out.erase(0, static_cast<std::size_t>(n));
    }
    if (m_socket == INVALID_SOCKET)
        return;
    reselect();
    if (m_finishing && m_out.empty())
        return close();
    if (m_out.size() < before && onDrained)
        onDrained();
}

void SocketPeer::reselect() {
    if (m_socket == INVALID_SOCKET)
        return;
    long events = FD_CLOSE;
    if (m_reading && !m_finishing && !m_inputEnded)
        events |= FD_READ;
    if (!m_out.empty())
        events |= FD_WRITE;  // FD_WRITE comes once the socket takes more
    SocketEvents::select(m_socket, events);
}

void SocketPeer::close() {
    if (m_socket == INVALID_SOCKET)
        return;
    m_grace.setEnabled(false);
    SocketEvents::forget(m_socket);
    shutdown(m_socket, SD_BOTH);
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    if (!m_writing) {
        if (onGone)
            onGone();
        return;
    }
    // Told from the loop: the service is writing to this peer just now.
    r7k::win::postToUi([gone = onGone] {
        if (gone)
            gone();
    });
}

}  // namespace r7k::pjlink::win
