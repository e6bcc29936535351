#include "pjlink/announcer.h"

namespace r7k::pjlink {

Announcer::Announcer(session::Projector& projector, const Config& config, Send send, MacFor mac)
    : m_projector(projector),
      m_search(config.search),
      m_notify(config.notify),
      m_fixed(config.notifyTo.has_value()),
      m_send(std::move(send)),
      m_mac(std::move(mac)) {
    if (config.notifyTo) {
        m_destination = config.notifyTo->host;
        m_toPort = config.notifyTo->port;
    }
}

void Announcer::bound(std::uint16_t port) {
    if (m_toPort == 0)
        m_toPort = port;
}

void Announcer::start() {
    if (!telling())
        return;
    m_send(linkUp(m_mac(*m_destination, {})), *m_destination, m_toPort);
    if (onTelling)
        onTelling();
}

void Announcer::controllerAt(const std::string& address) {
    if (!m_notify || m_fixed || m_destination == address)
        return;
    m_destination = address;
    if (onLog) {
        onLog("notifications go to " + address + " port " + std::to_string(m_toPort) +
              " (UDP), the latest controller");
    }
    if (onTelling)
        onTelling();
}

std::optional<std::string> Announcer::datagram(std::string_view bytes, const std::string& sender,
                                               const std::string& local) {
    if (!m_search || !isSearch(bytes) || !m_pace.allow(m_projector.now()))
        return std::nullopt;
    return searchAnswer(bytes, m_mac(sender, local));
}

void Announcer::see(const session::Value& value) {
    for (const std::string& line : m_watch.see(value)) {
        if (telling())
            m_send(line, *m_destination, m_toPort);
    }
}

void Announcer::taken(std::string_view code) {
    m_watch.taken(code);
    // A power or input command taken changes what is told at once (a power on starts the
    // warm-up): look again now rather than at the next turn.
    if (telling())
        m_projector.lookNow();
}

}  // namespace r7k::pjlink
