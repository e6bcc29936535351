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

QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// "ACK" and "NAK" stand for the single bytes; any other text is a query answer ending in CR.
QByteArray expectedReply(const QString& text) {
    if (text == "ACK")
        return QByteArray(1, kAck);
    if (text == "NAK")
        return QByteArray(1, kNak);
    return text.toLatin1() + '\r';
}

// Drives a model with "time|command|reply" steps and checks every reply.
void runSteps(ProjectorModel& model, const QStringList& steps) {
    for (const QString& step : steps) {
        QStringList parts = step.split('|');
        QCOMPARE(parts.size(), 3);
        std::string command = parts[1].toStdString();
        QByteArray got = bytes(model.handle(command, milliseconds{parts[0].toLongLong()}));
        if (got != expectedReply(parts[2])) {
            QFAIL(qPrintable(QString("step %1: got %2").arg(step, QString::fromLatin1(got))));
        }
    }
}

// A model brought into one power state, at a time when that state has just begun.
ProjectorModel modelIn(const QString& state, milliseconds& now) {
    ProjectorModel model(kFastTiming);
    now = milliseconds{0};
    if (state == "standby")
        return model;
    model.handle(std::string(kPowerOn), now);
    if (state == "count down") {
        now = kFastTiming.warmUp / 2;
        return model;
    }
    now = kFastTiming.warmUp;
    if (state == "power on")
        return model;
    model.handle(std::string(kPowerOff), now);
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
        while (!m_process.canReadLine() && !deadline.hasExpired()) {
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        }
        m_firstLine = QString::fromLocal8Bit(m_process.readLine());
        static const QRegularExpression kListening("^r7k-sim: listening on (/dev/pts/\\d+)\\n$");
        auto match = kListening.match(m_firstLine);
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
        QByteArray text = stat.readAll();
        // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
        QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
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
    ~Line() { close(); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray& data) {
        return ::write(m_fd, data.constData(), static_cast<size_t>(data.size())) == data.size();
    }
    // Every read() result until `enough` bytes have come or `waitMs` has passed.
    QByteArrayList receive(qsizetype enough, int waitMs) {
        QByteArrayList pieces;
        qsizetype total = 0;
        QDeadlineTimer deadline(waitMs);
        while (total < enough && !deadline.hasExpired()) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0)
                continue;
            char buffer[65536];
            ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            pieces.append(QByteArray(buffer, n));
            total += n;
        }
        return pieces;
    }
    // Bytes up to and including the first CR, or whatever came within `waitMs`.
    QByteArray answer(int waitMs = 3000) {
        QByteArray got;
        QDeadlineTimer deadline(waitMs);
        while (!got.endsWith('\r') && !deadline.hasExpired()) {
            got += receive(1, static_cast<int>(deadline.remainingTime())).join();
        }
        return got;
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

class TestSim : public QObject {
    Q_OBJECT
  private slots:
    void queryRepliesInEachState_data();
    void queryRepliesInEachState();
    void temperatureForm_data();
    void temperatureForm();
    void temperaturesFollowTheLamp_data();
    void temperaturesFollowTheLamp();
    void sequences_data();
    void sequences();
    void everyCatalogueCommandIsAnswered_data();
    void everyCatalogueCommandIsAnswered();
    void unknownCommandsGetNak_data();
    void unknownCommandsGetNak();
    void framing_data();
    void framing();
    void pieces_data();
    void pieces();
    void logQuoting_data();
    void logQuoting();

    void binaryAnswersOverPty_data();
    void binaryAnswersOverPty();
    void binarySendsPieces();
    void binaryKeepsAnsweringAfterReopen();
    void binaryDropsReplies();
    void binaryUnsolicitedBytes_data();
    void binaryUnsolicitedBytes();
    void binaryStopsOnSignalAndRemovesLink_data();
    void binaryStopsOnSignalAndRemovesLink();
    void binaryCommandLine_data();
    void binaryCommandLine();
};

void TestSim::queryRepliesInEachState_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");  // what the panel's decoder shows; null: not decoded

    struct Row {
        const char* query;
        std::array<const char*, 4> replies;  // standby, count down, power on, cooling down
        std::array<const char*, 4> statuses;
    };
    const Row rows[] = {
        {"CR0",
         {"80", "40", "00", "20"},
         {" Stand by", " Count down", " Power ON", " Cooling down"}},
        {"CR1",
         {"1", "1", "1", "1"},
         {" Input mode 1", " Input mode 1", " Input mode 1", " Input mode 1"}},
        {"CR3",
         {"01234", "01234", "01234", "01234"},
         {" 0 1 2 3 4 CR  Hour Use", " 0 1 2 3 4 CR  Hour Use", " 0 1 2 3 4 CR  Hour Use",
          " 0 1 2 3 4 CR  Hour Use"}},
        {"CR4", {"11", "11", "11", "11"}, {" Normally", " Normally", " Normally", " Normally"}},
        {"CRA",
         {"FF", "00", "00", "00"},
         {" Stand by", " Video & Audio mute OFF", " Video & Audio mute OFF",
          " Video & Audio mute OFF"}},
        {"CR7",
         {"00", "03", "03", "00"},
         {" All OFF : 2 Lamp mode", " No1,2 ON  : 2 Lamp mode", " No1,2 ON  : 2 Lamp mode",
          " All OFF : 2 Lamp mode"}},
        {"CR9",
         {"R7K SIM V1.40", "R7K SIM V1.40", "R7K SIM V1.40", "R7K SIM V1.40"},
         {" R 7 K   S I M   V 1 . 4 0 CR ", " R 7 K   S I M   V 1 . 4 0 CR ",
          " R 7 K   S I M   V 1 . 4 0 CR ", " R 7 K   S I M   V 1 . 4 0 CR "}},
        {"CR PRESSURE", {"512", "512", "512", "512"}, {"650 hPa", "650 hPa", "650 hPa", "650 hPa"}},
        {"CR INFPFAIL", {"NONE", "NONE", "NONE", "NONE"}, {nullptr, nullptr, nullptr, nullptr}},
    };
    for (const Row& row : rows) {
        for (int s = 0; s < 4; ++s) {
            QTest::addRow("%s: %s", qPrintable(kStates[s]), row.query)
                << kStates[s] << row.query << QByteArray(row.replies[s]) + '\r'
                << (row.statuses[s] ? QString(row.statuses[s]) : QString());
        }
    }
}

