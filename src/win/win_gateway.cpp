// Winsock before windows.h, which the other headers bring.
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which it needs.
#include <mstcpip.h>

#include "win/win_gateway.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "transport/gateway_causes.h"
#include "win/ui_thread.h"
#include "win/win_serial.h"
#include "win/windows_message.h"

namespace r7k::win {
namespace {

constexpr int kChunk = 16 * 1024;
// Probes before a silent gateway counts as gone (TCP_KEEPCNT, Windows 10 1703 and later; the
// older default of 10 probes only makes the end come later).
constexpr int kTcpKeepCount = 16;

void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// A serial line's bytes go out at once, and a gateway gone without a word ends the link.
void setUp(SOCKET s) {
    const BOOL on = TRUE;
    (void)setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    (void)setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = ULONG(std::chrono::milliseconds(GatewaySession::kKeepIdle).count());
    values.keepaliveinterval =
        ULONG(std::chrono::milliseconds(GatewaySession::kKeepInterval).count());
    DWORD n = 0;
    (void)WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &n, nullptr, nullptr);
    const DWORD count = GatewaySession::kKeepCount;
    (void)setsockopt(s, IPPROTO_TCP, kTcpKeepCount, reinterpret_cast<const char*>(&count),
                     sizeof count);
}

// Winsock's cause of a failed or ended connection: the words every platform uses for the
// common ones, else Windows' own.
std::string socketCause(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return std::string(kCauseRefused);
        case WSAHOST_NOT_FOUND:
        case WSANO_DATA:
            return std::string(kCauseHostNotFound);
        case WSAEHOSTUNREACH:
            return std::string(kCauseHostUnreachable);
        case WSAENETUNREACH:
            return std::string(kCauseNetUnreachable);
        case 0:  // an orderly close
        case WSAECONNRESET:
            return std::string(kCauseClosed);
        default:
            return windowsMessage(DWORD(error));
    }
}

}  // namespace

