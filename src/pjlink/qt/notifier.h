#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include "pjlink/announcer.h"

namespace r7k::pjlink {

// Class 2 on a Qt UDP socket, on the service's PJLink address and port: the announcer's
// datagrams in and out.
class Notifier : public QObject {
  public:
    Notifier(session::Projector& projector, const Config& config);

    bool bind(const QHostAddress& host, quint16 port);
    QString errorString() const { return m_socket.errorString(); }
    Announcer& announcer() { return m_announcer; }

  private:
    void readDatagrams();
    void send(const std::string& line, const std::string& host, std::uint16_t port);

    QUdpSocket m_socket;
    quint16 m_port = 0;
    Announcer m_announcer;
};

}  // namespace r7k::pjlink