void TestSim::queryRepliesInEachState() {
    QFETCH(QString, state);
    QFETCH(QString, query);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    milliseconds now{};
    ProjectorModel model = modelIn(state, now);
    std::string got = model.handle(query.toStdString(), now);
    QCOMPARE(bytes(got), reply);

    DecodeResult decoded = decodeReply("", query.toStdString() + "\r", trafficText(got));
    QCOMPARE(decoded.status.has_value(), !status.isNull());
    if (decoded.status)
        QCOMPARE(QString::fromStdString(*decoded.status), status);
}

void TestSim::temperatureForm_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("laterMs");  // how long after the state began
    for (const QString& state : kStates) {
        QTest::addRow("%s, at once", qPrintable(state)) << state << 0;
        QTest::addRow("%s, 900 ms on", qPrintable(state)) << state << 900;
    }
}

// Three signed readings in 17 characters, cut by the panel at 1-5, 8-11 and 13-17: all three
// temperatures show, the second without its sign.
void TestSim::temperatureForm() {
    QFETCH(QString, state);
    QFETCH(int, laterMs);
    milliseconds now{};
    ProjectorModel model = modelIn(state, now);
    std::string reply = model.handle(std::string(kQueryTemperature), now + milliseconds{laterMs});
    static const QRegularExpression kForm(R"(^[+-]\d\d\.\d [+-]\d\d\.\d [+-]\d\d\.\d\r$)");
    QVERIFY2(kForm.match(QString::fromStdString(reply)).hasMatch(), reply.c_str());

    DecodeResult decoded =
        decodeReply("", std::string(kQueryTemperature) + "\r", trafficText(reply));
    QVERIFY(decoded.status.has_value());
    static const QRegularExpression kLine(
        R"(^  S1= [+-] \d \d \. \d C  ,   S2=  \d \d \. \d C , S3= [+-] \d \d \. \d C$)");
    QVERIFY2(kLine.match(QString::fromStdString(*decoded.status)).hasMatch(),
             decoded.status->c_str());
}

