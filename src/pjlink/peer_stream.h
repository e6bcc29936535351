#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <functional>

namespace r7k::pjlink {

// One controller's TCP connection on its descriptor. Unlike a QTcpSocket it stays open for
// writing when the controller has closed its sending side (a script's `socat` or `nc -N`
// at the end of its input), so the answers to what it sent still reach it.
class PeerStream : public QObject {
  public:
    PeerStream(qintptr descriptor, QObject* parent);
    ~PeerStream() override;

    QHostAddress peerAddress() const { return m_address; }
    QString peer() const;  // "address:port", for the log

    // Sends now what the connection takes, the rest as it takes more.
    void write(const QByteArray& bytes);
    // Reads no more and closes once everything written has gone, or after `grace`.
    void finish(std::chrono::milliseconds grace);

    std::function<void(const QByteArray&)> onData;
    std::function<void()> onEnd;   // the controller sends no more; it may still read
    std::function<void()> onGone;  // closed: finished, reset or failed; called once

  private:
    void readable();
    void writable();
    void close();

    int m_fd;
    QSocketNotifier m_read;
    QSocketNotifier m_write;
    QByteArray m_out;
    bool m_finishing = false;
    QTimer m_grace;
    QHostAddress m_address;
    quint16 m_port = 0;
};

}  // namespace r7k::pjlink
