// The simulated projector: its model and command framing, and the built r7k-sim over a real
// pseudo-terminal.
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "../sim/framing.h"
#include "../sim/projector_model.h"
#include "sim_process.h"

using namespace r7k::sim;

namespace {

// The panel's end of the simulator's line, with plain POSIX calls.
struct Line {
    int fd;
    explicit Line(const QString& path) : fd(::open(qPrintable(path), O_RDWR | O_NOCTTY)) {}
    ~Line() { ::close(fd); }
    bool send(const QByteArray& d) const { return ::write(fd, d.data(), d.size()) == d.size(); }
    // Every read() until `enough` bytes have come or `ms` have passed.
    QByteArrayList receive(qsizetype enough, int ms = 3000) const {
        QByteArrayList pieces;
        for (QDeadlineTimer d(ms); pieces.join().size() < enough && !d.hasExpired();) {
            pollfd p{fd, POLLIN, 0};
            char buf[65536];
            if (::poll(&p, 1, int(d.remainingTime())) <= 0)
                continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            pieces << QByteArray(buf, n);
        }
        return pieces;
    }
};

}  // namespace

class TestSim : public QObject {
    Q_OBJECT
  private slots:
    // "ms|command|reply": the model's answer at that time; A and N stand for ACK and NAK.
    void model_data() {
        QTest::addColumn<QString>("steps");
        // clang-format off
        QTest::addRow("queries in standby") << "0|CR0|80,0|CR1|1,0|CR3|01234,0|CR4|11,0|CRA|FF,0|CR7|00,0|CR9|R7K SIM V1.40,"
                                               "0|CR PRESSURE|512,0|CR INFPFAIL|NONE,0|CR6|+24.0 +25.5 +25.0";
        QTest::addRow("count down, cooling down") << "0|C01|A,1|CR0|80,1|C00|A,1500|C00|A,2000|CR0|40,2001|CR0|00,2001|CR7|03,"
                                                     "3000|C01|A,3500|C00|A,5999|CR0|20,6001|CR0|80";
        QTest::addRow("mutes, cleared by power off") << "0|C00|A,2000|C0B|A,2001|CRA|02,2001|C0D|A,2001|CRA|03,2001|C0C|A,"
                                                        "2001|CRA|01,3000|C01|A,3001|CRA|00,6001|CRA|FF";
        QTest::addRow("input terminal selects its input") << "0|C07|A,1|CR1|3,1|C83|A,2|CR1|4,3|C25|A,4|CR1|2";
        QTest::addRow("lamp hours grow while lit") << "0|C00|A,9999|CR3|01234,10000|CR3|01235,90000|C01|A,900000|CR3|01243";
        QTest::addRow("hot while lit, cooler at fan maximum") << "0|C00|A,0|CF FANSPEED MAX|A,40000|CR6|+29.5 +38.0 +35.5,"
                                                                 "40000|CF FANSPEED NOR|A,100000|CR6|+32.5 +41.0 +38.5";
        QTest::addRow("unknown commands: NAK, nothing changes") << "0||N,0|cr0|N,0|CR0 |N,0| C00|N,0|C99|N,0|CF IMAGE|N,1|CR0|80,1|CRA|FF";
        // clang-format on
    }
    void model() {
        QFETCH(QString, steps);
        ProjectorModel model(kFastTiming);
        for (const QString& step : steps.split(',')) {
            const QStringList p = step.split('|');
            const std::string got =
                model.handle(p[1].toStdString(), milliseconds{p[0].toLongLong()});
            const std::string want = p[2] == "A"   ? "\x06"
                                     : p[2] == "N" ? "\x15"
                                                   : p[2].toStdString() + "\r";
            QVERIFY2(got == want, qPrintable(step + ": " + QString::fromLatin1(got)));
        }
    }

    // Commands framed by CR from pieces; an empty one, a kept LF, an overlong one cut.
    void framing() {
        CommandFramer framer;
        QStringList got;
        for (const QByteArray& piece : {QByteArray("C"), QByteArray("R0\r\nCR1\r\rCR\n0\r"),
                                        QByteArray(200, 'A') + "\rC\r"}) {
            for (const ReceivedCommand& c : framer.feed(piece.toStdString()))
                got << (c.overlong ? "!" : "") + QString::fromStdString(std::string(c.text));
        }
        QCOMPARE(got, (QStringList{"CR0", "CR1", "", "CR\n0", "!" + QString(kMaxCommandLength, 'A'),
                                   "C"}));
    }

    void overPty_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("send");
        QTest::addColumn<QByteArray>("expected");  // empty: nothing in 300 ms; all "?": any bytes
        QTest::addColumn<int>("minPieces");
        const auto row = [](const char* name, const char* args, const QByteArray& send,
                            const QByteArray& expected, int minPieces = 1) {
            QTest::addRow("%s", name)
                << QString(args).split(' ', Qt::SkipEmptyParts) << send << expected << minPieces;
        };
        // clang-format off
        row("power on, then count down", "", "C00\rCR0\r", QByteArray("\x06") + "40\r");
        row("unknown, overlong", "", "cr0\r" + QByteArray(300, 'x') + "\r", "\x15\x15");
        row("delayed", "--delay 50", "CR PRESSURE\r", "512\r");
        row("in pieces, never across a reply", "--pieces 3 --gap 60", "CR PRESSURE\rCR0\r", "512\r80\r", 4);
        row("dropped", "--drop-all", "CR0\r", "", 0);
        // clang-format on
        row("burst beyond the line buffer", "--burst 100000", "", QByteArray(100000, '?'));
    }
    void overPty() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, send);
        QFETCH(QByteArray, expected);
        QFETCH(int, minPieces);
        SimProcess sim(args + QStringList{"--quiet", "--seed", "7"});
        QVERIFY2(sim.path.startsWith("/dev/pts/"), qPrintable(sim.firstLine));
        Line line(sim.path);
        QVERIFY(line.send(send));
        QByteArrayList pieces =
            line.receive(qMax(expected.size(), 1), expected.isEmpty() ? 300 : 5000);
        pieces += line.receive(1, 100);  // nothing more
        QVERIFY(pieces.size() >= minPieces);
        if (expected.count('?') == expected.size() && !expected.isEmpty()) {  // any bytes
            QCOMPARE(pieces.join().size(), expected.size());
            return;
        }
        QCOMPARE(pieces.join(), expected);
        for (const QByteArray& p : pieces)  // no read runs across the end of a reply
            QVERIFY(p.indexOf('\r') < 0 || p.indexOf('\r') == p.size() - 1);
    }

    // A signal stops it cleanly and takes its link away.
    void stopsOnSignalAndRemovesLink() {
        QTemporaryDir dir;
        const QString link = dir.filePath("projector");
        SimProcess sim({"--quiet", "--link", link});
        QCOMPARE(QFile::symLinkTarget(link), sim.path);
        QCOMPARE(::kill(pid_t(sim.process.processId()), SIGHUP), 0);
        QVERIFY(sim.process.waitForFinished(3000));
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
