// The service's session on virtual time: requests arriving at given times, what goes on the
// line and when, and each answer with its time; the state answers what it saw lately, a
// command makes its parts stale, looks of the service's own never hold up a request, and a
// dead line fails every request within a second.
#include <QtTest>

#include "fakes/session_rig.h"

using namespace r7k;
using namespace r7k::fakes;

class TestSession : public QObject {
    Q_OBJECT
  private slots:
    void timeline_data() {
        QTest::addColumn<int>("maxAge");
        QTest::addColumn<QString>("replies");  // as setReplies takes them
        // "ms REQUEST", "ms keep QUERY AGE", "ms silent" (no more replies), "ms speak REPLIES",
        // "ms end" (the time the run ends; else 600 ms after the last event)
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("sent");     // "ms CODE"
        QTest::addColumn<QString>("answers");  // "ms ANSWER"
        // clang-format off
        QTest::newRow("a young state answers without asking; an old one is asked")
            << 1000 << "CR0=00\r" << "0 %1POWR ?|100 %1POWR ?|1100 %1POWR ?"
            << "0 CR0|1100 CR0" << "5 %1POWR=1|100 %1POWR=1|1105 %1POWR=1";
        QTest::newRow("an age of 0 asks every time")
            << 0 << "CR0=00\r" << "0 %1POWR ?|100 %1POWR ?"
            << "0 CR0|100 CR0" << "5 %1POWR=1|105 %1POWR=1";
        QTest::newRow("queries asked together share one on the line")
            << 0 << "CR0=00\r" << "0 %1POWR ?|0 %1ERST ?|1 %1POWR ?"
            << "0 CR0" << "5 %1POWR=1|5 %1ERST=000000|5 %1POWR=1";
        QTest::newRow("a command makes what it changes stale: the status is asked again")
            << 1000 << "CR0=80\r;C00=\x06" << "0 %1POWR ?|10 %1POWR 1|20 %1POWR ?"
            << "0 CR0|10 C00|20 CR0" << "5 %1POWR=0|15 %1POWR=OK|25 %1POWR=0";
        QTest::newRow("power on while warming up, off while cooling down: OK without sending")
            << 0 << "CR0=40\r;C07=\x06" << "0 %1POWR 1|10 %1POWR 0|20 %1INPT 21"
            << "0 CR0|10 CR0|20 CR0|25 C07" << "5 %1POWR=OK|15 %1POWR=ERR3|30 %1INPT=OK";
        QTest::newRow("off while cooling down is OK, on is refused")
            << 0 << "CR0=20\r" << "0 %1POWR 0|10 %1POWR 1" << "0 CR0|10 CR0"
            << "5 %1POWR=OK|15 %1POWR=ERR3";
        QTest::newRow("a request waits for the exchange on the line, not for the looks behind it")
            << 1000 << "CR0=00\r;CR1=1\r;CRA=00\r;CR3=01234\r;CR7=01\r"
            << "0 keep 0 100|0 keep 1 100|0 keep 5 100|1 %1LAMP ?|30 end"
            << "1 CR0|6 CR3|11 CR7|16 CR1|21 CRA" << "16 %1LAMP=1234 1 1234 0";
        QTest::newRow("the next command goes as soon as a reply is in, whatever its time-out")
            << 0 << "CRA=03\r;CR0=00\r;C01=\x06" << "0 %1AVMT ?|1 %1POWR 0"
            << "0 CRA|5 CR0|10 C01" << "5 %1AVMT=31|15 %1POWR=OK";
        QTest::newRow("commands are never shared")
            << 1000 << "CR0=00\r;C0D=\x06;C0B=\x06" << "0 %1AVMT 31|0 %1AVMT 31"
            << "0 CR0|5 C0D|10 C0D|15 C0B|20 C0B" << "20 %1AVMT=OK|25 %1AVMT=OK";
        QTest::newRow("a dead line: what waits fails with the exchange on the line, the rest at once")
            << 1000 << "" << "0 %1POWR ?|100 %1ERST ?|200 %1INPT ?|600 %1POWR ?|1500 %1AVMT ?"
            << "0 CR0|1500 CRA"
            << "500 %1POWR=ERR4|500 %1ERST=ERR4|500 %1INPT=ERR4|600 %1POWR=ERR4|2000 %1AVMT=ERR4";
        QTest::newRow("after a silence the state waits for the line to answer again")
            << 1000 << "CR0=00\r" << "0 %1POWR ?|10 silent|20 %1INPT ?|530 %1POWR ?|1030 speak CR0=80\r|1600 %1POWR ?"
            << "0 CR0|20 CR1|1600 CR0"
            << "5 %1POWR=1|520 %1INPT=ERR4|530 %1POWR=ERR4|1605 %1POWR=0";
        QTest::newRow("a lost port fails requests at once and is opened again a second later")
            << 1000 << "CR0=hangup" << "0 %1POWR ?|600 %1POWR ?|700 speak CR0=00\r|1100 %1POWR ?"
            << "0 CR0|1100 CR0" << "5 %1POWR=ERR4|600 %1POWR=ERR4|1105 %1POWR=1";
        QTest::newRow("a kept query is looked at again each time its age has run")
            << 0 << "CR0=00\r" << "0 keep 0 100|330 end" << "1 CR0|106 CR0|211 CR0|316 CR0" << "";
        QTest::newRow("an input the projector cannot tell is unavailable, not a failure")
            << 0 << "CR1=9\r" << "0 %1INPT ?" << "0 CR1" << "5 %1INPT=ERR3";
        // clang-format on
    }
    void timeline() {
        QFETCH(int, maxAge);
        QFETCH(QString, replies);
        QFETCH(QString, events);
        const Run run = play(maxAge, replies, events);
        QTEST(run.sent, "sent");
        QTEST(run.answers, "answers");
    }

