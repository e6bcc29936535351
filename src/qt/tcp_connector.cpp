#include "qt/tcp_connector.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <QHostInfo>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "transport/gateway_causes.h"

namespace r7k {

namespace {

std::string causeOf(int error) {
    switch (error) {
        case ECONNREFUSED:
            return std::string(kCauseRefused);
        case EHOSTUNREACH:
            return std::string(kCauseHostUnreachable);
        case ENETUNREACH:
            return std::string(kCauseNetUnreachable);
        case ECONNRESET:
        case EPIPE:
            return "the gateway closed the connection";
        default:
            break;
    }
    std::string why = std::strerror(error);
    if (!why.empty())
        why[0] = char(std::tolower(static_cast<unsigned char>(why[0])));
    return why;
}

}  // namespace

void TcpConnector::start(const QString& host, quint16 port, Done done) {
    cancel();
    m_busy = true;
    m_port = port;
    m_done = std::move(done);
    QHostAddress address;
    if (address.setAddress(host)) {
        // Even an outcome known at once is reported from the event loop.
        QMetaObject::invokeMethod(
            &m_context,
            [this, address, generation = m_generation] {
                if (generation == m_generation)
                    connectTo(address);
            },
            Qt::QueuedConnection);
        return;
    }
    QHostInfo::lookupHost(host, &m_context,
                          [this, generation = m_generation](const QHostInfo& info) {
                              if (generation != m_generation)
                                  return;
                              if (info.error() != QHostInfo::NoError || info.addresses().isEmpty())
                                  return finish(-1, std::string(kCauseHostNotFound));
                              connectTo(info.addresses().first());
                          });
}

void TcpConnector::connectTo(const QHostAddress& address) {
    sockaddr_storage peer{};
    socklen_t size = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&peer);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(m_port);
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
        size = sizeof *in4;
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&peer);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(m_port);
        const Q_IPV6ADDR ip = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &ip, sizeof ip);
        const QByteArray zone = address.scopeId().toLatin1();
        in6->sin6_scope_id = zone.isEmpty() ? 0 : if_nametoindex(zone.constData());
        size = sizeof *in6;
    }
    m_fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return finish(-1, causeOf(errno));
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), size) != 0 && errno != EINPROGRESS)
        return finish(-1, causeOf(errno));
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &m_context, [this] {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0)
            return finish(-1, causeOf(error));
        finish(std::exchange(m_fd, -1), {});
    });
}

void TcpConnector::finish(int fd, const std::string& cause) {
    const Done done = std::move(m_done);
    cancel();
    if (done)
        done(fd, cause);
}

void TcpConnector::cancel() {
    ++m_generation;
    m_busy = false;
    m_done = nullptr;
    if (m_notifier)
        m_notifier->setEnabled(false), m_notifier.release()->deleteLater();
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

}  // namespace r7k
