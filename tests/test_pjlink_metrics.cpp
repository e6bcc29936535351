// r7k-pjlink's toolkit-free pieces around the metrics: the command line, the addresses, what
// the service keeps fresh, the exposition of the state and the requests, the HTTP responder.
#include <QtTest>

#include "pjlink/http_responder.h"
#include "pjlink/keep_fresh.h"
#include "pjlink/metrics.h"
#include "pjlink/options.h"

using namespace r7k;
using namespace r7k::pjlink;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

// The configuration in a few words, for comparing.
QString summary(const Config& c) {
    QString out = QString("listen=%1 maxAge=%2 clients=%3 password=%4")
                      .arg(QString::fromStdString(c.listen.hostPort()))
                      .arg(c.maxAge.count())
                      .arg(c.service.maxClients)
                      .arg(QString::fromStdString(c.service.password));
    if (c.notifyTo)
        out += " notify=" + QString::fromStdString(c.notifyTo->hostPort());
    if (c.metrics)
        out += " metrics=" + QString::fromStdString(c.metrics->hostPort());
    return out + QString(" loopback=%1 info=%2")
                     .arg(c.listen.isLoopback())
                     .arg(QString::fromStdString(c.identity.info));
}

}  // namespace

class TestPjlinkMetrics : public QObject {
    Q_OBJECT
  private slots:
    // Arguments after "--port /dev/null" ("-" alone: none at all); "@pw" is a password file.
    void options_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");  // the summary, or a part of the message
        const QString plain = "listen=127.0.0.1:4352 maxAge=1000 clients=16 password=";
        const QList<std::tuple<const char*, QStringList, int, QString>> rows = {
            {"defaults", {}, 0, plain + " loopback=1 info=r7k-pjlink 9.9"},
            {"every v6 address", {"--listen", "[::]:4352"}, 0, "loopback=0"},
            {"v6 loopback", {"--listen", "[::1]:1"}, 0, "loopback=1"},
            {"one client", {"--max-clients", "1"}, 0, "clients=1"},
            {"metrics port junk", {"--metrics", "9100x"}, 2, "from 0 to 65535"},
            {"v6 loopback written out", {"--listen", "[0:0:0:0:0:0:0:1]:1"}, 0, "loopback=1"},
            {"metrics port", {"--metrics", "9100"}, 0, plain + " metrics=127.0.0.1:9100"},
            {"metrics v6", {"--metrics=[::1]:9100"}, 0, plain + " metrics=[::1]:9100"},
            {"metrics localhost", {"--metrics", "localhost:0"}, 0, plain + " metrics=127.0.0.1:0"},
            {"metrics name",
             {"--metrics", "host.example:9100"},
             2,
             "--metrics host.example:9100: expected an IPv4 address, an IPv6 address in brackets"},
            {"metrics bare v6", {"--metrics", "::1:9100"}, 2, "expected an IPv4"},
            {"metrics octet", {"--metrics", "1.2.3.256:80"}, 2, "expected an IPv4"},
            {"metrics short v4", {"--metrics", "1.2.3:80"}, 2, "expected an IPv4"},
            {"metrics port range", {"--metrics", "70000"}, 2, "from 0 to 65535"},
            {"metrics no port", {"--metrics", "127.0.0.1:"}, 2, "from 0 to 65535"},
            {"listen zone", {"--listen", "[fe80::1%eth0]:4352"}, 0, "listen=[fe80::1%eth0]:4352"},
            {"listen v4 in v6", {"--listen", "[::ffff:192.0.2.1]:1"}, 0, "[::ffff:192.0.2.1]:1"},
            {"listen 9 groups", {"--listen", "[1:2:3:4:5:6:7:8:9]:1"}, 2, "expected an IPv4"},
            {"listen two gaps", {"--listen", "[1::2::3]:1"}, 2, "expected an IPv4"},
            {"notify every", {"--notify-to", "[::]"}, 2, "not every or a broadcast"},
            {"notify broadcast", {"--notify-to", "255.255.255.255:9"}, 2, "not every or a broad"},
            {"notify host", {"--notify-to", "192.0.2.7"}, 0, plain + " notify=192.0.2.7:0"},
            {"notify and not", {"--notify-to", "192.0.2.7", "--no-notify"}, 2, "cannot be used"},
            {"max age", {"--max-age", "0.25"}, 0, "maxAge=250"},
            {"max age range", {"--max-age", "61"}, 2, "--max-age 61: expected seconds"},
            {"clients", {"--max-clients", "1000"}, 0, "clients=1000"},
            {"clients range", {"--max-clients", "0"}, 2, "from 1 to 1000"},
            {"password", {"--password-file", "@pw"}, 0, "password=secret"},
            {"no password file", {"--password-file", "/nonexistent/pw"}, 1, "cannot be read"},
            {"control", {"--name", "a\tb"}, 2, "no control characters"},
            {"help", {"-", "--help"}, 0, "--metrics [HOST:]PORT"},
            {"no port", {"-"}, 2, "--port is required"},
        };
        for (const auto& [name, args, status, says] : rows)
            QTest::newRow(name) << args << status << says;
    }
    void options() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        QTemporaryFile password;
        QVERIFY(password.open());
        password.write("secret\r\nsecond line\n");
        password.flush();
        std::vector<std::string> line{"--port", "/dev/null"};
        if (args.value(0) == "-")
            line.clear();
        for (const QString& arg : args)
            if (arg != "-")
                line.push_back((arg == "@pw" ? password.fileName() : arg).toStdString());
        const Invocation got = readOptions(line, "9.9");
        QCOMPARE(got.status, status);
        QCOMPARE(got.config.has_value(), status == 0 && got.out.empty());
        const QString text =
            got.config ? summary(*got.config) : QString::fromStdString(got.out + got.err);
        QVERIFY2(text.contains(says), qPrintable(text));
    }

    // What is kept, in the order of the queries: status, input, setting, lamp hours,
    // temperatures, mute, lamp state, pressure (milliseconds; 0: not kept).
    void freshness_data() {
        QTest::addColumn<int>("controllers");
        QTest::addColumn<bool>("telling");
        QTest::addColumn<bool>("metrics");
        QTest::addColumn<int>("maxAge");
        QTest::addColumn<QString>("kept");
        QTest::newRow("nobody") << 0 << false << false << 1000 << "0 0 0 0 0 0 0 0";
        QTest::newRow("controller") << 1 << false << false << 1000 << "500 0 0 0 0 0 0 0";
        QTest::newRow("telling") << 0 << true << false << 1000 << "5000 5000 0 0 0 0 0 0";
        QTest::newRow("both, long age") << 2 << true << false << 20000 << "5000 5000 0 0 0 0 0 0";
        QTest::newRow("metrics") << 0 << false << true << 3000
                                 << "3000 60000 0 60000 60000 0 60000 60000";
        QTest::newRow("metrics, age 0")
            << 0 << false << true << 0 << "1000 60000 0 60000 60000 0 60000 60000";
        QTest::newRow("all") << 1 << true << true << 4000
                             << "2000 5000 0 60000 60000 0 60000 60000";
    }
    void freshness() {
        QFETCH(int, controllers);
        QFETCH(bool, telling);
        QFETCH(bool, metrics);
        QFETCH(int, maxAge);
        QFETCH(QString, kept);
        QStringList got;
        for (const milliseconds age : pjlink::freshness(
                 {static_cast<std::size_t>(controllers), telling, metrics}, milliseconds{maxAge}))
            got << QString::number(age.count());
        QCOMPARE(got.join(' '), kept);
    }

    // Replies seen ("QUERY:REPLY@SECONDS", the query's number, at that time) and requests
    // answered ("BODY=RESULT@MS"), rendered at 300 s: the lines that must be there, and the
    // metric names that must not.
    void exposition_data() {
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QStringList>("answered");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("nothing yet")
            << QStringList{} << QStringList{}
            << QStringList{"r7k_line_up 0", "r7k_pjlink_controllers 2", "_count 0",
                           "le=\"+Inf\"} 0"}
            << QStringList{"r7k_power_state", "r7k_line_silent", "r7k_lamp_hours",
                           "r7k_temperature", "r7k_pjlink_requests_total{"};
        QTest::newRow("on") << QStringList{"0:00@299"} << QStringList{}
                            << QStringList{"r7k_power_state{state=\"on\"} 1",
                                           "r7k_power_state{state=\"standby\"} 0",
                                           "r7k_error{part=\"lamp\"} 0",
                                           "r7k_warning{warning=\"temperature\"} 0"}
                            << QStringList{"r7k_lamp_hours"};
        QTest::newRow("lamps failed") << QStringList{"0:21@299"} << QStringList{}
                                      << QStringList{"r7k_power_state{state=\"cooling_down\"} 1",
                                                     "r7k_warning{warning=\"all_lamps_failed\"} 1",
                                                     "r7k_error{part=\"lamp\"} 2"}
                                      << QStringList{};
        QTest::newRow("temperature warning")
            << QStringList{"0:08@299"} << QStringList{}
            << QStringList{"r7k_warning{warning=\"temperature\"} 1",
                           "r7k_error{part=\"temperature\"} 1"}
            << QStringList{};
        QTest::newRow("readings") << QStringList{"3:01234@200", "4:+24.0 +25.5 -3@250", "6:01@250",
                                                 "1:3@250"}
                                  << QStringList{}
                                  << QStringList{"r7k_lamp_hours 1234",
                                                 "r7k_temperature_celsius{sensor=\"1\"} 24.0",
                                                 "r7k_temperature_celsius{sensor=\"3\"} -3",
                                                 "r7k_lamp_lit{lamp=\"1\"} 1",
                                                 "r7k_lamp_lit{lamp=\"2\"} 0",
                                                 "r7k_input 3"}
                                  << QStringList{"r7k_power_state"};
        QTest::newRow("unreadable readings")
            << QStringList{"4:+24.0 hot +25@299", "3:12a4@299", "0:99@299"} << QStringList{}
            << QStringList{} << QStringList{"r7k_temperature", "r7k_lamp_hours", "r7k_power"};
        QTest::newRow("too old") << QStringList{"3:01234@119", "0:00@121"} << QStringList{}
                                 << QStringList{"r7k_power_state{state=\"on\"} 1"}
                                 << QStringList{"r7k_lamp_hours"};
        QTest::newRow("line answered")
            << QStringList{"0:80@298"} << QStringList{}
            << QStringList{"r7k_line_up 1", "r7k_line_silent_seconds 2"} << QStringList{};
        QTest::newRow("requests")
            << QStringList{}
            << QStringList{"POWR=OK@3", "POWR=OK@700", "ZZZZ=ERR1@0", "NAME=OK \"x\"\n@0",
                           "INPT=ERR2@30"}
            << QStringList{"r7k_pjlink_requests_total{command=\"POWR\",answer=\"OK\"} 2",
                           "r7k_pjlink_requests_total{command=\"other\",answer=\"ERR1\"} 1",
                           "r7k_pjlink_requests_total{command=\"NAME\",answer=\"value\"} 1",
                           "r7k_pjlink_requests_total{command=\"INPT\",answer=\"ERR2\"} 1",
                           "le=\"0.0025\"} 2",
                           "le=\"0.005\"} 3",
                           "le=\"0.5\"} 4",
                           "le=\"1\"} 5",
                           "_count 5",
                           "_sum 0.733"}
            << QStringList{"ZZZZ", "x\\\""};
    }
    void exposition() {
        QFETCH(QStringList, seen);
        QFETCH(QStringList, answered);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        session::ProjectorState state;
        std::optional<std::chrono::microseconds> last;
        for (const QString& s : seen) {
            const std::string reply = s.section(':', 1).section('@', 0, 0).toStdString();
            const std::chrono::microseconds at = seconds{s.section('@', 1).toInt()};
            if (const auto value = session::decode(session::Query(s.left(1).toInt()), reply)) {
                state.see(*value, at);
                last = at;
            }
        }
        RequestCounts counts;
        for (const QString& a : answered) {
            Request request;
            request.body = a.section('=', 0, 0).toStdString();
            counts.count(request, a.section('=', 1).section('@', 0, 0).toStdString(),
                         milliseconds{a.section('@', 1).toInt()});
        }
        const QString text = QString::fromStdString(
            renderMetrics({state, last.has_value(), last, seconds{300}, 2, counts}));
        for (const QString& line : present)
            QVERIFY2(text.contains(line), qPrintable(line + " missing from\n" + text));
        for (const QString& name : absent)
            QVERIFY2(!text.contains(name), qPrintable(name + " in\n" + text));
        // Every sample's name is one of r7k's, in the family its TYPE line introduced before
        // it (a histogram's samples with their suffixes), as a scraper reads them.
        QString family, type;
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith("# TYPE ")) {
                family = line.section(' ', 2, 2);
                type = line.section(' ', 3, 3);
                continue;
            }
            if (line.startsWith("# HELP ")) {
                QVERIFY2(line.section(' ', 2, 2).startsWith("r7k_"), qPrintable(line));
                continue;
            }
            QString name = line.section(QRegularExpression("[{ ]"), 0, 0);
            if (type == "histogram")
                name.remove(QRegularExpression("_(bucket|sum|count)$"));
            QVERIFY2(name.startsWith("r7k_") && name == family, qPrintable(line + " in " + family));
        }
    }

    // The request's bytes as they arrive: the status answered (0: more is needed) and whether
    // the metrics follow the head.
    void responder_data() {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("body");
        const QString big = "GET /metrics HTTP/1.1\r\nX: " + QString(9000, 'a');
        QTest::newRow("get") << QStringList{"GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n"} << 200
                             << true;
        QTest::newRow("split") << QStringList{"GE", "T /metr", "ics HTTP/1.0\r\n", "\r", "\n"}
                               << 200 << true;
        QTest::newRow("bare LF, query")
            << QStringList{"GET /metrics?a=1 HTTP/1.1\n\n"} << 200 << true;
        QTest::newRow("head") << QStringList{"HEAD /metrics HTTP/1.1\r\n\r\n"} << 200 << false;
        QTest::newRow("other path") << QStringList{"GET / HTTP/1.1\r\n\r\n"} << 404 << false;
        QTest::newRow("longer path")
            << QStringList{"GET /metricsx HTTP/1.1\r\n\r\n"} << 404 << false;
        QTest::newRow("post") << QStringList{"POST /metrics HTTP/1.1\r\n\r\n"} << 405 << false;
        QTest::newRow("huge head") << QStringList{big} << 431 << false;
        QTest::newRow("huge, bit by bit")
            << QString(big).replace("X: ", "X:|").split('|') << 431 << false;
        QTest::newRow("not yet") << QStringList{"GET /metrics HTTP/1.1\r\nHost: a\r\n"} << 0
                                 << false;
        QTest::newRow("binary") << QStringList{QString("\x16\x03\x01\x02")} << 400 << false;
        QTest::newRow("lower case") << QStringList{"get /metrics HTTP/1.1\r\n\r\n"} << 400 << false;
        QTest::newRow("no version") << QStringList{"GET /metrics\r\n\r\n"} << 400 << false;
        QTest::newRow("http 2") << QStringList{"GET /metrics HTTP/2.0\r\n\r\n"} << 400 << false;
        QTest::newRow("two blanks")
            << QStringList{"GET  /metrics HTTP/1.1\r\n\r\n"} << 400 << false;
    }
    void responder() {
        QFETCH(QStringList, pieces);
        QFETCH(int, status);
        QFETCH(bool, body);
        HttpResponder responder([] { return std::string("r7k_line_up 1\n"); });
        HttpResponder::Step step;
        for (const QString& piece : pieces) {
            QCOMPARE(step.verdict, HttpResponder::Verdict::NeedMore);
            step = responder.take(piece.toLatin1().toStdString());
        }
        QCOMPARE(step.status, status);
        if (status == 0)
            return;
        const QString got = QString::fromStdString(step.bytes);
        const QMap<int, QString> reasons{{200, "OK"},
                                         {400, "Bad Request"},
                                         {404, "Not Found"},
                                         {405, "Method Not Allowed"},
                                         {431, "Request Header Fields Too Large"}};
        QVERIFY2(got.startsWith(QString("HTTP/1.1 %1 %2\r\n").arg(status).arg(reasons[status])),
                 qPrintable(got));
        // A body, said in its length, for all but HEAD.
        const QString content = got.section("\r\n\r\n", 1);
        QVERIFY(got.contains(QString("Content-Length: %1\r\n").arg(content.size())) ||
                pieces.value(0).startsWith("HEAD"));
        QCOMPARE(content.isEmpty(), pieces.value(0).startsWith("HEAD"));
        QVERIFY(got.contains("\r\nConnection: close\r\n"));
        QCOMPARE(got.endsWith("\r\n\r\nr7k_line_up 1\n"), body);
        if (status == 200)
            QVERIFY(
                got.contains("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"
                             "Content-Length: 14\r\n"));
        // One request a connection: whatever follows closes it.
        QCOMPARE(responder.take("GET /metrics HTTP/1.1\r\n\r\n").verdict,
                 HttpResponder::Verdict::Close);
    }
};

QTEST_APPLESS_MAIN(TestPjlinkMetrics)
#include "test_pjlink_metrics.moc"
