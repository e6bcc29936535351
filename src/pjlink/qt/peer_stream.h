#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <functional>

#include "pjlink/service.h"

namespace r7k::pjlink {

// One controller's TCP connection on its descriptor. Unlike a QTcpSocket it stays open for
// writing when the controller has closed its sending side (a script's `socat` or `nc -N`
// at the end of its input), so the answers to what it sent still reach it.
class PeerStream : public QObject, public Peer {
  public:
    // Closing waits this long at most for what was written to go.
    static constexpr std::chrono::milliseconds kFinishing{5000};

    PeerStream(qintptr descriptor, QObject* parent);
    ~PeerStream() override;

    void write(std::string_view bytes) override;
    std::size_t unsent() const override { return static_cast<std::size_t>(m_out.size()); }
    void setReading(bool reading) override;
    void finish() override;
    std::string address() const override { return m_address.toString().toStdString(); }
    std::string name() const override;
    QHostAddress peerAddress() const { return m_address; }
    // Closes at once, whatever waits to be written.
    void abort();
    bool isClosed() const { return m_fd < 0; }
    // Reads what is waiting now, the end of the input included, without waiting for the
    // event loop to say so.
    void readNow() { readable(); }

    std::function<void(std::string_view)> onData;
    std::function<void()> onEnd;      // the controller sends no more; it may still read
    std::function<void()> onDrained;  // some of what was written went
    // Closed: finished, reset or failed; called once, from the event loop when the close
    // happened inside write().
    std::function<void()> onGone;

  private:
    void readable();
    void writable();
    void close();

    int m_fd;
    QSocketNotifier m_read;
    QSocketNotifier m_write;
    QByteArray m_out;
    bool m_finishing = false;
    bool m_reading = true;
    bool m_inputEnded = false;
    bool m_writing = false;  // inside write(), called by the service
    QTimer m_grace;
    QHostAddress m_address;
    quint16 m_port = 0;
};

}  // namespace r7k::pjlink
