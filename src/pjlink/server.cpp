#include "pjlink/server.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdio>
#include <deque>

#include "pjlink/peer_stream.h"

namespace r7k::pjlink {
namespace {

void log(const QString& text) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", text.toLocal8Bit().constData());
}

constexpr std::chrono::milliseconds kFinishing{5000};

}  // namespace

struct Server::Connection {
    PeerStream* stream = nullptr;
    Session session;
    std::deque<Request> pending;
    bool busy = false;
    bool ended = false;  // the controller sends no more, and is closed after its answers
    QTimer idle;
};

Server::Server(ctl::Runner& runner, Identity identity, ServerOptions options)
    : m_executor(runner), m_identity(std::move(identity)), m_options(std::move(options)) {
    m_server.setMaxPendingConnections(m_options.maxClients);
    m_server.onIncoming = [this](qintptr descriptor) { accept(descriptor); };
}

Server::~Server() {
    // The streams are this server's children and go with it, unheard.
    for (auto& [stream, connection] : m_connections)
        stream->onGone = nullptr;
}

bool Server::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

void Server::accept(qintptr descriptor) {
    if (static_cast<int>(m_connections.size()) >= m_options.maxClients) {
        PeerStream refused(descriptor, nullptr);
        log(refused.peer() + ": refused, " + QString::number(m_options.maxClients) +
            " connections are open already");
        return;  // closed as it goes
    }
    auto c = std::make_shared<Connection>();
    c->stream = new PeerStream(descriptor, this);
    PeerStream* stream = c->stream;
    std::string random;
    if (!m_options.password.empty()) {
        random = QString::number(QRandomGenerator::system()->generate(), 16)
                     .rightJustified(8, '0')
                     .toStdString();
        const QByteArray digest = QCryptographicHash::hash(
            QByteArray::fromStdString(random + m_options.password), QCryptographicHash::Md5);
        c->session = Session(digest.toHex().toStdString());
    }
    c->idle.setSingleShot(true);
    c->idle.setInterval(m_options.idle);
    QObject::connect(&c->idle, &QTimer::timeout, stream,
                     [this, stream] { drop(stream, "closed after no request for a while"); });
    const std::weak_ptr<Connection> weak = c;
    stream->onData = [this, weak](const QByteArray& bytes) {
        if (const auto c = weak.lock())
            readFrom(c, bytes);
    };
    stream->onEnd = [this, weak] {
        if (const auto c = weak.lock()) {
            c->ended = true;
            if (!c->busy && c->pending.empty())
                drop(c->stream, "closed by the controller");
        }
    };
    stream->onGone = [this, stream] {
        if (const auto it = m_connections.find(stream); it != m_connections.end()) {
            carryOut(*it->second);  // what it asked before going is done all the same
            m_connections.erase(it);
        }
        stream->deleteLater();
    };
    m_connections[stream] = c;
    stream->write(QByteArray::fromStdString(greeting(random)));
    c->idle.start();
}

void Server::readFrom(const std::shared_ptr<Connection>& c, const QByteArray& bytes) {
    const Intake intake = c->session.take(std::string_view(bytes.constData(), bytes.size()));
    if (intake.close) {
        // What was asked before the line that closes is done all the same, however the bytes
        // were cut into pieces on the way. A wrong digest carries no requests.
        c->pending.insert(c->pending.end(), intake.requests.begin(), intake.requests.end());
        carryOut(*c);
        c->stream->write(QByteArray::fromStdString(intake.reply));
        return drop(c->stream, QString::fromStdString("closed on " + intake.why));
    }
    if (!intake.requests.empty() && !c->busy)
        c->idle.start();
    for (const Request& request : intake.requests)
        c->pending.push_back(request);
    pump(c);
}

void Server::pump(const std::shared_ptr<Connection>& c) {
    if (c->busy || c->pending.empty())
        return;
    Request request = std::move(c->pending.front());
    c->pending.pop_front();
    if (m_onRequest)
        m_onRequest(c->stream->peerAddress());
    Plan plan = planFor(request, m_identity);
    if (plan.now)
        return reply(c, request, *plan.now);
    c->busy = true;
    c->idle.stop();  // a request waiting its turn on the line is no idle connection
    run(c, std::move(request), std::move(plan));
}

void Server::run(const std::weak_ptr<Connection>& c, Request request, Plan plan) {
    m_executor.execute(
        std::move(plan), [this, c, request](const std::string& result, const std::string& failure) {
            if (!failure.empty()) {
                log(QString::fromStdString("%" + std::string(1, request.cls) + request.body + " " +
                                           request.param + ": " + failure));
            }
            reply(c, request, result);
        });
}

void Server::reply(const std::weak_ptr<Connection>& weak, const Request& request,
                   const std::string& result) {
    const auto c = weak.lock();
    if (!c || m_connections.count(c->stream) == 0)
        return;  // the controller went away; the projector did what it asked all the same
    c->stream->write(QByteArray::fromStdString(response(request, result)));
    c->busy = false;
    if (c->ended && c->pending.empty())
        return drop(c->stream, "closed by the controller, after its answers");
    if (!c->ended)
        c->idle.start();
    pump(c);
}

// A closing connection's requests still waiting their turn: run, their answers going nowhere.
void Server::carryOut(Connection& c) {
    for (const Request& request : c.pending)
        m_executor.execute(planFor(request, m_identity), [](auto&, auto&) {});
    c.pending.clear();
}

void Server::drop(PeerStream* stream, const QString& why) {
    const auto it = m_connections.find(stream);
    if (it == m_connections.end())
        return;
    log(stream->peer() + ": " + why);
    it->second->idle.stop();
    m_connections.erase(it);
    stream->finish(kFinishing);  // closed once what is written has gone
}

}  // namespace r7k::pjlink