// Hot while the lamp is lit (less so with the fan at maximum), back to ambient after cooling.
void TestSim::temperaturesFollowTheLamp_data() {
    QTest::addColumn<QStringList>("commands");  // "time|command"
    QTest::addColumn<int>("atMs");
    QTest::addColumn<double>("intake");
    QTest::addColumn<double>("exhaust");
    QTest::addColumn<double>("panel");
    QTest::addRow("standby at start") << QStringList{} << 0 << 24.0 << 25.5 << 25.0;
    QTest::addRow("standby an hour later") << QStringList{} << 3'600'000 << 24.0 << 25.5 << 25.0;
    QTest::addRow("lit for ten warm-ups settles hot")
        << QStringList{"0|C00"} << 20'000 << 32.5 << 41.0 << 38.5;
    QTest::addRow("fan at maximum runs 3 degrees cooler")
        << QStringList{"0|C00", "0|CF FANSPEED MAX"} << 20'000 << 29.5 << 38.0 << 35.5;
    QTest::addRow("fan back to normal")
        << QStringList{"0|C00", "0|CF FANSPEED MAX", "100|CF FANSPEED NOR"} << 30'000 << 32.5
        << 41.0 << 38.5;
    QTest::addRow("fan at maximum in standby changes nothing")
        << QStringList{"0|CF FANSPEED MAX"} << 20'000 << 24.0 << 25.5 << 25.0;
    QTest::addRow("cooled down and rested: ambient again")
        << QStringList{"0|C00", "20000|C01"} << 80'000 << 24.0 << 25.5 << 25.0;
}

void TestSim::temperaturesFollowTheLamp() {
    QFETCH(QStringList, commands);
    QFETCH(int, atMs);
    QFETCH(double, intake);
    QFETCH(double, exhaust);
    QFETCH(double, panel);
    ProjectorModel model(kTestTiming);
    for (const QString& c : commands) {
        model.handle(c.section('|', 1).toStdString(), milliseconds{c.section('|', 0, 0).toInt()});
    }
    model.advance(milliseconds{atMs});
    Temperatures t = model.temperatures();
    const Temperatures expected{intake, exhaust, panel};
    for (std::size_t i = 0; i < t.size(); ++i) {
        QVERIFY2(
            std::abs(t[i] - expected[i]) < 0.05,
            qPrintable(QString("sensor %1: %2, expected %3").arg(i).arg(t[i]).arg(expected[i])));
    }
}

