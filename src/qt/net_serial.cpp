#include "qt/net_serial.h"

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

}  // namespace

NetSerial::NetSerial(std::optional<PortAddress> com1, std::optional<PortAddress> com2)
    : m_addresses{std::move(com1), std::move(com2)} {
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeout);
    m_socket.setReadBufferSize(kReadLimit);
    QObject::connect(&m_connectTimer, &QTimer::timeout, [this] {
        if (m_connecting)
            connectFailed("no answer from " + address(m_port)->hostPort());
    });
    QObject::connect(&m_socket, &QTcpSocket::connected, [this] { onConnected(); });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { onReadyRead(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError e) { onError(e); });
    QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] {
        if (m_open)
            lost("connection closed by the gateway");
    });
}

NetSerial::~NetSerial() {
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    m_connectTimer.stop();
    m_socket.abort();
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
    if (m_open && telnet())
        return send(TelnetCodec::comPortSettings(*parsed));
    return {};
}

SerialResult NetSerial::setPortOpen(bool open) {
    if (!open) {
        const bool live = m_open || m_connecting;
        m_kept.reset();
        if (live && m_socket.state() != QAbstractSocket::UnconnectedState)
            m_kept = Kept{deviceName(m_port), m_open};
        ++m_attempt;
        m_connectTimer.stop();
        m_connecting = false;
        m_open = false;
        m_readQueued = false;
        m_event = 0;
        m_input.clear();
        // The panel closes and opens the same port in one go (at start, on a port choice),
        // and a gateway such as ser2net may refuse a connection that follows a close that
        // closely ("Port already in use"). So the connection goes only when the event loop
        // turns; an open of the same address before then takes it back.
        if (m_kept)
            later([this] { m_kept.reset(), m_socket.abort(); });
        else
            m_socket.abort();
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
    if (kept && kept->address == a->text() && m_socket.state() != QAbstractSocket::UnconnectedState)
        return takeBack(*kept);
    m_socket.abort();
    ++m_attempt;
    m_connecting = true;
    m_input.clear();
    m_event = 0;
    m_connectTimer.start();
    // Any outcome, even one known at once, is reported from the event loop.
    m_socket.connectToHost(QString::fromStdString(a->host), a->port);
    return kPending;
}

SerialResult NetSerial::takeBack(const Kept& kept) {
    ++m_attempt;
    m_input.clear();
    m_event = 0;
    if (!kept.open || m_socket.state() != QAbstractSocket::ConnectedState) {
        m_connecting = true;
        m_connectTimer.start();
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            onConnected();
        return kPending;
    }
    m_open = true;
    // The speed may have changed while the port was closed.
    if (telnet())
        (void)send(TelnetCodec::comPortSettings(*parseLineSettings(m_settings)));
    if (m_socket.bytesAvailable() > 0)
        later([this] { onReadyRead(); });
    return {};
}

void NetSerial::onConnected() {
    if (!m_connecting)
        return;
    m_connectTimer.stop();
    m_connecting = false;
    m_open = true;
    // A command goes out at once, not gathered with the next one.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (telnet())
        (void)send(m_telnet.begin() + TelnetCodec::comPortSettings(*parseLineSettings(m_settings)));
    later([this] {
        if (m_open)
            raiseOpened({});
    });
}

void NetSerial::onError(QAbstractSocket::SocketError error) {
    if (m_connecting)
        connectFailed(cause(error, m_socket));
    else if (m_open)
        lost(cause(error, m_socket));
}

void NetSerial::connectFailed(const std::string& why) {
    m_connectTimer.stop();
    m_connecting = false;
    std::string text = openFailureText("COM" + std::to_string(m_port), deviceName(m_port), why);
    text += hint(why);
    // The socket is let go from the event loop, never inside its own signal.
    later([this, text] {
        m_socket.abort();
        raiseOpened({text});
    });
}

void NetSerial::lost(const std::string& why) {
    m_open = false;
    const std::string text = describe() + " was lost: " + why + ".";
    later([this, text] {
        onReadyRead();  // what arrived before the end still counts
        m_socket.abort();
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
    if (m_kept)
        return;  // closed; taken back or let go before the next turn
    m_readQueued = false;
    char buffer[16 * 1024];
    std::string reply;
    while (m_socket.bytesAvailable() > 0 && qint64(m_input.size()) < kReadLimit) {
        const qint64 room = std::min<qint64>(sizeof buffer, kReadLimit - qint64(m_input.size()));
        const qint64 n = m_socket.read(buffer, room);
        if (n <= 0)
            break;
        const std::string_view got(buffer, static_cast<std::size_t>(n));
        if (telnet())
            m_telnet.decode(got, m_input, reply);
        else
            m_input.append(got);
    }
    if (!reply.empty())
        (void)send(reply);
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
