#include "qt/net_serial.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "transport/gateway_causes.h"

namespace r7k {

namespace {

// The plain words for why a connection failed or ended.
std::string cause(QAbstractSocket::SocketError error, const QTcpSocket& socket) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return std::string(kCauseRefused);
        case QAbstractSocket::HostNotFoundError:
            return std::string(kCauseHostNotFound);
        case QAbstractSocket::RemoteHostClosedError:
            return std::string(kCauseClosed);
        case QAbstractSocket::NetworkError:
            if (socket.errorString().contains(QStringLiteral("Host unreachable")))
                return std::string(kCauseHostUnreachable);
            return std::string(kCauseNetUnreachable);
        default:
            break;
    }
    QString why = socket.errorString();
    if (!why.isEmpty())
        why[0] = why[0].toLower();
    return why.toStdString();
}

// Keepalive probes, so that a gateway gone without a word (unplugged) ends the link.
void keepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = static_cast<int>(socket.socketDescriptor());
    const int values[][2] = {{TCP_KEEPIDLE, int(GatewaySession::kKeepIdle.count())},
                             {TCP_KEEPINTVL, int(GatewaySession::kKeepInterval.count())},
                             {TCP_KEEPCNT, GatewaySession::kKeepCount}};
    for (const auto& [option, value] : values)
        (void)::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
}

}  // namespace

QtGatewayLink::QtGatewayLink() {
    m_socket.setReadBufferSize(qint64(GatewayPort::kReadLimit));
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        if (events().readable)
            events().readable();
    });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError e) { ended(cause(e, m_socket)); });
    QObject::connect(&m_socket, &QTcpSocket::disconnected,
                     [this] { ended(std::string(kCauseClosed)); });
}

QtGatewayLink::~QtGatewayLink() {
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    drop();
}

void QtGatewayLink::ended(const std::string& cause) {
    if (events().ended)
        events().ended(cause);
}

void QtGatewayLink::connect(const std::string& host, std::uint16_t port) {
    m_connector.start(QString::fromStdString(host), port, [this](int fd, const std::string& why) {
        if (fd < 0)
            return ended(why);
        m_socket.setSocketDescriptor(fd, QAbstractSocket::ConnectedState);
        // A command goes out at once, not gathered with the next one.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        keepAlive(m_socket);
        if (events().connected)
            events().connected();
    });
}

void QtGatewayLink::drop() {
    m_connector.cancel();
    m_socket.abort();
}

bool QtGatewayLink::live() const {
    return m_connector.busy() || m_socket.state() != QAbstractSocket::UnconnectedState;
}

std::string QtGatewayLink::read(std::size_t limit) {
    std::string bytes(limit, '\0');
    const qint64 n = m_socket.read(bytes.data(), qint64(limit));
    bytes.resize(n > 0 ? std::size_t(n) : 0);
    return bytes;
}

void QtGatewayLink::write(std::string_view bytes) {
    m_socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Hand the bytes to the network now rather than on the next turn of the event loop.
    m_socket.flush();
}

void QtGatewayLink::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&m_socket, std::move(work), Qt::QueuedConnection);
}

}  // namespace r7k
