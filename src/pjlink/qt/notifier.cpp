#include "pjlink/qt/notifier.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <cstdio>

#include "pjlink/interfaces.h"

namespace r7k::pjlink {
namespace {

constexpr qint64 kMaxDatagram = 512;

void log(const QString& text) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", text.toLocal8Bit().constData());
}

// An address as the core compares them; an IPv4-mapped IPv6 address as IPv4.
std::optional<IpAddress> ipOf(const QHostAddress& address) {
    IpAddress ip;
    bool v4 = false;
    const quint32 four = address.toIPv4Address(&v4);
    if (v4) {
        for (int i = 0; i < 4; ++i)
            ip.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(four >> (24 - 8 * i));
        return ip;
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return std::nullopt;
    const Q_IPV6ADDR six = address.toIPv6Address();
    ip.size = 16;
    for (std::size_t i = 0; i < 16; ++i)
        ip.bytes[i] = six[static_cast<int>(i)];
    return ip;
}

std::vector<NetInterface> listInterfaces() {
    std::vector<NetInterface> out;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        NetInterface n;
        n.mac = i.hardwareAddress().toUpper().toStdString();
        n.up = i.flags() & QNetworkInterface::IsUp;
        n.loopback = i.flags() & QNetworkInterface::IsLoopBack;
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (const auto ip = ipOf(e.ip()))
                n.entries.push_back({*ip, e.prefixLength()});
        out.push_back(std::move(n));
    }
    return out;
}

std::string macFor(const std::string& local, const std::string& peer) {
    const auto to = ipOf(QHostAddress(QString::fromStdString(peer)));
    const QHostAddress reached(QString::fromStdString(local));
    return pjlink::macFor(listInterfaces(), reached.isNull() ? std::nullopt : ipOf(reached),
                          to.value_or(IpAddress{}));
}

}  // namespace

Notifier::Notifier(session::Projector& projector, const Config& config)
    : m_announcer(
          projector, config,
          [this](const std::string& line, const std::string& host, std::uint16_t port) {
              send(line, host, port);
          },
          [this](const std::string& peer, const std::string& local) {
              return macFor(
                  local.empty() ? m_socket.localAddress().toString().toStdString() : local, peer);
          }) {
    m_announcer.onLog = [](const std::string& text) { log(QString::fromStdString(text)); };
    QObject::connect(&m_socket, &QUdpSocket::readyRead, this, [this] { readDatagrams(); });
}

bool Notifier::bind(const QHostAddress& host, quint16 port) {
    m_port = port;
    m_announcer.bound(port);
    if (!m_announcer.needsSocket())
        return true;
    return m_socket.bind(host, port);
}

void Notifier::readDatagrams() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kMaxDatagram);
        const QByteArray data = datagram.data();
        const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
        const QString local = datagram.destinationAddress().isNull()
                                  ? QString()
                                  : datagram.destinationAddress().toString();
        const std::string sender = datagram.senderAddress().toString().toStdString();
        if (const auto answer = m_announcer.datagram(bytes, sender, local.toStdString()))
            send(*answer, sender, m_port);
    }
}

void Notifier::send(const std::string& line, const std::string& host, std::uint16_t port) {
    const QHostAddress to(QString::fromStdString(host));
    if (m_socket.writeDatagram(line.data(), static_cast<qint64>(line.size()), to, port) < 0)
        log(QString("%1 port %2: %3").arg(to.toString()).arg(port).arg(m_socket.errorString()));
}

}  // namespace r7k::pjlink
