#include "pjlink/server.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <deque>

namespace r7k::pjlink {
namespace {

void log(const QString& text) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", text.toLocal8Bit().constData());
}

QString peer(const QTcpSocket* socket) {
    return socket->peerAddress().toString() + ":" + QString::number(socket->peerPort());
}

}  // namespace

struct Server::Connection {
    QTcpSocket* socket = nullptr;
    Session session;
    std::deque<Request> pending;
    bool busy = false;
    QTimer idle;
};

Server::Server(ctl::Runner& runner, Identity identity, ServerOptions options)
    : m_executor(runner), m_identity(std::move(identity)), m_options(std::move(options)) {
    m_server.setMaxPendingConnections(m_options.maxClients);
    QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
}

Server::~Server() {
    // The sockets are the listening server's children and go with it.
    for (auto& [socket, connection] : m_connections)
        socket->disconnect();
}

bool Server::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

void Server::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (static_cast<int>(m_connections.size()) >= m_options.maxClients) {
            log(peer(socket) + ": refused, " + QString::number(m_options.maxClients) +
                " connections are open already");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto c = std::make_shared<Connection>();
        c->socket = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // answers go out at once
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
        QObject::connect(&c->idle, &QTimer::timeout, socket,
                         [this, socket] { drop(socket, "closed after no request for a while"); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, c] { readFrom(c); });
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            const auto it = m_connections.find(socket);
            if (it == m_connections.end())
                return;
            carryOut(*it->second);  // what it asked before going is done all the same
            m_connections.erase(it);
            socket->deleteLater();
        });
        m_connections[socket] = c;
        socket->write(QByteArray::fromStdString(greeting(random)));
        c->idle.start();
    }
}

void Server::readFrom(const std::shared_ptr<Connection>& c) {
    const QByteArray bytes = c->socket->readAll();
    const Intake intake = c->session.take(std::string_view(bytes.constData(), bytes.size()));
    if (intake.close) {
        // What was asked before the line that closes is done all the same, however the bytes
        // were cut into pieces on the way. A wrong digest carries no requests.
        c->pending.insert(c->pending.end(), intake.requests.begin(), intake.requests.end());
        carryOut(*c);
        c->socket->write(QByteArray::fromStdString(intake.reply));
        return drop(c->socket, QString::fromStdString("closed on " + intake.why));
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
        m_onRequest(c->socket->peerAddress());
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
    if (!c || m_connections.count(c->socket) == 0)
        return;  // the controller went away; the projector did what it asked all the same
    c->socket->write(QByteArray::fromStdString(response(request, result)));
    c->busy = false;
    c->idle.start();
    pump(c);
}

// A closing connection's requests still waiting their turn: run, their answers going nowhere.
void Server::carryOut(Connection& c) {
    for (const Request& request : c.pending)
        m_executor.execute(planFor(request, m_identity), [](auto&, auto&) {});
    c.pending.clear();
}

void Server::drop(QTcpSocket* socket, const QString& why) {
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    log(peer(socket) + ": " + why);
    it->second->idle.stop();
    m_connections.erase(it);
    socket->disconnect();
    // Closed once what is written has gone; a controller that never reads is cut off.
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

}  // namespace r7k::pjlink
