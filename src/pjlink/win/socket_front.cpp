#include "pjlink/win/socket_front.h"

#include <vector>

#include "pjlink/win/socket_address.h"
#include "pjlink/win/socket_events.h"
#include "win/ui_thread.h"

namespace r7k::pjlink::win {

SocketFront::~SocketFront() {
    close();
}

bool SocketFront::listen(const std::string& host, unsigned port) {
    m_listener = openListener(
        host, port, [this] { accepted(); }, m_error);
    m_port = port;
    return m_listener != INVALID_SOCKET;
}

void SocketFront::close() {
    if (m_listener != INVALID_SOCKET) {
        SocketEvents::forget(m_listener);
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
    // Their ends are not told to the service, which goes with them.
    for (auto& [peer, owned] : m_peers)
        peer->onGone = nullptr;
    m_peers.clear();
}

void SocketFront::accepted() {
    for (;;) {
        const SOCKET socket = accept(m_listener, nullptr, nullptr);
        if (socket == INVALID_SOCKET)
            return;  // none waits (or one went before it was taken)
        take(socket);
    }
}

void SocketFront::take(SOCKET socket) {
    // Connections taken in one go may have ended meanwhile (a scanner connects and closes at
    // once): before a newcomer is turned away, what the others have sent, their ends included,
    // is read, so that the ended ones are freed.
    if (m_service.full()) {
        std::vector<SocketPeer*> others;
        for (auto& [peer, owned] : m_peers)
            others.push_back(peer);
        for (SocketPeer* other : others) {
            if (m_peers.count(other) && !other->isClosed())
                other->readNow();
        }
    }
    auto owned = std::make_unique<SocketPeer>(socket);
    SocketPeer* peer = owned.get();
    m_peers.emplace(peer, std::move(owned));
    peer->onGone = [this, peer] {
        m_service.gone(*peer);
        // Deleted from the loop: it may be inside its own event handler just now.
        const auto it = m_peers.find(peer);
        if (it == m_peers.end())
            return;
        SocketPeer* const released = it->second.release();
        m_peers.erase(it);
        r7k::win::postToUi([released] { delete released; });
    };
    if (!m_service.accept(*peer))
        return peer->abort();
    peer->onData = [this, peer](std::string_view bytes) { m_service.received(*peer, bytes); };
    peer->onEnd = [this, peer] { m_service.ended(*peer); };
    peer->onDrained = [this, peer] { m_service.drained(*peer); };
    if (!peer->start())
        peer->abort();
}

}  // namespace r7k::pjlink::win
