#pragma once

#include <winsock2.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace r7k::pjlink::win {

// The metrics endpoint on Winsock: each connection's bytes go to an HttpResponder, whose
// response is written before the connection closes; a slow client and one too many are closed
// as the responder says.
class SocketMetrics {
  public:
    explicit SocketMetrics(std::function<std::string()> render);
    ~SocketMetrics();
    SocketMetrics(const SocketMetrics&) = delete;
    SocketMetrics& operator=(const SocketMetrics&) = delete;

    bool listen(const std::string& host, unsigned port);
    bool isListening() const { return m_listener != INVALID_SOCKET; }
    unsigned serverPort() const { return m_port; }
    const std::string& errorString() const { return m_error; }
    void close();

  private:
    struct Client;
    void accepted();
    void event(SOCKET socket, long what, int error);
    void drop(SOCKET socket);

    std::function<std::string()> m_render;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned m_port = 0;
    std::string m_error;
    std::map<SOCKET, std::unique_ptr<Client>> m_clients;
};

}  // namespace r7k::pjlink::win
