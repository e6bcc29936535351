#include "qt/net_serial.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>

#include "link/line_settings.h"
#include "link/open_failure.h"

namespace r7k {

namespace {

const SerialResult kPending{.error = {}, .pending = true};

// The plain words for why a connection failed or ended.
std::string cause(QAbstractSocket::SocketError error, const QTcpSocket& socket) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return "connection refused";
        case QAbstractSocket::HostNotFoundError:
            return "host not found";
        case QAbstractSocket::RemoteHostClosedError:
            return "connection closed by the gateway";
        case QAbstractSocket::NetworkError:
            if (socket.errorString().contains(QStringLiteral("Host unreachable")))
                return "host unreachable";
            return "network unreachable";
        default:
            break;
    }
    QString why = socket.errorString();
    if (!why.isEmpty())
        why[0] = why[0].toLower();
    return why.toStdString();
}

// What the operator can check for a connection that failed, by cause.
std::string hint(const std::string& cause) {
    if (cause == "connection refused")
        return "\nCheck that the gateway is running and serves this TCP port.";
    if (cause == "host not found")
        return "\nCheck the gateway's name.";
    if (cause.find("unreachable") != std::string::npos)
        return "\nCheck this computer's network connection and the gateway's address.";
    if (cause.starts_with("no answer"))
        return "\nCheck that the gateway is switched on and reachable at this address.";
    return {};
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

NetSerial::NetSerial(std::optional<PortAddress> com1, std::optional<PortAddress> com2)
    : m_addresses{std::move(com1), std::move(com2)} {
    for (QTimer* timer : {&m_connectTimer, &m_settleTimer, &m_paceTimer})
        timer->setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeout);
    m_settleTimer.setInterval(GatewaySession::kSettle);
    m_socket.setReadBufferSize(kReadLimit);
    QObject::connect(&m_connectTimer, &QTimer::timeout, [this] {
        if (!m_connecting)
            return;
        const std::string why = m_session.timedOut().failure;
        connectFailed(
            m_sessionUp && !why.empty() ? why : "no answer from " + address(m_port)->hostPort());
    });
    QObject::connect(&m_settleTimer, &QTimer::timeout, [this] {
        apply(m_session.settled());
        if (m_open && !m_input.empty())
            later([this] { m_event = kComEvReceive, raiseComm(); });
    });
    QObject::connect(&m_paceTimer, &QTimer::timeout, [this] {
        if (m_connecting && !m_sessionUp)
            startConnect();
    });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { onReadyRead(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError e) { onError(e); });
    QObject::connect(&m_socket, &QTcpSocket::disconnected,
                     [this] { onError(QAbstractSocket::RemoteHostClosedError); });
}

NetSerial::~NetSerial() {
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    for (QTimer* timer : {&m_connectTimer, &m_settleTimer, &m_paceTimer})
        timer->stop();
    drop();
}

void NetSerial::drop() {
    m_connector.cancel();
    m_sessionUp = false;
    m_socket.abort();
}

bool NetSerial::live() const {
    return m_connector.busy() || m_socket.state() != QAbstractSocket::UnconnectedState;
}

bool NetSerial::telnet() const {
    const auto& a = address(m_port);
    return a && a->kind == PortKind::Rfc2217;
}

std::string NetSerial::deviceName(int port) const {
    const auto& a = address(port);
    return a ? a->text() : std::string();
}

std::string NetSerial::describe() const {
    return "COM" + std::to_string(m_port) + " (" + deviceName(m_port) + ")";
}

SerialResult NetSerial::setCommPort(int port) {
    if (port != 1 && port != 2)
        return {"COM" + std::to_string(port) + " is not a port of this panel."};
    if (m_open || m_connecting)
        return {describe() + " is open; close it first."};
    m_port = port;
    return {};
}

