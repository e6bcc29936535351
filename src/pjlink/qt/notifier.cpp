#include "pjlink/qt/notifier.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <cstdio>

namespace r7k::pjlink {
namespace {

constexpr qint64 kMaxDatagram = 512;

void log(const QString& text) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", text.toLocal8Bit().constData());
}

QString macOf(const QNetworkInterface& interface) {
    const QString mac = interface.hardwareAddress().toUpper();
    return mac.size() == 17 ? mac : QStringLiteral("00:00:00:00:00:00");
}

// The hardware address a controller at `peer` knows the service by: that of the interface
// with the address it reached (`local`), else of the one on the controller's network, else
// of the first one up that has one.
std::string macFor(const QHostAddress& local, const QHostAddress& peer) {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces)
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (!local.isNull() && e.ip().isEqual(local, QHostAddress::TolerantConversion))
                return macOf(i).toStdString();
    for (const QNetworkInterface& i : interfaces)
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (peer.isInSubnet(e.ip(), e.prefixLength()))
                return macOf(i).toStdString();
    for (const QNetworkInterface& i : interfaces)
        if ((i.flags() & QNetworkInterface::IsUp) && !(i.flags() & QNetworkInterface::IsLoopBack) &&
            !i.hardwareAddress().isEmpty())
            return macOf(i).toStdString();
    return "00:00:00:00:00:00";
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
