#include "pjlink/notifier.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <cstdio>

namespace r7k::pjlink {
namespace {

constexpr int kAnswersPerSecond = 20;
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

Notifier::Notifier(Executor& executor, NotifyOptions options)
    : m_executor(executor), m_options(std::move(options)) {
    m_destination = m_options.to;
    m_poll.setInterval(m_options.every);
    QObject::connect(&m_poll, &QTimer::timeout, this, [this] { poll(false); });
    QObject::connect(&m_socket, &QUdpSocket::readyRead, this, [this] { readDatagrams(); });
    m_executor.observe([this](const ctl::StepResult& result) { see(result); });
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
    if (!m_options.notify)
        return;
    if (m_destination) {
        send(linkUp(macFor(m_socket.localAddress(), *m_destination)), *m_destination,
             m_options.toPort);
        m_poll.start();
    }
}

void Notifier::controllerAt(const QHostAddress& address) {
    if (!m_options.notify || m_options.to || (m_destination && *m_destination == address))
        return;
    m_destination = address;
    log(QString("notifications go to %1 port %2 (UDP), the latest controller")
            .arg(address.toString())
            .arg(m_options.toPort));
    if (!m_poll.isActive())
        m_poll.start();
}

void Notifier::readDatagrams() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kMaxDatagram);
        if (!m_options.search)
            continue;
        const QByteArray data = datagram.data();
        const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
        if (!isSearch(bytes))
            continue;  // looked at before anything costs more than a comparison
        const auto now = std::chrono::steady_clock::now();
        if (now - m_second >= std::chrono::seconds{1}) {
            m_second = now;
            m_answers = 0;
        }
        if (++m_answers > kAnswersPerSecond)
            continue;
        const QHostAddress local = datagram.destinationAddress().isNull()
                                       ? m_socket.localAddress()
                                       : datagram.destinationAddress();
        const auto answer = searchAnswer(bytes, macFor(local, datagram.senderAddress()));
        send(*answer, datagram.senderAddress(), m_port);
    }
}

void Notifier::poll(bool now) {
    if (m_polling)
        return;
    // What a reply told lately (a controller's own polling) needs no asking of our own, which
    // would only hold up the next request behind the line's reply window.
    const auto stale = [this, now](Clock::time_point seen) {
        return now || Clock::now() - seen >= m_options.every / 2;
    };
    const auto ask = [this](std::string word, std::function<void()> then) {
        Plan plan;
        plan.steps = {std::move(word)};
        plan.answer = [](const auto&) { return std::string(); };
        m_executor.execute(
            std::move(plan),
            [then = std::move(then)](const std::string&, const std::string&) { then(); });
    };
    const auto mode = [this, stale, ask] {
        if (!m_watch.poweredOn() || !stale(m_seenMode))
            return void(m_polling = false);
        ask("mode", [this] { m_polling = false; });
    };
    m_polling = true;
    if (stale(m_seenStatus))
        ask("status", mode);
    else
        mode();
}

void Notifier::see(const ctl::StepResult& result) {
    if (result.step && result.value && result.step->word == "status")
        m_seenStatus = Clock::now();
    if (result.step && result.value && result.step->word == "mode")
        m_seenMode = Clock::now();
    for (const std::string& line : m_watch.see(result))
        if (m_options.notify && m_destination)
            send(line, *m_destination, m_options.toPort);
    // A power or input command taken changes what is told at once (a power on starts the
    // warm-up): look again without waiting for the next turn. Mutes and the rest change
    // nothing that is told, and their line time goes to the next request.
    const bool tellsChange = result.step && (result.step->word.starts_with("power-") ||
                                             result.step->word.starts_with("input-"));
    if (result.outcome == ctl::Outcome::Ack && tellsChange && m_poll.isActive())
        QTimer::singleShot(0, this, [this] { poll(true); });
}

void Notifier::send(const std::string& line, const QHostAddress& to, quint16 port) {
    if (m_socket.writeDatagram(line.data(), static_cast<qint64>(line.size()), to, port) < 0)
        log(QString("%1 port %2: %3").arg(to.toString()).arg(port).arg(m_socket.errorString()));
}

}  // namespace r7k::pjlink
