#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ctl/runner.h"
#include "pjlink/executor.h"
#include "pjlink/mapping.h"

namespace r7k::pjlink {

class PeerStream;

// A listening socket that hands over each new connection's descriptor.
class Listener : public QTcpServer {
  public:
    std::function<void(qintptr)> onIncoming;

  protected:
    void incomingConnection(qintptr descriptor) override { onIncoming(descriptor); }
};

struct ServerOptions {
    std::string password;  // empty: no authentication
    int maxClients = 16;
    std::chrono::milliseconds idle{30'000};  // a connection without a request is closed
};

// The PJLink side of the service: connections, their greeting and authentication, and their
// requests, each answered in turn through the runner that owns the projector's line. Requests
// of all connections share the line one at a time; each connection gets its answers in order.
class Server : public QObject {
  public:
    Server(ctl::Runner& runner, Identity identity, ServerOptions options);
    ~Server() override;

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    Executor& executor() { return m_executor; }
    // Called with the controller's address for each request it sends.
    void onRequest(std::function<void(const QHostAddress&)> hook) { m_onRequest = std::move(hook); }

  private:
    struct Connection;

    void accept(qintptr descriptor);
    void readFrom(const std::shared_ptr<Connection>& c, const QByteArray& bytes);
    void pump(const std::shared_ptr<Connection>& c);
    void run(const std::weak_ptr<Connection>& c, Request request, Plan plan);
    void reply(const std::weak_ptr<Connection>& c, const Request& request,
               const std::string& result);
    void carryOut(Connection& c);
    void drop(PeerStream* stream, const QString& why);

    Executor m_executor;
    Identity m_identity;
    ServerOptions m_options;
    Listener m_server;
    std::map<PeerStream*, std::shared_ptr<Connection>> m_connections;
    std::function<void(const QHostAddress&)> m_onRequest;
};

}  // namespace r7k::pjlink
