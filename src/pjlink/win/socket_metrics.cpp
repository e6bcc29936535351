#include "pjlink/win/socket_metrics.h"

#include "pjlink/http_responder.h"
#include "pjlink/win/socket_address.h"
#include "pjlink/win/socket_events.h"
#include "win/ui_thread.h"
#include "win/win_timer.h"

namespace r7k::pjlink::win {

struct SocketMetrics::Client {
    explicit Client(std::function<std::string()> render) : responder(std::move(render)) {}
    HttpResponder responder;
    std::string out;  // the response not yet sent
    bool responding = false;
    r7k::win::WinTimer timeout;
};

SocketMetrics::SocketMetrics(std::function<std::string()> render) : m_render(std::move(render)) {}

SocketMetrics::~SocketMetrics() {
    close();
}

bool SocketMetrics::listen(const std::string& host, unsigned port) {
    m_listener = openListener(
        host, port, [this] { accepted(); }, m_error);
    m_port = port;
    return m_listener != INVALID_SOCKET;
}

void SocketMetrics::close() {
    if (m_listener != INVALID_SOCKET) {
        SocketEvents::forget(m_listener);
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
    while (!m_clients.empty())
        drop(m_clients.begin()->first);
}

void SocketMetrics::accepted() {
    for (;;) {
        const SOCKET socket = accept(m_listener, nullptr, nullptr);
        if (socket == INVALID_SOCKET)
            return;
        if (static_cast<int>(m_clients.size()) >= HttpResponder::kMaxConnections) {
            closesocket(socket);
            continue;
        }
        auto client = std::make_unique<Client>(m_render);
        // Whatever the client does, the connection is gone after the time-out.
        client->timeout.setInterval(HttpResponder::kClientTimeout);
        client->timeout.setHandler([this, socket] { drop(socket); });
        client->timeout.setEnabled(true);
        m_clients.emplace(socket, std::move(client));
        if (!SocketEvents::watch(
                socket, FD_READ | FD_WRITE | FD_CLOSE,
                [this, socket](long what, int error) { event(socket, what, error); }))
            drop(socket);
    }
}

void SocketMetrics::event(SOCKET socket, long what, int error) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    Client& c = *it->second;
    if (error != 0 || (what == FD_CLOSE && !c.responding))
        return drop(socket);
    char buffer[4096];
    while (!c.responding) {
        const int n = recv(socket, buffer, sizeof buffer, 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            return;
        if (n <= 0)
            return drop(socket);
        const HttpResponder::Step step =
            c.responder.take(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (step.verdict == HttpResponder::Verdict::Close)
            return drop(socket);
        if (step.verdict == HttpResponder::Verdict::Respond) {
            c.responding = true;
            c.out = step.bytes;
        }
    }
    while (!c.out.empty()) {
        const int n = send(socket, c.out.data(), static_cast<int>(c.out.size()), 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            return;  // FD_WRITE says when it takes more
        if (n < 0)
            return drop(socket);
        c.out.erase(0, static_cast<std::size_t>(n));
    }
    shutdown(socket, SD_SEND);  // one request a connection
    drop(socket);
}

void SocketMetrics::drop(SOCKET socket) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    SocketEvents::forget(socket);
    closesocket(socket);
    // Deleted from the loop: its time-out may be what runs just now.
    Client* const client = it->second.release();
    m_clients.erase(it);
    client->timeout.setEnabled(false);
    r7k::win::postToUi([client] { delete client; });
}

}  // namespace r7k::pjlink::win
