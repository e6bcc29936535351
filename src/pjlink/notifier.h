#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "pjlink/executor.h"
#include "pjlink/notices.h"

namespace r7k::pjlink {

struct NotifyOptions {
    bool search = true;  // answer "%2SRCH"
    bool notify = true;  // send LKUP at start and POWR, ERST, INPT changes
    // Where notifications go; none: to the controller that sent the latest request.
    std::optional<QHostAddress> to;
    quint16 toPort = 0;                     // 0: the PJLink port the service answers on
    std::chrono::milliseconds every{5000};  // how often the projector is looked at
};

// Class 2 on UDP, on the service's PJLink address and port: answers searches, and tells a
// controller of the projector's changes. To see them the projector's STATUS (and MODE, while
// it is on) is asked every few seconds while someone is to be told, unless the controllers'
// own requests showed it lately, and at once after a command was taken.
class Notifier : public QObject {
  public:
    Notifier(Executor& executor, NotifyOptions options);

    bool bind(const QHostAddress& host, quint16 port);
    QString errorString() const { return m_socket.errorString(); }
    // LKUP to a set destination, and the watching begins.
    void start();
    // A controller at `address` sent a request.
    void controllerAt(const QHostAddress& address);

  private:
    void readDatagrams();
    using Clock = std::chrono::steady_clock;
    void poll(bool now);
    void see(const ctl::StepResult& result);
    void send(const std::string& line, const QHostAddress& to, quint16 port);

    Executor& m_executor;
    NotifyOptions m_options;
    QUdpSocket m_socket;
    quint16 m_port = 0;
    QTimer m_poll;
    bool m_polling = false;
    Clock::time_point m_seenStatus, m_seenMode;  // when a reply last told each
    StatusWatch m_watch;
    std::optional<QHostAddress> m_destination;
    // Search answers in the current second: a flood of searches, perhaps with a forged
    // sender, gets only so many.
    Clock::time_point m_second;
    int m_answers = 0;
};

}  // namespace r7k::pjlink