    // What the service is told and logs: why a request failed, the port's troubles said once,
    // the commands the projector took.
    void said_data() {
        QTest::addColumn<QString>("replies");
        QTest::addColumn<QString>(
            "events");  // as above, and "close", "open", "failopen TEXT", "warn TEXT"
        QTest::addColumn<QString>("said");  // "ms text", failures of answers and log lines
        const QString port = "COM1 (/dev/fake1)";
        // clang-format off
        QTest::newRow("no reply, then the line is probed, the rest fail at once")
            << "" << "0 %1POWR ?|100 %1AVMT ?|600 %1INPT ?|700 %1LAMP ?"
            << "500 no reply within 500 ms on " + port + "|"
               "500 the projector did not answer on " + port + " (no reply within 500 ms on " + port + ")|"
               "600 the projector does not answer on " + port + " (no reply within 500 ms on " + port + ")|"
               "700 the projector does not answer on " + port + " (no reply within 500 ms on " + port + ")|never answered";
        QTest::newRow("NAK, a wrong answer, an answer without an end")
            << "CR0=00\r;C01=\x15;C0E=12\r;CRA=" + QString(4096, '1') << "0 %1POWR 0|0 %1AVMT ?|100 %1AVMT 10"
            << "10 an answer of 4096 bytes without an end on " + port + "|"
               "15 power-off: the projector answered NAK (0x15) on " + port + "|"
               "105 no-show-off: expected ACK on " + port + "|answered at 105";
        QTest::newRow("closed, a port that cannot be opened, said once, then open again")
            << "CR0=00\r" << "0 close|10 %1POWR ?|20 failopen /dev/fake1 cannot be opened.\nIt is busy.|20 open|30 %1POWR ?|1500 failopen |2100 %1POWR ?"
            << "10 " + port + " is closed|"
               "20 /dev/fake1 cannot be opened. It is busy; trying again every second|"
               "30 /dev/fake1 cannot be opened. It is busy|"
               "2020 " + port + " is open again|answered at 2105";
        QTest::newRow("a command taken, a command refused")
            << "CR0=00\r;C0D=\x06;C0B=\x15" << "0 %1AVMT 31"
            << "10 took C0D|15 sound-mute-on: the projector answered NAK (0x15) on " + port + "|answered at 15";
        QTest::newRow("the port's own warnings, on one line")
            << "" << "0 warn The gateway is slow.\nIt said so.\n" << "0 The gateway is slow. It said so|never answered";
        // clang-format on
    }
    void said() {
        QFETCH(QString, replies);
        QFETCH(QString, events);
        const Run run = play(1000, replies, events);
        QTEST(run.said, "said");
        QCOMPARE(run.settings, QString("19200,N,8,1"));  // the line's settings, every open
    }

  private:
    struct Run {
        QString sent, answers, said, settings;
    };
    static Run play(int maxAge, const QString& replies, const QString& events) {
        SessionRig rig;
        setReplies(rig, replies);
        pjlink::Requests requests(rig.projector, {}, std::chrono::milliseconds{maxAge});
        QStringList answers, said;
        const auto stamp = [&rig](const std::string& text) {
            return QString("%1 %2").arg(rig.clock.now().count()).arg(QString::fromStdString(text));
        };
        rig.line.onLog = [&](const std::string& text) { said << stamp(text); };
        rig.projector.onCommand = [&](std::string_view code) {
            said << stamp("took " + std::string(code));
        };
        std::optional<int> end;
        int last = 0;
        for (const QString& event : events.split('|')) {
            const int at = event.section(' ', 0, 0).toInt();
            const QString what = event.section(' ', 1);
            rig.runTo(std::chrono::milliseconds{at});
            last = at;
            if (what == "end") {
                end = at;
            } else if (what == "silent") {
                rig.replies.clear();
            } else if (what.startsWith("warn ")) {
                rig.serial.warn(what.mid(5).toStdString());
            } else if (what == "close") {
                rig.line.close();
            } else if (what == "open") {
                rig.line.open("19200,N,8,1");
            } else if (what.startsWith("failopen ")) {
                rig.serial.failures["open"] = what.mid(9).toStdString();
            } else if (what.startsWith("speak ")) {
                rig.replies.clear();
                setReplies(rig, what.mid(6));
            } else if (what.startsWith("keep ")) {
                rig.projector.keep(session::Query(what.section(' ', 1, 1).toInt()),
                                   std::chrono::milliseconds{what.section(' ', 2).toInt()});
            } else {
                const auto request = *pjlink::parseRequest(what.toStdString());
                requests.carryOut(request, [&, request](const pjlink::Answered& a) {
                    answers << stamp(pjlink::response(request, a.result)).chopped(1);
                    if (!a.failure.empty())
                        said << stamp(a.failure);
                });
            }
        }
        rig.runTo(std::chrono::milliseconds{end.value_or(last + 600)});
        // When the projector last answered (a time-out or a loss is no answer).
        const auto answered = rig.projector.answeredAt();
        said << (answered ? QString("answered at %1").arg(answered->count() / 1000)
                          : "never answered");
        return {rig.sent().join('|'), answers.join('|'), said.join('|'),
                QString::fromStdString(rig.serial.settings())};
    }
};

QTEST_APPLESS_MAIN(TestSession)
#include "test_session.moc"
