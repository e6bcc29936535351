#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "pjlink/notices.h"
#include "session/projector.h"

namespace r7k::pjlink {

struct NotifyOptions {
    bool search = true;  // answer "%2SRCH"
    bool notify = true;  // send LKUP at start and POWR, ERST, INPT changes
    // Where notifications go; none: to the controller that sent the latest request.
    std::optional<QHostAddress> to;
    quint16 toPort = 0;  // 0: the PJLink port the service answers on
};

// Class 2 on UDP, on the service's PJLink address and port: answers searches, and tells a
// controller of the projector's changes, as the values the line brings show them.
class Notifier : public QObject {
  public:
    Notifier(session::Projector& projector, NotifyOptions options);

    bool bind(const QHostAddress& host, quint16 port);
    QString errorString() const { return m_socket.errorString(); }
    // LKUP to a set destination.
    void start();
    // A controller at `address` sent a request.
    void controllerAt(const QHostAddress& address);
    // Someone is to be told of changes.
    bool telling() const { return m_options.notify && m_destination.has_value(); }

    void see(const session::Value& value);
    void taken(std::string_view code);
    // The destination changed; the projector should be watched (or no longer).
    std::function<void()> onTelling;

  private:
    void readDatagrams();
    void send(const std::string& line, const QHostAddress& to, quint16 port);

    session::Projector& m_projector;
    NotifyOptions m_options;
    QUdpSocket m_socket;
    quint16 m_port = 0;
    StatusWatch m_watch;
    SearchPace m_pace;
    std::optional<QHostAddress> m_destination;
};

}  // namespace r7k::pjlink