SerialResult NetSerial::setSettings(std::string_view settings) {
    const auto parsed = parseLineSettings(settings);
    if (!parsed)
        return {"Invalid serial settings \"" + std::string(settings) + "\"."};
    m_settings = settings;
    // A raw stream has no way to set the far port: the gateway's own configuration holds.
    if (m_sessionUp && (m_open || m_connecting))
        apply(m_session.setSettings(*parsed));
    return {};
}

SerialResult NetSerial::setPortOpen(bool open) {
    if (!open) {
        const bool live = m_open || m_connecting;
        m_kept.reset();
        if (live && this->live())
            m_kept = Kept{deviceName(m_port), m_open};
        ++m_attempt;
        report({describe() + " was closed before it opened."});
        m_settleTimer.stop();
        m_open = false;
        m_readQueued = false;
        m_event = 0;
        m_input.clear();
        // The panel closes and opens the same port in one go (at start, on a port choice),
        // and a gateway such as ser2net may refuse a connection that follows a close that
        // closely ("Port already in use"). So the connection goes only when the event loop
        // turns; an open of the same address before then takes it back.
        if (m_kept)
            later([this] { m_kept.reset(), drop(); });
        else
            drop();
        return {};
    }
    if (m_open)
        return {};
    if (m_connecting)
        return kPending;
    const auto& a = address(m_port);
    if (!a || !a->isNetwork())
        return {describe() + " is not a network address."};
    const std::optional<Kept> kept = std::exchange(m_kept, std::nullopt);
    if (kept && kept->address == a->text() && live())
        return takeBack(*kept);
    drop();
    ++m_attempt;
    m_connecting = true;
    m_input.clear();
    m_event = 0;
    // However often the panel asks, one port connects at most once per kRetryPace.
    const auto due = m_lastConnect[m_port == 2 ? 1 : 0] + GatewaySession::kRetryPace;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    if (wait.count() > 0)
        m_paceTimer.start(wait);
    else
        startConnect();
    return kPending;
}

void NetSerial::startConnect() {
    const auto& a = address(m_port);
    m_lastConnect[m_port == 2 ? 1 : 0] = std::chrono::steady_clock::now();
    m_connectTimer.start();
    m_connector.start(QString::fromStdString(a->host), a->port,
                      [this](int fd, const std::string& why) { connectDone(fd, why); });
}

void NetSerial::connectDone(int fd, const std::string& why) {
    if (fd < 0) {
        if (m_connecting)
            connectFailed(why);
        return;
    }
    m_socket.setSocketDescriptor(fd, QAbstractSocket::ConnectedState);
    onConnected();  // a port closed meanwhile keeps the connection until it is taken back
}

SerialResult NetSerial::takeBack(const Kept& kept) {
    ++m_attempt;
    m_input.clear();
    m_event = 0;
    const bool connected = m_socket.state() == QAbstractSocket::ConnectedState;
    if (kept.open && connected && m_session.phase() == GatewaySession::Phase::Open) {
        m_open = true;
        // The speed may have changed while the port was closed.
        apply(m_session.setSettings(*parseLineSettings(m_settings)));
        if (m_socket.bytesAvailable() > 0)
            later([this] { onReadyRead(); });
        return {};
    }
    m_connecting = true;
    m_connectTimer.start();
    if (m_sessionUp) {
        m_settleTimer.start();
        if (m_socket.bytesAvailable() > 0)
            later([this] { onReadyRead(); });
    } else if (connected) {
        onConnected();
    }
    return kPending;
}

void NetSerial::onConnected() {
    if (!m_connecting || m_sessionUp)
        return;
    m_sessionUp = true;
    // A command goes out at once, not gathered with the next one.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    keepAlive(m_socket);
    m_settleTimer.start();
    apply(m_session.connected(telnet(), *parseLineSettings(m_settings)));
}