void TestSim::sequences_data() {
    QTest::addColumn<QStringList>("steps");  // "time ms|command|reply" (ACK, NAK or the answer)

    // Power sequence (count down 2 s, cooling 3 s).
    QTest::addRow("C00 starts the count down") << QStringList{"0|C00|ACK", "1|CR0|40"};
    QTest::addRow("count down lasts the warm-up")
        << QStringList{"0|C00|ACK", "1999|CR0|40", "2000|CR0|00"};
    QTest::addRow("C00 during count down does not restart it")
        << QStringList{"0|C00|ACK", "1500|C00|ACK", "2000|CR0|00"};
    QTest::addRow("C00 while on stays on")
        << QStringList{"0|C00|ACK", "2000|C00|ACK", "2001|CR0|00"};
    QTest::addRow("C01 in standby changes nothing") << QStringList{"0|C01|ACK", "1|CR0|80"};
    QTest::addRow("C01 when on cools down")
        << QStringList{"0|C00|ACK", "5000|CR0|00", "5000|C01|ACK", "5001|CR0|20"};
    QTest::addRow("C01 during count down cools down")
        << QStringList{"0|C00|ACK", "1000|C01|ACK", "1001|CR0|20", "3999|CR0|20", "4000|CR0|80"};
    QTest::addRow("cooling lasts the cool-down")
        << QStringList{"0|C00|ACK", "2000|C01|ACK", "4999|CR0|20", "5000|CR0|80"};
    QTest::addRow("C00 while cooling is acknowledged and ignored")
        << QStringList{"0|C00|ACK", "2000|C01|ACK", "2500|C00|ACK", "2501|CR0|20", "5000|CR0|80"};
    QTest::addRow("power on again after cooling")
        << QStringList{"0|C00|ACK", "2000|C01|ACK", "5000|C00|ACK", "5001|CR0|40", "7000|CR0|00"};
    QTest::addRow("both phases pass between two queries")
        << QStringList{"0|C00|ACK", "1000|C01|ACK", "60000|CR0|80"};
    QTest::addRow("power off exactly when warm-up ends")
        << QStringList{"0|C00|ACK", "2000|C01|ACK", "2000|CR0|20"};
    QTest::addRow("a time earlier than the last counts as the last")
        << QStringList{"0|C00|ACK", "2000|CR0|00", "1000|CR0|00"};

    // Mutes: CRA is FF in standby, else 00 plus 1 for no-show and 2 for sound mute.
    QTest::addRow("standby reports FF") << QStringList{"0|CRA|FF"};
    QTest::addRow("count down, no mute") << QStringList{"0|C00|ACK", "1|CRA|00"};
    QTest::addRow("sound mute on") << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2001|CRA|02"};
    QTest::addRow("no-show on") << QStringList{"0|C00|ACK", "2000|C0D|ACK", "2001|CRA|01"};
    QTest::addRow("both on") << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2000|C0D|ACK",
                                            "2001|CRA|03"};
    QTest::addRow("sound mute off")
        << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2000|C0C|ACK", "2001|CRA|00"};
    QTest::addRow("no-show off keeps sound mute")
        << QStringList{"0|C00|ACK", "2000|C0B|ACK", "2000|C0D|ACK", "2000|C0E|ACK", "2001|CRA|02"};
    QTest::addRow("mute twice, one off")
        << QStringList{"0|C00|ACK", "2000|C0D|ACK", "2000|C0D|ACK", "2000|C0E|ACK", "2001|CRA|00"};
    QTest::addRow("mute set in standby shows after power on")
        << QStringList{"0|C0B|ACK", "1|CRA|FF", "2|C00|ACK", "3|CRA|02"};
    QTest::addRow("power off clears the mutes")
        << QStringList{"0|C00|ACK",   "2000|C0B|ACK", "2000|C0D|ACK", "3000|C01|ACK",
                       "3001|CRA|00", "6000|CRA|FF",  "6000|C00|ACK", "6001|CRA|00"};

    // Input mode.
    QTest::addRow("input 1 at start") << QStringList{"0|CR1|1"};
    const char* inputs[][2] = {{"C05", "1"}, {"C06", "2"}, {"C07", "3"}, {"C08", "4"}, {"C50", "1"},
                               {"C51", "1"}, {"C25", "2"}, {"C26", "2"}, {"C33", "3"}, {"C35", "3"},
                               {"C81", "4"}, {"C82", "4"}, {"C83", "4"}};
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
}

void TestSim::sequences() {
    QFETCH(QStringList, steps);
    ProjectorModel model(kTestTiming);
    runSteps(model, steps);
}

void TestSim::everyCatalogueCommandIsAnswered_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("query");
    for (const auto& b : kOneShotButtons) {
        QTest::addRow("%s %s", b.name.data(), std::string(b.code).c_str())
            << QString::fromLatin1(b.code.data(), static_cast<qsizetype>(b.code.size()))
            << b.code.starts_with("CR");
    }
    for (const auto& b : kHoldButtons) {
        QTest::addRow("%s %s", b.name.data(), std::string(b.code).c_str())
            << QString::fromLatin1(b.code.data(), static_cast<qsizetype>(b.code.size())) << false;
    }
}

// Every button's command is known in every power state: an answer ending in CR for a query,
// ACK for the rest.
void TestSim::everyCatalogueCommandIsAnswered() {
    QFETCH(QString, code);
    QFETCH(bool, query);
    for (const QString& state : kStates) {
        milliseconds now{};
        ProjectorModel model = modelIn(state, now);
        QByteArray reply = bytes(model.handle(code.toStdString(), now));
        if (query) {
            QVERIFY2(reply.size() > 1 && reply.endsWith('\r') && reply.count('\r') == 1,
                     qPrintable(state + ": " + reply));
        } else {
            QCOMPARE(reply, QByteArray(1, kAck));
        }
    }
}

