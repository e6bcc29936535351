#pragma once

#include <winsock2.h>

#include <optional>
#include <string>

#include "pjlink/announcer.h"
#include "pjlink/interfaces.h"

namespace r7k::pjlink::win {

// Class 2 on a Winsock UDP socket, on the service's PJLink address and port: the announcer's
// datagrams in and out.
class SocketNotifier {
  public:
    SocketNotifier(session::Projector& projector, const Config& config);
    ~SocketNotifier();
    SocketNotifier(const SocketNotifier&) = delete;
    SocketNotifier& operator=(const SocketNotifier&) = delete;

    bool bind(const std::string& host, unsigned port);
    const std::string& errorString() const { return m_error; }
    Announcer& announcer() { return m_announcer; }
    void close();

  private:
    void readDatagrams();
    void send(const std::string& line, const std::string& to, unsigned port);
    // The address bound, unless it is every address.
    std::optional<IpAddress> localIp() const;
    std::string macFor(const std::string& peer) const;

    SOCKET m_socket = INVALID_SOCKET;
    std::string m_host;
    unsigned m_port = 0;
    std::string m_error;
    Announcer m_announcer;
};

}  // namespace r7k::pjlink::win