// One connection: the socket and the worker that waits on it. Shared by the UI thread and the
// worker, so that a worker that outlives a drop finds its handles intact; the socket closes
// with the last of them.
struct WinGatewayLink::Connection {
    std::string host;
    std::uint16_t port = 0;
    SOCKET socket = INVALID_SOCKET;
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);   // the owner let go
    HANDLE kick = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // room to read, bytes to send
    WSAEVENT net = WSACreateEvent();                             // the socket's events

    // The UI thread's alone.
    WinGatewayLink* owner = nullptr;  // null once dropped: what is still posted finds no one
    bool up = false;                  // connected, as reported
    bool ended = false;               // the connect failed or the connection ended

    mutable std::mutex mutex;
    std::string received;  // read from the socket, not yet taken
    std::string unsent;    // written, not yet taken by the socket
    std::atomic<bool> readPosted = false;

    ~Connection() {
        if (socket != INVALID_SOCKET)
            closesocket(socket);
        WSACloseEvent(net);
        CloseHandle(kick);
        CloseHandle(stop);
    }

    static DWORD WINAPI run(void* param) {
        // The worker's own reference keeps the connection until it is done with it.
        const std::unique_ptr<std::shared_ptr<Connection>> self(
            static_cast<std::shared_ptr<Connection>*>(param));
        (*self)->work(*self);
        return 0;
    }

    // Runs `report` on the UI thread with the owner, unless it has let go meanwhile.
    static void toOwner(const std::shared_ptr<Connection>& self,
                        std::function<void(Connection&, WinGatewayLink&)> report) {
        postToUi([weak = std::weak_ptr(self), report = std::move(report)] {
            if (const auto c = weak.lock(); c && c->owner)
                report(*c, *c->owner);
        });
    }

    void work(const std::shared_ptr<Connection>& self) {
        const int error = connectAndServe(self);
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            return;
        // Whatever came before the end is read first: it may be the gateway's reason.
        drain(self, true);
        end(self, socketCause(error));
    }

    // Tells the owner that the connect failed or the connection ended.
    static void end(const std::shared_ptr<Connection>& self, std::string cause) {
        toOwner(self, [cause = std::move(cause)](Connection& c, WinGatewayLink& link) {
            c.ended = true;
            if (link.events().ended)
                link.events().ended(cause);
        });
    }

    // Connects, then serves the connection until it ends (0: closed by the gateway) or the
    // owner lets go.
    int connectAndServe(const std::shared_ptr<Connection>& self) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        if (const int error =
                getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found)) {
            return error == WSATRY_AGAIN ? WSAHOST_NOT_FOUND : error;
        }
        const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
        {
            const std::lock_guard lock(mutex);
            socket = ::socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
        }
        if (socket == INVALID_SOCKET)
            return WSAGetLastError();
        // Also makes the socket non-blocking.
        if (WSAEventSelect(socket, net, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0)
            return WSAGetLastError();
        if (::connect(socket, found->ai_addr, int(found->ai_addrlen)) != 0 &&
            WSAGetLastError() != WSAEWOULDBLOCK)
            return WSAGetLastError();
        bool connected = false;
        for (;;) {
            const HANDLE handles[] = {stop, net, kick};
            if (WaitForMultipleObjects(3, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
                return 0;
            WSANETWORKEVENTS events{};
            if (WSAEnumNetworkEvents(socket, net, &events) != 0)
                return WSAGetLastError();
            if (events.lNetworkEvents & FD_CONNECT) {
                if (const int error = events.iErrorCode[FD_CONNECT_BIT])
                    return error;
                setUp(socket);
                connected = true;
                toOwner(self, [](Connection& c, WinGatewayLink& link) {
                    c.up = true;
                    if (link.events().connected)
                        link.events().connected();
                });
            }
            if (!connected)
                continue;
            if (const int error = flush())
                return error;
            if (events.lNetworkEvents & FD_CLOSE)
                return events.iErrorCode[FD_CLOSE_BIT];
            drain(self, false);
        }
    }

    // Sends what waits to go out, as far as the socket takes it; an error if it failed.
    int flush() {
        const std::lock_guard lock(mutex);
        while (!unsent.empty()) {
            const int n =
                send(socket, unsent.data(), int(std::min<std::size_t>(unsent.size(), kChunk)), 0);
            if (n < 0)
                return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : WSAGetLastError();
            unsent.erase(0, std::size_t(n));
        }
        return 0;
    }

    // Reads what the socket holds, up to the read limit (or all of it at the end), and tells
    // the UI thread once until it has looked.
    void drain(const std::shared_ptr<Connection>& self, bool all) {
        if (socket == INVALID_SOCKET)
            return;
        char buffer[kChunk];
        bool got = false;
        for (;;) {
            {
                const std::lock_guard lock(mutex);
                if (!all && received.size() >= GatewayPort::kReadLimit)
                    break;  // read again once the UI thread has taken some (kick)
            }
            const int n = recv(socket, buffer, kChunk, 0);
            if (n <= 0)
                break;
            const std::lock_guard lock(mutex);
            received.append(buffer, std::size_t(n));
            got = true;
        }
        if (!got || readPosted.exchange(true))
            return;
        toOwner(self, [](Connection& c, WinGatewayLink& link) {
            c.readPosted = false;  // bytes read from now on need a new report
            if (link.events().readable)
                link.events().readable();
        });
    }
};

WinGatewayLink::WinGatewayLink() {
    startWinsock();
}

WinGatewayLink::~WinGatewayLink() {
    drop();
}

void WinGatewayLink::connect(const std::string& host, std::uint16_t port) {
    drop();
    auto connection = std::make_shared<Connection>();
    connection->host = host;
    connection->port = port;
    connection->owner = this;
    auto* ref = new std::shared_ptr<Connection>(connection);
    const HANDLE thread = CreateThread(nullptr, 0, &Connection::run, ref, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        delete ref;
        Connection::end(connection, windowsMessage(GetLastError()));
    }
    m_connection = std::move(connection);
}

void WinGatewayLink::drop() {
    if (!m_connection)
        return;
    m_connection->owner = nullptr;
    SetEvent(m_connection->stop);
    m_connection.reset();
}

bool WinGatewayLink::live() const {
    return m_connection && !m_connection->ended;
}

bool WinGatewayLink::connected() const {
    return live() && m_connection->up;
}

std::size_t WinGatewayLink::available() const {
    if (!m_connection)
        return 0;
    const std::lock_guard lock(m_connection->mutex);
    return m_connection->received.size();
}

std::string WinGatewayLink::read(std::size_t limit) {
    if (!m_connection)
        return {};
    Connection& c = *m_connection;
    const std::lock_guard lock(c.mutex);
    const bool wasFull = c.received.size() >= GatewayPort::kReadLimit;
    std::string bytes = c.received.substr(0, limit);
    c.received.erase(0, bytes.size());
    if (wasFull && !bytes.empty())
        SetEvent(c.kick);  // the worker stopped reading; there is room again
    return bytes;
}

std::size_t WinGatewayLink::unsent() const {
    if (!m_connection)
        return 0;
    const std::lock_guard lock(m_connection->mutex);
    return m_connection->unsent.size();
}

void WinGatewayLink::write(std::string_view bytes) {
    if (!connected())
        return;
    Connection& c = *m_connection;
    const std::lock_guard lock(c.mutex);
    // Straight to the socket when nothing waits before these bytes; the rest goes when the
    // socket has room again (FD_WRITE wakes the worker).
    if (c.unsent.empty()) {
        const int n = send(c.socket, bytes.data(), int(bytes.size()), 0);
        if (n >= 0)
            bytes.remove_prefix(std::size_t(n));
        else if (WSAGetLastError() != WSAEWOULDBLOCK)
            return;  // the worker sees the connection end
    }
    if (!bytes.empty()) {
        c.unsent.append(bytes);
        SetEvent(c.kick);
    }
}

void WinGatewayLink::post(std::function<void()> work) {
    postToUi(std::move(work));
}

}  // namespace r7k::win