void TestSim::unknownCommandsGetNak_data() {
    QTest::addColumn<QString>("command");
    QTest::addRow("empty") << "";
    QTest::addRow("lower case query") << "cr0";
    QTest::addRow("lower case power on") << "c00";
    QTest::addRow("trailing blank") << "CR0 ";
    QTest::addRow("leading blank") << " C00";
    QTest::addRow("unknown code") << "C99";
    QTest::addRow("unknown query") << "CRX";
    QTest::addRow("prefix of a code") << "C0";
    QTest::addRow("prefix of a long code") << "CF IMAGE";
    QTest::addRow("query with a trailing blank") << "CR PRESSURE ";
    QTest::addRow("a LF inside") << "C\n00";
    QTest::addRow("control bytes") << QString::fromLatin1("\x01\x7f");
}

// Unknown text is answered with NAK and changes nothing.
void TestSim::unknownCommandsGetNak() {
    QFETCH(QString, command);
    ProjectorModel model(kTestTiming);
    QCOMPARE(bytes(model.handle(command.toStdString(), milliseconds{0})), QByteArray(1, kNak));
    QCOMPARE(bytes(model.handle("CR0", milliseconds{1})), QByteArray("80\r"));
    QCOMPARE(bytes(model.handle("CR1", milliseconds{1})), QByteArray("1\r"));
    QCOMPARE(bytes(model.handle("CRA", milliseconds{1})), QByteArray("FF\r"));
}

void TestSim::framing_data() {
    QTest::addColumn<QByteArrayList>("pieces");  // "<reset>" stands for a reset
    QTest::addColumn<QStringList>("commands");   // overlong ones marked with a leading "!"
    const QByteArray longText(200, 'A');
    QTest::addRow("one command") << QByteArrayList{"CR0\r"} << QStringList{"CR0"};
    QTest::addRow("split into pieces") << QByteArrayList{"C", "R", "0\r"} << QStringList{"CR0"};
    QTest::addRow("two in one piece") << QByteArrayList{"CR0\rCR1\r"} << QStringList{"CR0", "CR1"};
    QTest::addRow("CR arrives alone")
        << QByteArrayList{"CR PRESSURE", "\r"} << QStringList{"CR PRESSURE"};
    QTest::addRow("no CR yet") << QByteArrayList{"CR0"} << QStringList{};
    QTest::addRow("empty command") << QByteArrayList{"\r"} << QStringList{""};
    QTest::addRow("CR LF line ends")
        << QByteArrayList{"CR0\r\nCR1\r\n"} << QStringList{"CR0", "CR1"};
    QTest::addRow("LF inside a command is kept")
        << QByteArrayList{"CR\n0\r"} << QStringList{"CR\n0"};
    QTest::addRow("NUL is kept") << QByteArrayList{QByteArray("C\0"
                                                              "0\r",
                                                              4)}
                                 << QStringList{QString::fromLatin1("C\0"
                                                                    "0",
                                                                    3)};
    QTest::addRow("overlong is cut and marked, the next is whole")
        << QByteArrayList{longText + "\rCR0\r"}
        << QStringList{"!" + QString(static_cast<qsizetype>(kMaxCommandLength), 'A'), "CR0"};
    QTest::addRow("exactly the longest allowed")
        << QByteArrayList{QByteArray(static_cast<qsizetype>(kMaxCommandLength), 'B') + "\r"}
        << QStringList{QString(static_cast<qsizetype>(kMaxCommandLength), 'B')};
    QTest::addRow("reset forgets a half command")
        << QByteArrayList{"CR", "<reset>", "C01\r"} << QStringList{"C01"};
}

void TestSim::framing() {
    QFETCH(QByteArrayList, pieces);
    QFETCH(QStringList, commands);
    CommandFramer framer;
    QStringList got;
    for (const QByteArray& piece : pieces) {
        if (piece == "<reset>") {
            framer.reset();
            continue;
        }
        for (const ReceivedCommand& c :
             framer.feed(std::string_view(piece.constData(), static_cast<size_t>(piece.size())))) {
            got << (c.overlong ? "!" : "") +
                       QString::fromLatin1(c.text.data(), static_cast<qsizetype>(c.text.size()));
        }
    }
    QCOMPARE(got, commands);
}

