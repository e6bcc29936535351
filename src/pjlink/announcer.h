#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "pjlink/notices.h"
#include "pjlink/options.h"
#include "session/projector.h"

namespace r7k::pjlink {

// Class 2 on UDP without the socket: what the platform's datagram socket, bound to the
// service's PJLink address and port, answers and sends. Searches are answered (paced); a
// controller is told of the projector's changes as the values the line brings show them, and
// of the service's start (LKUP) when its address was given.
class Announcer {
  public:
    // Sends `line` to the numeric address `host` and `port`.
    using Send =
        std::function<void(const std::string& line, const std::string& host, std::uint16_t port)>;
    // The hardware address a controller at the numeric address `peer` knows the service by,
    // having reached it at `local` ("" when not known).
    using MacFor = std::function<std::string(const std::string& peer, const std::string& local)>;

    Announcer(session::Projector& projector, const Config& config, Send send, MacFor mac);

    // The datagram socket is needed at all (search or notification is on).
    bool needsSocket() const { return m_search || m_notify; }
    // The PJLink port the service answers on: notifications go to it unless told otherwise.
    void bound(std::uint16_t port);
    // LKUP to a set destination.
    void start();
    // A controller at `address` sent a request.
    void controllerAt(const std::string& address);
    // Someone is to be told of changes.
    bool telling() const { return m_notify && m_destination.has_value(); }
    // A datagram from `sender` to `local`: the answer to send back to it, if it is a search to
    // answer now. Looked at before anything costs more than a comparison.
    std::optional<std::string> datagram(std::string_view bytes, const std::string& sender,
                                        const std::string& local = {});

    void see(const session::Value& value);
    void taken(std::string_view code);
    // The destination changed; the projector should be watched (or no longer).
    std::function<void()> onTelling;
    std::function<void(const std::string&)> onLog;

  private:
    session::Projector& m_projector;
    bool m_search;
    bool m_notify;
    bool m_fixed;  // the destination was given
    std::uint16_t m_toPort = 0;
    Send m_send;
    MacFor m_mac;
    StatusWatch m_watch;
    SearchPace m_pace;
    std::optional<std::string> m_destination;
};

}  // namespace r7k::pjlink
