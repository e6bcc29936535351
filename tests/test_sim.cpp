// The simulated projector: its reply model, command framing and reply shaping, and the built
// r7k-sim binary over a real pseudo-terminal.
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "../sim/framing.h"
#include "../sim/projector_model.h"
#include "link/traffic.h"
#include "replies/decoders.h"

using namespace r7k;
using namespace r7k::sim;

namespace {

// Short phases so that sequences read easily: 2 s count down, 3 s cooling, 1 s lamp hour.
constexpr ModelTiming kTestTiming{milliseconds{2000}, milliseconds{3000}, milliseconds{1000}};

QByteArray bytes(std::string_view s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view view(const QByteArray& b) {
    return std::string_view(b.constData(), static_cast<size_t>(b.size()));
}

// "ACK" and "NAK" stand for the single bytes; any other text is a query answer ending in CR.
QByteArray expectedReply(const QString& text) {
    if (text == "ACK")
        return QByteArray(1, kAck);
    if (text == "NAK")
        return QByteArray(1, kNak);
    return text.toLatin1() + '\r';
}

// A model brought into one power state, at a time when that state has just begun.
ProjectorModel modelIn(const QString& state, milliseconds& now) {
    ProjectorModel model(kFastTiming);
    now = milliseconds{0};
    if (state == "standby")
        return model;
    model.handle(kPowerOn, now);
    if (state == "count down") {
        now = kFastTiming.warmUp / 2;
        return model;
    }
    now = kFastTiming.warmUp;
    if (state == "power on")
        return model;
    model.handle(kPowerOff, now);
    now += kFastTiming.coolDown / 2;
    return model;
}

const QStringList kStates{"standby", "count down", "power on", "cooling down"};

// ---- the built binary over its pseudo-terminal ----

std::string simPath() {
    return qEnvironmentVariable("R7K_SIM").toStdString();
}

// r7k-sim as a child process, stopped when it goes out of scope.
class SimProcess {
  public:
    explicit SimProcess(const QStringList& args) {
        m_process.start(QString::fromStdString(simPath()), args);
        if (!m_process.waitForStarted(5000))
            return;
        QDeadlineTimer deadline(5000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        m_firstLine = QString::fromLocal8Bit(m_process.readLine());
        static const QRegularExpression kListening("^r7k-sim: listening on (/dev/pts/\\d+)\\n$");
        const auto match = kListening.match(m_firstLine);
        if (match.hasMatch())
            m_path = match.captured(1).toStdString();
    }
    ~SimProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& path() const { return m_path; }
    const QString& firstLine() const { return m_firstLine; }
    QProcess& process() { return m_process; }

    // User plus system CPU time in clock ticks, from /proc.
    long cpuTicks() const {
        QFile stat(QString("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.value(11).toLong() + fields.value(12).toLong();
    }

  private:
    QProcess m_process;
    QString m_firstLine;
    std::string m_path;
};

// The panel's end of the line, opened with plain POSIX calls.
class Line {
  public:
    explicit Line(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Line() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool send(const QByteArray& data) {
        return ::write(m_fd, data.constData(), static_cast<size_t>(data.size())) == data.size();
    }
    // Every read() result until `enough` bytes have come or `waitMs` has passed.
    QByteArrayList receive(qsizetype enough, int waitMs = 3000) {
        QByteArrayList pieces;
        qsizetype total = 0;
        QDeadlineTimer deadline(waitMs);
        while (total < enough && !deadline.hasExpired()) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            pieces.append(QByteArray(buffer, n));
            total += n;
        }
        return pieces;
    }

  private:
    int m_fd = -1;
};

}  // namespace

#define REQUIRE_SIM()                                    \
    do {                                                 \
        if (simPath().empty())                           \
            QSKIP("R7K_SIM is not set (CTest sets it)"); \
    } while (false)

// Starts r7k-sim with `args` as `sim` and fails the test when it names no terminal.
#define START_SIM(sim, ...)      \
    REQUIRE_SIM();               \
    SimProcess sim(__VA_ARGS__); \
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()))

class TestSim : public QObject {
    Q_OBJECT
  private slots:
    void queryRepliesInEachState_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("reply");  // a pattern, without the CR
        // Per query: the answer in standby, count down, power on and cooling down, or one for all.
        const std::pair<const char*, QString> rows[] = {
            {"CR0", "80|40|00|20"},   {"CR1", "1"},
            {"CR3", "01234"},         {"CR4", "11"},
            {"CRA", "FF|00|00|00"},   {"CR7", "00|03|03|00"},
            {"CR9", "R7K SIM V1.40"}, {"CR PRESSURE", "512"},
            {"CR INFPFAIL", "NONE"},
        };
        for (const auto& [query, answers] : rows) {
            const QStringList replies = answers.split('|');
            for (int s = 0; s < 4; ++s) {
                QTest::addRow("%s: %s", qPrintable(kStates[s]), query)
                    << kStates[s] << query
                    << QRegularExpression::escape(replies.value(s, replies[0]));
            }
        }
        // Three signed readings in 17 characters, so that the panel's cuts show all three,
        // also while the temperatures are still moving.
        for (const QString& state : kStates) {
            QTest::addRow("%s: CR6", qPrintable(state))
                << state << "CR6"
                << R"([+-]\d\d\.\d [+-]\d\d\.\d [+-]\d\d\.\d)";
        }
    }
    // The answer's exact form, and the panel makes a status line of it (P-FAIL has none).
    void queryRepliesInEachState() {
        QFETCH(QString, state);
        QFETCH(QString, query);
        QFETCH(QString, reply);
        milliseconds now{};
        ProjectorModel model = modelIn(state, now);
        const std::string got = model.handle(query.toStdString(), now);
        const QRegularExpression form("^" + reply + "\r$");
        QVERIFY2(form.match(QString::fromStdString(got)).hasMatch(), sim::quoted(got).c_str());
        const DecodeResult decoded = decodeReply("", query.toStdString() + "\r", trafficText(got));
        QCOMPARE(decoded.status.has_value(), query != "CR INFPFAIL");
    }

    void sequences_data() {
        QTest::addColumn<QStringList>("steps");  // "time ms|command|reply" (ACK, NAK or answer)

        // Power sequence (count down 2 s, cooling 3 s).
        QTest::addRow("count down lasts the warm-up")
            << QStringList{"0|C00|ACK", "1999|CR0|40", "2000|CR0|00"};
        QTest::addRow("C00 during count down does not restart it")
            << QStringList{"0|C00|ACK", "1500|C00|ACK", "2000|CR0|00"};
        QTest::addRow("C00 while on stays on")
            << QStringList{"0|C00|ACK", "2000|C00|ACK", "2001|CR0|00"};
        QTest::addRow("C01 in standby changes nothing") << QStringList{"0|C01|ACK", "1|CR0|80"};
        QTest::addRow("C01 during count down cools down") << QStringList{
            "0|C00|ACK", "1000|C01|ACK", "1001|CR0|20", "3999|CR0|20", "4000|CR0|80"};
        QTest::addRow("cooling lasts the cool-down")
            << QStringList{"0|C00|ACK", "2000|C01|ACK", "4999|CR0|20", "5000|CR0|80"};
        QTest::addRow("C00 while cooling is acknowledged and ignored") << QStringList{
            "0|C00|ACK", "2000|C01|ACK", "2500|C00|ACK", "2501|CR0|20", "5000|CR0|80"};
        QTest::addRow("power on again after cooling") << QStringList{
            "0|C00|ACK", "2000|C01|ACK", "5000|C00|ACK", "5001|CR0|40", "7000|CR0|00"};
        QTest::addRow("both phases pass between two queries")
            << QStringList{"0|C00|ACK", "1000|C01|ACK", "60000|CR0|80"};
        QTest::addRow("power off exactly when warm-up ends")
            << QStringList{"0|C00|ACK", "2000|C01|ACK", "2000|CR0|20"};
        QTest::addRow("a time earlier than the last counts as the last")
            << QStringList{"0|C00|ACK", "2000|CR0|00", "1000|CR0|00"};

        // Mutes: CRA is FF in standby, else 00 plus 1 for no-show and 2 for sound mute.
        QTest::addRow("sound mute on") << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2001|CRA|02"};
        QTest::addRow("no-show on") << QStringList{"0|C00|ACK", "2000|C0D|ACK", "2001|CRA|01"};
        QTest::addRow("both on") << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2000|C0D|ACK",
                                                "2001|CRA|03"};
        QTest::addRow("sound mute off")
            << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2000|C0C|ACK", "2001|CRA|00"};
        QTest::addRow("no-show off keeps sound mute") << QStringList{
            "0|C00|ACK", "2000|C0B|ACK", "2000|C0D|ACK", "2000|C0E|ACK", "2001|CRA|02"};
        QTest::addRow("mute set in standby shows after power on")
            << QStringList{"0|C0B|ACK", "1|CRA|FF", "2|C00|ACK", "3|CRA|02"};
        QTest::addRow("power off clears the mutes")
            << QStringList{"0|C00|ACK",   "2000|C0B|ACK", "2000|C0D|ACK", "3000|C01|ACK",
                           "3001|CRA|00", "6000|CRA|FF",  "6000|C00|ACK", "6001|CRA|00"};

        // Input mode.
        const char* inputs[][2] = {{"C05", "1"}, {"C06", "2"}, {"C07", "3"}, {"C08", "4"},
                                   {"C50", "1"}, {"C51", "1"}, {"C25", "2"}, {"C26", "2"},
                                   {"C33", "3"}, {"C35", "3"}, {"C81", "4"}, {"C82", "4"},
                                   {"C83", "4"}};
        for (auto& [code, input] : inputs) {
            QTest::addRow("%s selects input %s", code, input)
                << QStringList{"0|C08|ACK", "0|C07|ACK", QString("1|%1|ACK").arg(code),
                               QString("2|CR1|%1").arg(input)};
        }
        QTest::addRow("input kept through a power cycle")
            << QStringList{"0|C07|ACK", "0|C00|ACK", "2000|C01|ACK", "9000|CR1|3"};
        QTest::addRow("other commands leave the input")
            << QStringList{"0|C06|ACK", "0|C0B|ACK", "0|CF IMAGE REAL|ACK", "0|C09|ACK", "1|CR1|2"};

        // Lamp hours (one hour per lit second here), lamp mode.
        QTest::addRow("lamp hours grow while lit") << QStringList{
            "0|CR3|01234", "0|C00|ACK", "999|CR3|01234", "1000|CR3|01235", "7500|CR3|01241"};
        QTest::addRow("lamp hours stop while cooling and in standby")
            << QStringList{"0|C00|ACK", "2500|C01|ACK", "2500|CR3|01236", "60000|CR3|01236"};
        QTest::addRow("lamp hours add up over power cycles")
            << QStringList{"0|C00|ACK", "1500|C01|ACK", "10000|C00|ACK", "11500|CR3|01237"};
        QTest::addRow("lamp hours stop at 99999") << QStringList{
            "0|C00|ACK", "98764000|CR3|99998", "98765000|CR3|99999", "200000000|CR3|99999"};
        QTest::addRow("lamp mode follows the lamp")
            << QStringList{"0|CR7|00",     "0|C00|ACK",   "1|CR7|03",   "2000|CR7|03",
                           "2000|C01|ACK", "2001|CR7|00", "5000|CR7|00"};

        // Temperatures: hot while the lamp is lit (less so with the fan at maximum), back to
        // ambient after cooling.
        const QString ambient = "+24.0 +25.5 +25.0", hot = "+32.5 +41.0 +38.5";
        QTest::addRow("standby at ambient")
            << QStringList{"0|CR6|" + ambient, "3600000|CR6|" + ambient};
        QTest::addRow("lit for ten warm-ups settles hot")
            << QStringList{"0|C00|ACK", "20000|CR6|" + hot};
        QTest::addRow("fan at maximum runs 3 degrees cooler, normal again")
            << QStringList{"0|C00|ACK", "0|CF FANSPEED MAX|ACK", "20000|CR6|+29.5 +38.0 +35.5",
                           "20000|CF FANSPEED NOR|ACK", "50000|CR6|" + hot};
        QTest::addRow("fan at maximum in standby changes nothing")
            << QStringList{"0|CF FANSPEED MAX|ACK", "20000|CR6|" + ambient};
        QTest::addRow("cooled down and rested: ambient again")
            << QStringList{"0|C00|ACK", "20000|C01|ACK", "80000|CR6|" + ambient};

        // Unknown text is answered with NAK and changes nothing.
        const QString unknown[] = {"",    "cr0", "c00",      "CR0 ",         " C00",  "C99",
                                   "CRX", "C0",  "CF IMAGE", "CR PRESSURE ", "C\n00", "\x01\x7f"};
        for (const QString& command : unknown) {
            QTest::addRow("NAK for %s", sim::quoted(command.toStdString()).c_str())
                << QStringList{"0|" + command + "|NAK", "1|CR0|80", "1|CR1|1", "1|CRA|FF"};
        }
    }
    void sequences() {
        QFETCH(QStringList, steps);
        ProjectorModel model(kTestTiming);
        for (const QString& step : steps) {
            const QStringList parts = step.split('|');
            const QByteArray got =
                bytes(model.handle(parts[1].toStdString(), milliseconds{parts[0].toLongLong()}));
            QVERIFY2(got == expectedReply(parts[2]),
                     qPrintable(step + ": got " + QString::fromStdString(sim::quoted(view(got)))));
        }
    }

