#include "pjlink/qt/tcp_front.h"

#include "pjlink/qt/peer_stream.h"

namespace r7k::pjlink {

TcpFront::~TcpFront() {
    // The streams are this object's children and go with it, unheard.
    for (PeerStream* peer : m_peers)
        peer->onGone = nullptr;
}

void TcpFront::incomingConnection(qintptr descriptor) {
    // Connections taken in one go may have ended meanwhile (a scanner connects and closes at
    // once): before a newcomer is turned away, what the others have sent, their ends included,
    // is read, so that the ended ones are freed.
    if (m_service.full()) {
        const std::set<PeerStream*> others = m_peers;
        for (PeerStream* other : others) {
            if (m_peers.count(other) && !other->isClosed())
                other->readNow();
        }
    }
    auto* peer = new PeerStream(descriptor, this);
    m_peers.insert(peer);
    peer->onGone = [this, peer] {
        m_peers.erase(peer);
        m_service.gone(*peer);
        peer->deleteLater();
    };
    if (!m_service.accept(*peer))
        return peer->abort();
    if (peer->isClosed())
        return m_service.gone(*peer);  // gone before its greeting: its place is free at once
    peer->onData = [this, peer](std::string_view bytes) { m_service.received(*peer, bytes); };
    peer->onEnd = [this, peer] { m_service.ended(*peer); };
    peer->onDrained = [this, peer] { m_service.drained(*peer); };
}

}  // namespace r7k::pjlink
