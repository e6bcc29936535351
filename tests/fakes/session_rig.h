#pragma once

#include <QMap>
#include <QStringList>
#include <map>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial.h"
#include "pjlink/requests.h"
#include "session/line_scheduler.h"
#include "session/projector.h"

namespace r7k::fakes {

// The service's line on virtual time: a projector that answers each command (CR removed) with
// the pieces in `replies` after `latency`, or not at all without an entry (a reply "hangup"
// hangs the line up); a request's answer is recorded with its time.
struct SessionRig {
    FakeClock clock;
    FakeTimer& timeout = clock.make("timeout");
    FakeTimer& retry = clock.make("retry");
    FakeTimer& keeper = clock.make("keeper");
    FakeSerial serial{&clock};
    session::LineScheduler line{serial, timeout, retry, [this] { return now(); }};
    session::Projector projector{line, keeper, [this] { return now(); }};
    QMap<QString, QStringList> replies;
    milliseconds latency{5};

    SessionRig() { line.open("19200,N,8,1"); }
    std::chrono::microseconds now() const { return clock.now(); }

    // Lets time pass to `until` (absolute), answering what is written as it goes.
    void runTo(milliseconds until) {
        for (;;) {
            for (; m_answered < serial.writes.size(); ++m_answered) {
                const auto& w = serial.writes[m_answered];
                m_due.emplace(w.at + latency, QString::fromLatin1(w.bytes).chopped(1));
            }
            const bool replyDue = !m_due.empty() && m_due.begin()->first <= until;
            if (clock.now() >= until && !replyDue)
                return;
            // A millisecond at a time, so that what a timer writes is answered in time too.
            const milliseconds next =
                replyDue ? m_due.begin()->first : std::min(until, clock.now() + milliseconds{1});
            clock.advance(std::max(next - clock.now(), milliseconds{0}));
            while (!m_due.empty() && m_due.begin()->first <= clock.now()) {
                const QString command = m_due.begin()->second;
                m_due.erase(m_due.begin());
                for (const QString& p : replies.value(command)) {
                    if (p == "hangup")
                        serial.hangUp();
                    else if (serial.portOpen())
                        serial.receive(p.toLatin1().toStdString());
                }
            }
        }
    }

    // Every write as "ms CODE".
    QStringList sent() const {
        QStringList out;
        for (const auto& w : serial.writes)
            out << QString("%1 %2").arg(w.at.count()).arg(QString::fromLatin1(w.bytes).chopped(1));
        return out;
    }

  private:
    std::size_t m_answered = 0;
    std::multimap<milliseconds, QString> m_due;
};

// Replies as "CR0=80\r;C00=\x06": a command, "=", its pieces split at ','.
inline void setReplies(SessionRig& rig, const QString& replies) {
    for (const QString& entry : replies.split(';', Qt::SkipEmptyParts))
        rig.replies[entry.section('=', 0, 0)] = entry.section('=', 1).split(',');
}

}  // namespace r7k::fakes
