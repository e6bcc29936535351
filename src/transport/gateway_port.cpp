#include "transport/gateway_port.h"

#include <algorithm>
#include <utility>

#include "transport/gateway_causes.h"
#include "transport/line_settings.h"
#include "transport/open_failure.h"

namespace r7k {

namespace {

const SerialResult kPending{.error = {}, .pending = true};

void start(Timer& timer, std::chrono::milliseconds interval) {
    timer.setInterval(interval);
    timer.setEnabled(true);
}

}  // namespace

GatewayPort::GatewayPort(GatewayLink& link, Timers timers) : m_link(link), m_timers(timers) {
    m_timers.connect.setHandler([this] {
        m_timers.connect.setEnabled(false);
        if (!m_connecting)
            return;
        const std::string why = m_session.timedOut().failure;
        connectFailed(
            m_sessionUp && !why.empty() ? why : "no answer from " + address(m_port)->hostPort());
    });
    m_timers.settle.setHandler([this] {
        m_timers.settle.setEnabled(false);
        apply(m_session.settled());
        if (m_open && !m_input.empty())
            later([this] { m_event = kComEvReceive, raiseComm(); });
    });
    m_timers.quiet.setHandler([this] {
        m_timers.quiet.setEnabled(false);
        apply(m_session.quiet());
        if (m_open && !m_input.empty())
            later([this] { m_event = kComEvReceive, raiseComm(); });
    });
    m_timers.pace.setHandler([this] {
        m_timers.pace.setEnabled(false);
        if (m_connecting && !m_sessionUp)
            startConnect();
    });
    m_link.setEvents({.connected = [this] { onConnected(); },
                      .ended = [this](const std::string& cause) { onEnded(cause); },
                      .readable = [this] { onReadyRead(); }});
}

GatewayPort::~GatewayPort() {
    m_link.setEvents({});
    for (Timer* timer : {&m_timers.connect, &m_timers.settle, &m_timers.pace, &m_timers.quiet}) {
        timer->setEnabled(false);
        timer->setHandler(nullptr);
    }
    drop();
}

void GatewayPort::drop() {
    m_sessionUp = false;
    m_link.drop();
}

bool GatewayPort::telnet() const {
    const auto& a = address(m_port);
    return a && a->kind == PortKind::Rfc2217;
}

std::string GatewayPort::deviceName(int port) const {
    const auto& a = address(port);
    return a ? a->text() : std::string();
}

std::string GatewayPort::describe() const {
    return portLabel(m_port);
}

SerialResult GatewayPort::setCommPort(int port) {
    if (std::string why = notAPanelPort(port); !why.empty())
        return {why};
    if (m_open || m_connecting)
        return {describe() + " is open; close it first."};
    m_port = port;
    return {};
}

SerialResult GatewayPort::setSettings(std::string_view settings) {
    const auto parsed = parseLineSettings(settings);
    if (!parsed)
        return {"Invalid serial settings \"" + std::string(settings) + "\"."};
    m_settings = settings;
    // A raw stream has no way to set the far port: the gateway's own configuration holds.
    if (m_sessionUp && (m_open || m_connecting))
        apply(m_session.setSettings(*parsed));
    return {};
}

SerialResult GatewayPort::setPortOpen(bool open) {
    if (!open) {
        const bool live = m_open || m_connecting;
        m_kept.reset();
        if (live && m_link.live())
            m_kept = Kept{deviceName(m_port), m_open};
        ++m_attempt;
        report({describe() + " was closed before it opened."});
        m_timers.settle.setEnabled(false);
        m_timers.quiet.setEnabled(false);
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
    if (kept && kept->address == a->text() && m_link.live())
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
        start(m_timers.pace, wait);
    else
        startConnect();
    return kPending;
}

void GatewayPort::startConnect() {
    const auto& a = address(m_port);
    m_lastConnect[m_port == 2 ? 1 : 0] = std::chrono::steady_clock::now();
    start(m_timers.connect, kConnectTimeout);
    m_link.connect(a->host, a->port);
}

SerialResult GatewayPort::takeBack(const Kept& kept) {
    ++m_attempt;
    m_input.clear();
    m_event = 0;
    const bool connected = m_link.connected();
    if (kept.open && connected && m_session.phase() == GatewaySession::Phase::Open) {
        m_open = true;
        // The speed may have changed while the port was closed.
        apply(m_session.setSettings(*parseLineSettings(m_settings)));
        if (m_link.available() > 0)
            later([this] { onReadyRead(); });
        return {};
    }
    m_connecting = true;
    start(m_timers.connect, kConnectTimeout);
    if (m_sessionUp) {
        start(m_timers.settle, GatewaySession::kSettle);
        usable();
        if (m_link.available() > 0)
            later([this] { onReadyRead(); });
    } else if (connected) {
        onConnected();
    }
    return kPending;
}

void GatewayPort::onConnected() {
    // A port closed meanwhile keeps the connection until it is taken back.
    if (!m_connecting || m_sessionUp)
        return;
    m_sessionUp = true;
    start(m_timers.settle, GatewaySession::kSettle);
    apply(m_session.connected(telnet(), *parseLineSettings(m_settings)));
}

void GatewayPort::apply(GatewaySession::Step step) {
    if (!step.toGateway.empty())
        (void)send(step.toGateway);
    m_input += step.data;
    if (step.holdQuiet)
        start(m_timers.quiet, GatewaySession::kAnswerQuiet);
    if (step.usable && m_connecting)
        usable();
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

void GatewayPort::usable() {
    m_open = true;
    later([this] { raiseOpened({.error = {}, .pending = false, .provisional = true}); });
}

void GatewayPort::report(const SerialResult& outcome) {
    if (!std::exchange(m_connecting, false))
        return;
    m_timers.connect.setEnabled(false);
    m_timers.pace.setEnabled(false);
    // Not tied to the attempt: a later close or open does not take an outcome away.
    post([this, outcome] { raiseOpened(outcome); });
}

void GatewayPort::onEnded(const std::string& cause) {
    if (m_connecting && m_sessionUp) {
        onReadyRead();  // the gateway's last words are its reason
        if (m_connecting) {
            const std::string reason = m_session.reason();
            connectFailed(m_session.closed(cause), reason);
        }
    } else if (m_connecting) {
        connectFailed(cause);
    } else if (m_open) {
        lost(cause);
    }
}

void GatewayPort::connectFailed(const std::string& why, const std::string& reason) {
    m_timers.settle.setEnabled(false);
    m_timers.quiet.setEnabled(false);
    // The port carried bytes while its open was undecided; they went nowhere.
    const bool undelivered = m_open && m_sessionUp && m_session.wroteWhileOpening();
    m_open = false;
    m_event = 0;
    m_input.clear();
    std::string text = openFailureText(describe(), deviceName(m_port),
                                       undelivered ? why + ". " + kNotDelivered : why);
    text += gatewayHint(why, address(m_port)->hostPort(), reason);
    report({text});
    // The connection is let go from the event loop, never inside the link's own report.
    later([this] { drop(); });
}

void GatewayPort::lost(const std::string& why) {
    m_open = false;
    m_timers.settle.setEnabled(false);
    const std::string text = describe() + " was lost: " + why + ".";
    later([this, text] {
        onReadyRead();  // what arrived before the end still counts
        drop();
        m_event = 0;
        raiseLost(text);
    });
}

void GatewayPort::post(std::function<void()> step) {
    m_link.post([alive = std::weak_ptr(m_alive), step = std::move(step)] {
        if (!alive.expired())
            step();
    });
}

void GatewayPort::later(std::function<void()> step) {
    post([this, attempt = m_attempt, step = std::move(step)] {
        if (attempt == m_attempt)
            step();
    });
}

SerialResult GatewayPort::send(std::string_view wire) {
    if (!m_link.connected())
        return {describe() + " is not connected."};
    if (m_link.unsent() > kWriteLimit)
        return {describe() + ": the gateway takes no data."};
    m_link.write(wire);
    return {};
}

SerialResult GatewayPort::output(std::string_view bytes) {
    if (!m_open)
        return {describe() + " is not open."};
    GatewaySession::Step step = m_session.write(bytes);
    if (step.refused)
        return {describe() + " holds what was written until the gateway answers; it is full."};
    const SerialResult sent = step.toGateway.empty() ? SerialResult{} : send(step.toGateway);
    if (!step.data.empty()) {
        // Received before this write and kept while the open was undecided: the panel takes it
        // in from the event loop, never from inside its own send.
        m_input += step.data;
        later([this] { m_event = kComEvReceive, raiseComm(); });
    }
    return sent;
}

std::string GatewayPort::input() {
    return std::exchange(m_input, {});
}

void GatewayPort::onReadyRead() {
    if (m_kept || !m_sessionUp)
        return;  // closed; taken back or let go before the next turn
    m_readQueued = false;
    while (m_link.available() > 0 && m_input.size() < kReadLimit) {
        const std::string bytes =
            m_link.read(std::min<std::size_t>(16 * 1024, kReadLimit - m_input.size()));
        if (bytes.empty())
            break;
        apply(m_session.received(bytes));
    }
    if (!m_input.empty()) {
        m_event = kComEvReceive;
        raiseComm();
    }
    // What the link still holds is read on the next turn of the event loop, so that a flood
    // cannot hold the window.
    if (m_input.empty() && m_link.available() > 0 && !m_readQueued) {
        m_readQueued = true;
        post([this] { onReadyRead(); });
    }
}

}  // namespace r7k
