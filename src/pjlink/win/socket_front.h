#pragma once

#include <winsock2.h>

#include <map>
#include <memory>
#include <string>

#include "pjlink/service.h"
#include "pjlink/win/socket_peer.h"

namespace r7k::pjlink::win {

// The service's TCP listener on Winsock: takes controllers' connections and gives them to the
// service as peers.
class SocketFront {
  public:
    explicit SocketFront(Service& service) : m_service(service) {}
    ~SocketFront();
    SocketFront(const SocketFront&) = delete;
    SocketFront& operator=(const SocketFront&) = delete;

    // Listens on a numeric address; false with the cause in errorString().
    bool listen(const std::string& host, unsigned port);
    unsigned serverPort() const { return m_port; }
    const std::string& errorString() const { return m_error; }
    // Closes the listener and every connection at once.
    void close();

  private:
    void accepted();
    void take(SOCKET socket);

    Service& m_service;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned m_port = 0;
    std::string m_error;
    std::map<SocketPeer*, std::unique_ptr<SocketPeer>> m_peers;
};

}  // namespace r7k::pjlink::win