void NetSerial::apply(GatewaySession::Step step) {
    if (!step.toGateway.empty())
        (void)send(step.toGateway);
    m_input += step.data;
    if (step.opened && m_connecting) {
        m_open = true;
        report({});
    }
    if (!step.failure.empty() && m_connecting)
        connectFailed(step.failure);
    if (!step.warning.empty()) {
        const std::string text = describe() + " " + step.warning + ".";
        later([this, text] { raiseWarning(text); });
    }
}

void NetSerial::report(const SerialResult& outcome) {
    if (!std::exchange(m_connecting, false))
        return;
    m_connectTimer.stop();
    m_paceTimer.stop();
    // Not tied to the attempt: a later close or open does not take an outcome away.
    QMetaObject::invokeMethod(
        &m_socket, [this, outcome] { raiseOpened(outcome); }, Qt::QueuedConnection);
}

void NetSerial::onError(QAbstractSocket::SocketError error) {
    if (m_connecting && m_sessionUp) {
        onReadyRead();  // the gateway's last words are its reason
        if (m_connecting)
            connectFailed(m_session.closed(cause(error, m_socket)));
    } else if (m_connecting) {
        connectFailed(cause(error, m_socket));
    } else if (m_open) {
        lost(cause(error, m_socket));
    }
}

void NetSerial::connectFailed(const std::string& why) {
    m_settleTimer.stop();
    std::string text = openFailureText("COM" + std::to_string(m_port), deviceName(m_port), why);
    text += hint(why);
    report({text});
    // The socket is let go from the event loop, never inside its own signal.
    later([this] { drop(); });
}

void NetSerial::lost(const std::string& why) {
    m_open = false;
    m_settleTimer.stop();
    const std::string text = describe() + " was lost: " + why + ".";
    later([this, text] {
        onReadyRead();  // what arrived before the end still counts
        drop();
        m_event = 0;
        raiseLost(text);
    });
}

void NetSerial::later(std::function<void()> step) {
    QMetaObject::invokeMethod(
        &m_socket,
        [this, attempt = m_attempt, step = std::move(step)] {
            if (attempt == m_attempt)
                step();
        },
        Qt::QueuedConnection);
}

SerialResult NetSerial::send(std::string_view wire) {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return {describe() + " is not connected."};
    if (m_socket.bytesToWrite() > kWriteLimit)
        return {describe() + ": the gateway takes no data."};
    m_socket.write(wire.data(), static_cast<qint64>(wire.size()));
    // Hand the bytes to the network now rather than on the next turn of the event loop.
    m_socket.flush();
    return {};
}

SerialResult NetSerial::output(std::string_view bytes) {
    if (!m_open)
        return {describe() + " is not open."};
    if (!telnet())
        return send(bytes);
    std::string wire;
    TelnetCodec::encode(bytes, wire);
    return send(wire);
}

std::string NetSerial::input() {
    return std::exchange(m_input, {});
}

void NetSerial::onReadyRead() {
    if (m_kept || !m_sessionUp)
        return;  // closed; taken back or let go before the next turn
    m_readQueued = false;
    char buffer[16 * 1024];
    while (m_socket.bytesAvailable() > 0 && qint64(m_input.size()) < kReadLimit) {
        const qint64 room = std::min<qint64>(sizeof buffer, kReadLimit - qint64(m_input.size()));
        const qint64 n = m_socket.read(buffer, room);
        if (n <= 0)
            break;
        apply(m_session.received(std::string_view(buffer, static_cast<std::size_t>(n))));
    }
    if (!m_input.empty()) {
        m_event = kComEvReceive;
        raiseComm();
    }
    // What the socket still holds is read on the next turn of the event loop, so that a flood
    // cannot hold the window.
    if (m_input.empty() && m_socket.bytesAvailable() > 0 && !m_readQueued) {
        m_readQueued = true;
        QMetaObject::invokeMethod(
            &m_socket, [this] { onReadyRead(); }, Qt::QueuedConnection);
    }
}

}  // namespace r7k