    // Every button's command is known in every power state: an answer ending in CR for a
    // query, ACK for the rest.
    void everyCatalogueCommandIsAnswered_data() {
        QTest::addColumn<QByteArray>("code");
        for (const auto& b : kOneShotButtons)
            QTest::addRow("%s %s", b.name.data(), bytes(b.code).constData()) << bytes(b.code);
        for (const auto& b : kHoldButtons)
            QTest::addRow("%s %s", b.name.data(), bytes(b.code).constData()) << bytes(b.code);
    }
    void everyCatalogueCommandIsAnswered() {
        QFETCH(QByteArray, code);
        for (const QString& state : kStates) {
            milliseconds now{};
            ProjectorModel model = modelIn(state, now);
            const QByteArray reply = bytes(model.handle(view(code), now));
            if (code.startsWith("CR")) {
                QVERIFY2(reply.size() > 1 && reply.endsWith('\r') && reply.count('\r') == 1,
                         qPrintable(state + ": " + reply));
            } else {
                QCOMPARE(reply, QByteArray(1, kAck));
            }
        }
    }

    void framing_data() {
        QTest::addColumn<QByteArrayList>("pieces");  // "<reset>" stands for a reset
        QTest::addColumn<QStringList>("commands");   // overlong ones marked with a leading "!"
        const auto row = [](const char* name, const QByteArrayList& pieces,
                            const QStringList& commands) {
            QTest::addRow("%s", name) << pieces << commands;
        };
        const qsizetype longest = kMaxCommandLength;
        row("one command", {"CR0\r"}, {"CR0"});
        row("split into pieces", {"C", "R", "0\r"}, {"CR0"});
        row("two in one piece", {"CR0\rCR1\r"}, {"CR0", "CR1"});
        row("CR arrives alone", {"CR PRESSURE", "\r"}, {"CR PRESSURE"});
        row("no CR yet", {"CR0"}, {});
        row("empty command", {"\r"}, {""});
        row("CR LF line ends", {"CR0\r\nCR1\r\n"}, {"CR0", "CR1"});
        row("LF inside a command is kept", {"CR\n0\r"}, {"CR\n0"});
        row("NUL is kept", {QByteArray("C") + '\0' + "0\r"}, {QString("C") + QChar(0) + "0"});
        row("overlong is cut and marked, the next is whole", {QByteArray(200, 'A') + "\rCR0\r"},
            {"!" + QString(longest, 'A'), "CR0"});
        row("exactly the longest allowed", {QByteArray(longest, 'B') + "\r"},
            {QString(longest, 'B')});
        row("reset forgets a half command", {"CR", "<reset>", "C01\r"}, {"C01"});
    }
    void framing() {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QStringList, commands);
        CommandFramer framer;
        QStringList got;
        for (const QByteArray& piece : pieces) {
            if (piece == "<reset>")
                framer.reset();
            for (const ReceivedCommand& c : framer.feed(piece == "<reset>" ? "" : view(piece)))
                got << (c.overlong ? "!" : "") + QString::fromLatin1(bytes(c.text));
        }
        QCOMPARE(got, commands);
    }

    // The log shows every byte readably and cannot be mistaken for its own line structure.
    void logQuoting_data();  // defined below the class: moc misreads its raw strings
    void logQuoting() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(quoted(view(raw))), shown);
    }

    // ---- the built binary ----

    void binaryAnswersOverPty_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("send");
        QTest::addColumn<QByteArray>("expected");  // empty: nothing within 300 ms
        const auto row = [](const char* name, const QStringList& args, const QByteArray& send,
                            const QByteArray& expected) {
            QTest::addRow("%s", name) << args << send << expected;
        };
        const QByteArray ack(1, kAck), nak(1, kNak);
        row("status in standby", {}, "CR0\r", "80\r");
        row("power on, then count down", {}, "C00\rCR0\r", ack + "40\r");
        row("unknown command", {}, "cr0\r", nak);
        row("CR LF from a terminal", {}, "CR1\r\nCR4\r\n", "1\r11\r");
        row("overlong line, then a query", {}, QByteArray(300, 'x') + "\rCR0\r", nak + "80\r");
        row("with a reply delay", {"--delay", "50"}, "CR PRESSURE\r", "512\r");
        row("replies dropped", {"--drop-all"}, "CR0\rC00\r", "");
    }
    void binaryAnswersOverPty() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, send);
        QFETCH(QByteArray, expected);
        START_SIM(sim, args + QStringList{"--quiet"});
        Line line(sim.path());
        QVERIFY(line.isOpen());
        QVERIFY(line.send(send));
        const int wait = expected.isEmpty() ? 300 : 3000;
        QCOMPARE(line.receive(qMax(expected.size(), 1), wait).join(), expected);
    }

    // The reply is the same bytes, arriving in separate reads; the pieces of two replies in a
    // row keep their gap too, so no read runs across the end of a reply.
    void binarySendsPieces() {
        START_SIM(sim, {"--quiet", "--pieces", "3", "--gap", "100"});
        Line line(sim.path());
        QVERIFY(line.send("CR PRESSURE\r"));
        QByteArrayList pieces = line.receive(4);
        QCOMPARE(pieces.join(), QByteArray("512\r"));
        QVERIFY2(pieces.size() >= 2, qPrintable(QString::number(pieces.size())));

        QVERIFY(line.send("CR0\rCR1\r"));
        pieces = line.receive(5);
        QCOMPARE(pieces.join(), QByteArray("80\r1\r"));
        for (const QByteArray& piece : pieces) {
            QVERIFY2(piece.indexOf('\r') < 0 || piece.indexOf('\r') == piece.size() - 1,
                     qPrintable(QString::fromLatin1(pieces.join('|'))));
        }
        // A reply shorter than the pieces asked for arrives whole.
        QVERIFY(line.send("C00\r"));
        QCOMPARE(line.receive(1).join(), QByteArray(1, kAck));
    }

    // Closing and reopening the line, as the panel's port button does: the simulator keeps
    // answering, stays idle meanwhile, and a reply left unread does not greet the next opening.
    void binaryKeepsAnsweringAfterReopen() {
        START_SIM(sim, {"--quiet"});
        {
            Line line(sim.path());
            QVERIFY(line.send("CR0\r"));
            QCOMPARE(line.receive(3).join(), QByteArray("80\r"));
            QVERIFY(line.send("CR PRESSURE\r"));  // left unread
            QTest::qWait(100);
        }
        // While nobody has the line open, a spinning poll would use the whole CPU.
        const long before = sim.cpuTicks();
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::qWait(400);
        const long used = sim.cpuTicks() - before;
        const long wall = elapsed.elapsed() * sysconf(_SC_CLK_TCK) / 1000;
        QVERIFY2(before >= 0 && used * 2 < wall,
                 qPrintable(QString("%1 of %2 ticks").arg(used).arg(wall)));

        for (int round = 0; round < 2; ++round) {
            Line line(sim.path());
            QVERIFY(line.isOpen());
            QVERIFY(line.send("CR1\r"));
            QCOMPARE(line.receive(2).join(), QByteArray("1\r"));
        }
        QCOMPARE(sim.process().state(), QProcess::Running);
    }

    void binaryUnsolicitedBytes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("expected");  // bytes that arrive; -1: some
        QTest::addColumn<bool>("ascii");
        QTest::addRow("flood stops after its count")
            << QStringList{"--flood", "5000", "--flood-bytes", "300"} << 300 << false;
        QTest::addRow("ASCII flood")
            << QStringList{"--flood", "5000", "--flood-ascii", "--flood-bytes", "200"} << 200
            << true;
        QTest::addRow("burst larger than the line buffer")
            << QStringList{"--burst", "100000"} << 100000 << false;
        QTest::addRow("noise") << QStringList{"--noise", "1000"} << -1 << false;
    }
    void binaryUnsolicitedBytes() {
        QFETCH(QStringList, args);
        QFETCH(int, expected);
        QFETCH(bool, ascii);
        START_SIM(sim, args + QStringList{"--quiet", "--seed", "7"});
        Line line(sim.path());
        QTest::qWait(100);  // a burst must wait for room on the line
        QByteArray got = line.receive(expected < 0 ? 1 : expected).join();
        if (expected < 0) {
            QVERIFY(!got.isEmpty());
            return;
        }
        got += line.receive(1, 100).join();  // nothing more after the count
        QCOMPARE(got.size(), expected);
        for (qsizetype i = 0; ascii && i < got.size(); ++i) {
            if ((i + 1) % 20 == 0) {
                QCOMPARE(got[i], '\r');
            } else {
                QVERIFY2(got[i] > ' ' && got[i] <= '~', qPrintable(QString::number(i)));
            }
        }
    }

    void binaryStopsOnSignalAndRemovesLink_data() {
        QTest::addColumn<int>("signal");
        QTest::addRow("SIGTERM") << SIGTERM;
        QTest::addRow("SIGINT") << SIGINT;
        QTest::addRow("SIGHUP") << SIGHUP;
    }
    void binaryStopsOnSignalAndRemovesLink() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString link = dir.filePath("projector");
        QVERIFY(QFile::link("/nonexistent", link));  // a stale link is replaced
        START_SIM(sim, {"--quiet", "--link", link});
        QCOMPARE(QFile::symLinkTarget(link), QString::fromStdString(sim.path()));
        {
            Line line(link.toStdString());
            QVERIFY(line.send("CR0\r"));
            QCOMPARE(line.receive(3).join(), QByteArray("80\r"));
        }
        QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), signal), 0);
        QVERIFY(sim.process().waitForFinished(3000));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void binaryCommandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // start of stdout (0) or stderr (otherwise)
        QTest::addRow("help") << QStringList{"--help"} << 0 << "Usage: r7k-sim";
        QTest::addRow("version") << QStringList{"--version"} << 0 << "r7k-sim 1.40.0";
        QTest::addRow("unknown option")
            << QStringList{"--bogus"} << 2 << "r7k-sim: unknown option '--bogus'";
        QTest::addRow("stray argument")
            << QStringList{"CR0"} << 2 << "r7k-sim: unexpected argument 'CR0'";
        QTest::addRow("missing value")
            << QStringList{"--delay"} << 2 << "r7k-sim: --delay needs a value";
        QTest::addRow("bad number") << QStringList{"--pieces", "0"} << 2 << "r7k-sim: --pieces:";
        QTest::addRow("percent over 100") << QStringList{"--drop=101"} << 2 << "r7k-sim: --drop:";
        QTest::addRow("flag with a value")
            << QStringList{"--fast=1"} << 2 << "r7k-sim: --fast takes no value";
        QTest::addRow("missing device") << QStringList{"--device", "/nonexistent/tty"} << 1
                                        << "r7k-sim: /nonexistent/tty: cannot open:";
    }

    void binaryCommandLine() {
        REQUIRE_SIM();
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess process;
        process.start(QString::fromStdString(simPath()), args);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), exitCode);
        QString text = QString::fromLocal8Bit(exitCode == 0 ? process.readAllStandardOutput()
                                                            : process.readAllStandardError());
        QVERIFY2(text.startsWith(output), qPrintable(text));
    }
};

void TestSim::logQuoting_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("shown");
    QTest::addRow("plain command") << QByteArray("CR0") << R"("CR0")";
    QTest::addRow("CR and LF") << QByteArray("80\r\n") << R"("80\r\n")";
    QTest::addRow("quote and backslash") << QByteArray("a\"b\\") << R"("a\"b\\")";
    QTest::addRow("control, DEL and high bytes")
        << QByteArray("\x06\x7f\xff\x00", 4) << R"("\x06\x7F\xFF\x00")";
}

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
