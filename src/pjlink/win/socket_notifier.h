#pragma once

#include <winsock2.h>

#include <functional>
#include <optional>
#include <string>

#include "pjlink/interfaces.h"
#include "pjlink/notices.h"
#include "session/projector.h"

namespace r7k::pjlink::win {

struct NotifyOptions {
    bool search = true;  // answer "%2SRCH"
    bool notify = true;  // send LKUP at start and POWR, ERST, INPT changes
    // Where notifications go (a numeric address); none: to the controller that sent the latest
    // request.
    std::optional<std::string> to;
    unsigned toPort = 0;  // 0: the PJLink port the service answers on
};

// Class 2 on UDP over Winsock, on the service's PJLink address and port: answers searches, and
// tells a controller of the projector's changes, as the values the line brings show them.
class SocketNotifier {
  public:
    SocketNotifier(session::Projector& projector, NotifyOptions options);
    ~SocketNotifier();
    SocketNotifier(const SocketNotifier&) = delete;
    SocketNotifier& operator=(const SocketNotifier&) = delete;

    bool bind(const std::string& host, unsigned port);
    const std::string& errorString() const { return m_error; }
    void start();  // LKUP to a set destination
    void controllerAt(const std::string& address);
    bool telling() const { return m_options.notify && m_destination.has_value(); }
    void see(const session::Value& value);
    void taken(std::string_view code);
    void close();
    // The destination changed; the projector should be watched (or no longer).
    std::function<void()> onTelling;

  private:
    void readDatagrams();
    // The address bound, unless it is every address.
    std::optional<IpAddress> localIp() const;
    void send(const std::string& line, const std::string& to, unsigned port);

    session::Projector& m_projector;
    NotifyOptions m_options;
    SOCKET m_socket = INVALID_SOCKET;
    std::string m_host;
    unsigned m_port = 0;
    std::string m_error;
    StatusWatch m_watch;
    SearchPace m_pace;
    std::optional<std::string> m_destination;
};

}  // namespace r7k::pjlink::win
