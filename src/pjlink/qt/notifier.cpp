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

std::string macFor(const QHostAddress& local, const QHostAddress& peer) {
    const auto to = ipOf(peer);
    return pjlink::macFor(listInterfaces(), local.isNull() ? std::nullopt : ipOf(local),
                          to.value_or(IpAddress{}));
}

}  // namespace

Notifier::Notifier(session::Projector& projector, NotifyOptions options)
    : m_projector(projector), m_options(std::move(options)) {
    m_destination = m_options.to;
    QObject::connect(&m_socket, &QUdpSocket::readyRead, this, [this] { readDatagrams(); });
}

bool Notifier::bind(const QHostAddress& host, quint16 port) {
    m_port = port;
    if (m_options.toPort == 0)
        m_options.toPort = port;
    if (!m_options.search && !m_options.notify)
        return true;
    return m_socket.bind(host, port);
}

void Notifier::start() {
    if (!telling())
        return;
    send(linkUp(macFor(m_socket.localAddress(), *m_destination)), *m_destination, m_options.toPort);
    if (onTelling)
        onTelling();
}

void Notifier::controllerAt(const QHostAddress& address) {
    if (!m_options.notify || m_options.to || (m_destination && *m_destination == address))
        return;
    m_destination = address;
    log(QString("notifications go to %1 port %2 (UDP), the latest controller")
            .arg(address.toString())
            .arg(m_options.toPort));
    if (onTelling)
        onTelling();
}

void Notifier::readDatagrams() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kMaxDatagram);
        if (!m_options.search)
            continue;
        const QByteArray data = datagram.data();
        const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
        if (!isSearch(bytes) || !m_pace.allow(m_projector.now()))
            continue;  // looked at before anything costs more than a comparison
        const QHostAddress local = datagram.destinationAddress().isNull()
                                       ? m_socket.localAddress()
                                       : datagram.destinationAddress();
        const auto answer = searchAnswer(bytes, macFor(local, datagram.senderAddress()));
        send(*answer, datagram.senderAddress(), m_port);
    }
}

void Notifier::see(const session::Value& value) {
    for (const std::string& line : m_watch.see(value)) {
        if (telling())
            send(line, *m_destination, m_options.toPort);
    }
}

void Notifier::taken(std::string_view code) {
    m_watch.taken(code);
    // A power or input command taken changes what is told at once (a power on starts the
    // warm-up): look again now rather than at the next turn.
    if (telling())
        m_projector.lookNow();
}

void Notifier::send(const std::string& line, const QHostAddress& to, quint16 port) {
    if (m_socket.writeDatagram(line.data(), static_cast<qint64>(line.size()), to, port) < 0)
        log(QString("%1 port %2: %3").arg(to.toString()).arg(port).arg(m_socket.errorString()));
}

}  // namespace r7k::pjlink
