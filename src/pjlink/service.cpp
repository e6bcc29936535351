#include "pjlink/service.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "pjlink/md5.h"

namespace r7k::pjlink {

struct Service::Connection {
    Peer* peer = nullptr;
    Session session;
    std::deque<Request> pending;
    bool busy = false;    // a request under way
    bool ended = false;   // the controller sends no more
    bool paused = false;  // not read while its answers wait to be taken
    microseconds deadline{0};
};

Service::Service(Requests& requests, ServiceOptions options, Timer& idle, Clock now,
                 std::function<std::string()> random)
    : m_requests(requests),
      m_options(std::move(options)),
      m_idle(idle),
      m_now(std::move(now)),
      m_random(std::move(random)) {
    m_idle.setEnabled(false);
    m_idle.setHandler([this] {
        m_idle.setEnabled(false);
        idleTick();
    });
}

Service::~Service() {
    m_idle.setHandler(nullptr);
}

void Service::log(const std::string& text) {
    if (onLog)
        onLog(text);
}

bool Service::accept(Peer& peer) {
    if (full()) {
        log(peer.name() + ": refused, " + std::to_string(m_options.maxClients) +
            " connections are open already");
        return false;
    }
    auto c = std::make_unique<Connection>();
    c->peer = &peer;
    std::string random;
    if (!m_options.password.empty()) {
        random = m_random();
        c->session = Session(md5Hex(random + m_options.password));
    }
    c->deadline = m_now() + m_options.idle;
    m_connections[&peer] = std::move(c);
    peer.write(greeting(random));
    rearm();
    counted();
    return true;
}

void Service::received(Peer& peer, std::string_view bytes) {
    const auto it = m_connections.find(&peer);
    if (it == m_connections.end())
        return;
    Connection& c = *it->second;
    Intake intake = c.session.take(bytes);
    if (intake.activity) {
        c.deadline = m_now() + m_options.idle;
        rearm();
    }
    if (intake.close) {
        // What was asked before the line that closes is done all the same, however the bytes
        // were cut into pieces on the way. A wrong digest carries no requests.
        c.pending.insert(c.pending.end(), intake.requests.begin(), intake.requests.end());
        carryOut(c);
        peer.write(intake.reply);
        return close(c, "closed on " + intake.why);
    }
    c.pending.insert(c.pending.end(), std::make_move_iterator(intake.requests.begin()),
                     std::make_move_iterator(intake.requests.end()));
    pump(c);
}

void Service::ended(Peer& peer) {
    const auto it = m_connections.find(&peer);
    if (it == m_connections.end())
        return;
    Connection& c = *it->second;
    c.ended = true;
    if (!c.busy && c.pending.empty())
        close(c, "closed by the controller");
}

void Service::drained(Peer& peer) {
    const auto it = m_connections.find(&peer);
    if (it == m_connections.end())
        return;
    Connection& c = *it->second;
    if (c.paused && peer.unsent() <= m_options.unsentLimit / 2) {
        c.paused = false;
        peer.setReading(true);
    }
}

void Service::gone(Peer& peer) {
    const auto it = m_connections.find(&peer);
    if (it == m_connections.end())
        return;
    log(peer.name() + ": closed by the controller");
    carryOut(*it->second);  // what it asked before going is done all the same
    m_connections.erase(it);
    rearm();
    counted();
}

void Service::pump(Connection& c) {
    while (!c.busy && !c.pending.empty()) {
        Request request = std::move(c.pending.front());
        c.pending.pop_front();
        c.busy = true;
        if (onRequest)
            onRequest(c.peer->address());
        Peer* peer = c.peer;
        const microseconds started = m_now();
        // The answer may come at once (the identity, the state): then the loop goes on with the
        // next request, unless the connection was closed meanwhile.
        m_requests.carryOut(request, [this, peer, request, started](const Answered& a) {
            answered(peer, request, a, started);
        });
        if (m_connections.find(peer) == m_connections.end())
            return;
    }
}

void Service::answered(Peer* peer, const Request& request, const Answered& answer,
                       microseconds started) {
    if (onAnswer)
        onAnswer(request, answer, m_now() - started);
    if (!answer.failure.empty()) {
        // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "%" + a temporary.
        std::string line(1, '%');
        line += request.cls;
        line += request.body + " " + request.param + ": " + answer.failure;
        log(line);
    }
    const auto it = m_connections.find(peer);
    if (it == m_connections.end())
        return;  // the controller went away; the projector did what it asked all the same
    Connection& c = *it->second;
    c.busy = false;
    peer->write(response(request, answer.result));
    if (!c.paused && peer->unsent() > m_options.unsentLimit) {
        c.paused = true;
        peer->setReading(false);
        log(peer->name() + ": not read until it takes its answers (" +
            std::to_string(peer->unsent()) + " bytes wait)");
    }
    if (c.ended && c.pending.empty())
        return close(c, "closed by the controller, after its answers");
    c.deadline = m_now() + m_options.idle;
    rearm();
    // Within a pump the loop takes the next; an answer that came later starts it here.
    pump(c);
}

void Service::close(Connection& c, const std::string& why) {
    Peer* peer = c.peer;
    log(peer->name() + ": " + why);
    m_connections.erase(peer);
    peer->finish();
    rearm();
    counted();
}

void Service::counted() {
    if (onConnections)
        onConnections();
}

void Service::carryOut(Connection& c) {
    for (const Request& request : c.pending)
        m_requests.carryOut(request, [](const Answered&) {});
    c.pending.clear();
}

void Service::rearm() {
    std::optional<microseconds> next;
    for (const auto& [peer, c] : m_connections) {
        if (!c->busy)
            next = next ? std::min(*next, c->deadline) : c->deadline;
    }
    if (!next) {
        m_idle.setEnabled(false);
        return;
    }
    const auto wait = std::chrono::ceil<milliseconds>(*next - m_now());
    m_idle.setInterval(std::max(wait, milliseconds{1}));
    m_idle.setEnabled(true);
}

void Service::idleTick() {
    const microseconds now = m_now();
    std::vector<Connection*> idle;
    for (const auto& [peer, c] : m_connections) {
        if (!c->busy && c->pending.empty() && c->deadline <= now)
            idle.push_back(c.get());
    }
    for (Connection* c : idle)
        close(*c, "closed after no request for a while");
    rearm();
}

}  // namespace r7k::pjlink