void TestSim::pieces_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::addRow("one piece") << QByteArray("80\r") << 1 << QByteArrayList{"80\r"};
    QTest::addRow("even split") << QByteArray("80\r") << 3 << QByteArrayList{"8", "0", "\r"};
    QTest::addRow("longer pieces first")
        << QByteArray("512\r") << 3 << QByteArrayList{"51", "2", "\r"};
    QTest::addRow("more pieces than bytes: one byte each")
        << QByteArray("\x06") << 4 << QByteArrayList{"\x06"};
    QTest::addRow("temperatures in two")
        << QByteArray("+24.0 +25.5 +25.0\r") << 2 << QByteArrayList{"+24.0 +25", ".5 +25.0\r"};
    QTest::addRow("nothing to split") << QByteArray() << 3 << QByteArrayList{};
}

void TestSim::pieces() {
    QFETCH(QByteArray, reply);
    QFETCH(int, count);
    QFETCH(QByteArrayList, expected);
    QByteArrayList got;
    for (const std::string& p : splitIntoPieces(
             std::string_view(reply.constData(), static_cast<size_t>(reply.size())), count)) {
        got << bytes(p);
    }
    QCOMPARE(got, expected);
}

void TestSim::logQuoting_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("shown");
    QTest::addRow("plain command") << QByteArray("CR0") << R"("CR0")";
    QTest::addRow("CR and LF") << QByteArray("80\r\n") << R"("80\r\n")";
    QTest::addRow("quote and backslash") << QByteArray("a\"b\\") << R"("a\"b\\")";
    QTest::addRow("control, DEL and high bytes")
        << QByteArray("\x06\x7f\xff\x00", 4) << R"("\x06\x7F\xFF\x00")";
}

// The log shows every byte readably and cannot be mistaken for its own line structure.
void TestSim::logQuoting() {
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(
                 quoted(std::string_view(raw.constData(), static_cast<size_t>(raw.size())))),
             shown);
}

// ---- the built binary ----

void TestSim::binaryAnswersOverPty_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("send");
    QTest::addColumn<QByteArray>("expected");
    QTest::addRow("status in standby")
        << QStringList{} << QByteArray("CR0\r") << QByteArray("80\r");
    QTest::addRow("power on is acknowledged")
        << QStringList{} << QByteArray("C00\r") << QByteArray("\x06");
    QTest::addRow("power on, then count down") << QStringList{} << QByteArray("C00\rCR0\r")
                                               << QByteArray(
                                                      "\x06"
                                                      "40\r");
    QTest::addRow("unknown command") << QStringList{} << QByteArray("cr0\r") << QByteArray("\x15");
    QTest::addRow("CR LF from a terminal")
        << QStringList{} << QByteArray("CR1\r\nCR4\r\n") << QByteArray("1\r11\r");
    QTest::addRow("overlong line, then a query")
        << QStringList{} << QByteArray(300, 'x') + "\rCR0\r"
        << QByteArray(
               "\x15"
               "80\r");
    QTest::addRow("with a reply delay")
        << QStringList{"--delay", "50"} << QByteArray("CR PRESSURE\r") << QByteArray("512\r");
}

void TestSim::binaryAnswersOverPty() {
    REQUIRE_SIM();
    QFETCH(QStringList, args);
    QFETCH(QByteArray, send);
    QFETCH(QByteArray, expected);
    SimProcess sim(args + QStringList{"--quiet"});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    Line line(sim.path());
    QVERIFY(line.isOpen());
    QVERIFY(line.send(send));
    QCOMPARE(line.receive(expected.size(), 3000).join(), expected);
}

// The reply is the same bytes, arriving in separate reads; the pieces of two replies in a row
// keep their gap too, so no read runs across the end of a reply.
void TestSim::binarySendsPieces() {
    REQUIRE_SIM();
    SimProcess sim({"--quiet", "--pieces", "3", "--gap", "100"});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    Line line(sim.path());
    QVERIFY(line.send("CR PRESSURE\r"));
    QByteArrayList pieces = line.receive(4, 3000);
    QCOMPARE(pieces.join(), QByteArray("512\r"));
    QVERIFY2(pieces.size() >= 2, qPrintable(QString::number(pieces.size())));

    QVERIFY(line.send("CR0\rCR1\r"));
    pieces = line.receive(5, 3000);
    QCOMPARE(pieces.join(), QByteArray("80\r1\r"));
    for (const QByteArray& piece : pieces) {
        QVERIFY2(piece.indexOf('\r') < 0 || piece.indexOf('\r') == piece.size() - 1,
                 qPrintable(QString::fromLatin1(pieces.join('|'))));
    }
}

