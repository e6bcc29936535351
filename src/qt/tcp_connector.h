#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QHostAddress;

namespace r7k {

// One TCP connect, tried once. QAbstractSocket learns a connect's outcome by calling connect()
// again, and on a connection the gateway reset meanwhile that starts a new connection at once,
// over and over; here the outcome is read with SO_ERROR and the connected descriptor handed on.
class TcpConnector {
  public:
    // The connected descriptor (the receiver owns it), or -1 and the cause in plain words.
    using Done = std::function<void(int fd, const std::string& cause)>;

    TcpConnector() = default;
    TcpConnector(const TcpConnector&) = delete;
    TcpConnector& operator=(const TcpConnector&) = delete;
    ~TcpConnector() { cancel(); }

    // Looks the host up if it is a name, then connects; `done` runs from the event loop.
    void start(const QString& host, quint16 port, Done done);
    // Gives up a connect under way; its `done` never runs.
    void cancel();
    bool busy() const { return m_busy; }

  private:
    void connectTo(const QHostAddress& address);
    void finish(int fd, const std::string& cause);

    QObject m_context;  // the lookup's and the notifier's callbacks end with it
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fd = -1;
    quint16 m_port = 0;
    bool m_busy = false;
    quint64 m_generation = 0;  // tells a cancelled lookup's answer from the current one's
    Done m_done;
};

}  // namespace r7k