// Closing and reopening the line, as the panel's port button does: the simulator keeps
// answering, stays idle meanwhile, and a reply left unread does not greet the next opening.
void TestSim::binaryKeepsAnsweringAfterReopen() {
    REQUIRE_SIM();
    SimProcess sim({"--quiet"});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    {
        Line line(sim.path());
        QVERIFY(line.send("CR0\r"));
        QCOMPARE(line.answer(), QByteArray("80\r"));
        QVERIFY(line.send("CR PRESSURE\r"));  // left unread
        QTest::qWait(100);
    }
    // While nobody has the line open, a spinning poll would use the whole CPU.
    long before = sim.cpuTicks();
    QElapsedTimer elapsed;
    elapsed.start();
    QTest::qWait(400);
    long used = sim.cpuTicks() - before;
    long wall = elapsed.elapsed() * sysconf(_SC_CLK_TCK) / 1000;
    QVERIFY2(before >= 0 && used * 2 < wall,
             qPrintable(QString("%1 of %2 ticks").arg(used).arg(wall)));

    for (int round = 0; round < 2; ++round) {
        Line line(sim.path());
        QVERIFY(line.isOpen());
        QVERIFY(line.send("CR1\r"));
        QCOMPARE(line.answer(), QByteArray("1\r"));
    }
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestSim::binaryDropsReplies() {
    REQUIRE_SIM();
    SimProcess sim({"--quiet", "--drop-all"});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    Line line(sim.path());
    QVERIFY(line.send("CR0\rC00\r"));
    QCOMPARE(line.receive(1, 300).join(), QByteArray());
}

void TestSim::binaryUnsolicitedBytes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("expected");  // bytes that arrive; -1: some
    QTest::addColumn<bool>("ascii");
    QTest::addRow("flood stops after its count")
        << QStringList{"--flood", "5000", "--flood-bytes", "300"} << 300 << false;
    QTest::addRow("ASCII flood") << QStringList{"--flood", "5000", "--flood-ascii", "--flood-bytes",
                                                "200"}
                                 << 200 << true;
    QTest::addRow("burst larger than the line buffer")
        << QStringList{"--burst", "100000"} << 100000 << false;
    QTest::addRow("noise") << QStringList{"--noise", "1000"} << -1 << false;
}

void TestSim::binaryUnsolicitedBytes() {
    REQUIRE_SIM();
    QFETCH(QStringList, args);
    QFETCH(int, expected);
    QFETCH(bool, ascii);
    SimProcess sim(args + QStringList{"--quiet", "--seed", "7"});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    Line line(sim.path());
    QTest::qWait(100);  // a burst must wait for room on the line
    QByteArray got = line.receive(expected < 0 ? 1 : expected, 3000).join();
    if (expected < 0) {
        QVERIFY(!got.isEmpty());
        return;
    }
    got += line.receive(1, 100).join();  // nothing more after the count
    QCOMPARE(got.size(), expected);
    if (ascii) {
        for (qsizetype i = 0; i < got.size(); ++i) {
            char c = got[i];
            if ((i + 1) % 20 == 0) {
                QCOMPARE(c, '\r');
            } else {
                QVERIFY2(c > ' ' && c <= '~', qPrintable(QString::number(i)));
            }
        }
    }
}

void TestSim::binaryStopsOnSignalAndRemovesLink_data() {
    QTest::addColumn<int>("signal");
    QTest::addRow("SIGTERM") << SIGTERM;
    QTest::addRow("SIGINT") << SIGINT;
    QTest::addRow("SIGHUP") << SIGHUP;
}

void TestSim::binaryStopsOnSignalAndRemovesLink() {
    REQUIRE_SIM();
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString link = dir.filePath("projector");
    QVERIFY(QFile::link("/nonexistent", link));  // a stale link is replaced
    SimProcess sim({"--quiet", "--link", link});
    QVERIFY2(!sim.path().empty(), qPrintable(sim.firstLine()));
    QCOMPARE(QFile::symLinkTarget(link), QString::fromStdString(sim.path()));
    {
        Line line(link.toStdString());
        QVERIFY(line.send("CR0\r"));
        QCOMPARE(line.answer(), QByteArray("80\r"));
    }
    QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), signal), 0);
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSim::binaryCommandLine_data() {
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

void TestSim::binaryCommandLine() {
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

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
