// r7k-ctl.exe under Wine against r7k-sim: the Windows serial port, timers and message loop
// doing what the Linux build does, step results and exit statuses alike.
#include <signal.h>
#include <unistd.h>

#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QtTest>

namespace {

// The Windows build folder and the Wine prefix, from the environment.
QString winBuild() {
    return qEnvironmentVariable("R7K_WIN_BUILD");
}

QProcessEnvironment wineEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    env.insert("LC_ALL", "C.UTF-8");  // the arguments reach the program as they were written
    return env;
}

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// ser2net on a free loopback port, carrying a device as raw TCP or RFC 2217.
struct Ser2net : QProcess {
    QString address;
    Ser2net(const QString& scheme, const QString& device) {
        const quint16 port = freePort();
        address = QString("%1://127.0.0.1:%2").arg(scheme).arg(port);
        const QString accepter = scheme == "tcp" ? "tcp" : "telnet(rfc2217),tcp";
        start("ser2net", {"-n", "-u", "-Y", "connection: &c", "-Y",
                          QString("  accepter: %1,127.0.0.1,%2").arg(accepter).arg(port), "-Y",
                          "  connector: serialdev," + device + ",19200n81,local"});
        QTcpSocket probe;  // up once its port takes connections
        QTRY_VERIFY((probe.abort(), probe.connectToHost(QHostAddress::LocalHost, port),
                     probe.waitForConnected(100)));
    }
    ~Ser2net() override { terminate(), waitForFinished(3000); }
};

}  // namespace

class TestWinCtl : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (winBuild().isEmpty()) {
            if (qEnvironmentVariable("R7K_REQUIRE_WINE") == "1")
                QFAIL("R7K_REQUIRE_WINE=1 but R7K_WIN_BUILD does not name the Windows build");
            QSKIP("R7K_WIN_BUILD is not set: no Windows build to run under Wine");
        }
        QVERIFY2(QFileInfo::exists(winBuild() + "/r7k-ctl.exe"), qPrintable(winBuild()));
        QVERIFY2(QFileInfo(qEnvironmentVariable("WINEPREFIX") + "/dosdevices").isDir(),
                 "WINEPREFIX does not name a Wine prefix");
        // One Wine server for every run, kept between them: each start would cost seconds.
        QProcess server;
        server.setProcessEnvironment(wineEnvironment());
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("wineserver", {"-p", "30"});
        QVERIFY(server.waitForFinished(10000));
    }

    // Windows' "/?" shows the help, as --help does.
    void windowsHelp() {
        QProcess ctl;
        ctl.setProcessEnvironment(wineEnvironment());
        ctl.start("wine", {winBuild() + "/r7k-ctl.exe", "/?"});
        QVERIFY(ctl.waitForFinished(15000));
        QCOMPARE(ctl.exitCode(), 0);
        QVERIFY(ctl.readAllStandardOutput().contains("--port"));
    }

    // A command sent as soon as a raw gateway's connection is up reaches the gateway within
    // its reply window: the gateway answers only what it received, and a 300 ms window leaves no
    // room for holding it back while the open is decided.
    void gatewayFirstSecond() {
        QTcpServer gateway;
        QVERIFY(gateway.listen(QHostAddress::LocalHost));
        QByteArray got;
        connect(&gateway, &QTcpServer::newConnection, &gateway, [&] {
            QTcpSocket* c = gateway.nextPendingConnection();
            connect(c, &QTcpSocket::readyRead, c, [c, &got] {
                got += c->readAll();
                if (got.endsWith("C00\r"))
                    c->write("\x06");
            });
        });
        QProcess ctl;
        ctl.setProcessEnvironment(wineEnvironment());
        ctl.start("wine", {winBuild() + "/r7k-ctl.exe", "--timeout", "300", "--port",
                           QString("tcp://127.0.0.1:%1").arg(gateway.serverPort()), "POWER-ON"});
        QTRY_VERIFY_WITH_TIMEOUT(ctl.state() == QProcess::NotRunning, 15000);
        QCOMPARE(got, QByteArray("C00\r"));
        QVERIFY2(ctl.exitCode() == 0, ctl.readAllStandardError().constData());
    }

    void binary_data() {
        // The port: a COM port on the sim's pty, or a gateway: "tcp" (the sim serves TCP),
        // "mute" (rfc2217:// to the sim's raw TCP: no negotiation), "rfc2217" (ser2net over the
        // sim's pty), "missing" (ser2net, raw TCP to a device that is not there), "closed" (a
        // loopback port nobody serves), "colon" (the COM port written as "COM25:").
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<QString>("sim");   // r7k-sim options, ',' between words
        QTest::addColumn<QString>("args");  // r7k-ctl words after --json --port PORT, likewise
        QTest::addColumn<QString>("stop");  // "int": Ctrl+C once a step ran; "hangup": the sim ends
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("results");  // per step "outcome:status" ("-" for none), '|'
        QTest::addColumn<QString>("message");  // in standard error
        // clang-format off
        QTest::addRow("queries decoded") << "" << "--pieces,3,--gap,20" << "status,mode" << "" << 0
            << "reply: Stand by|reply: Input mode 1" << "";
        QTest::addRow("NAK: exit 5") << "" << "" << "send,cr0,status" << "" << 5 << "nak:-"
            << "send cr0: the projector answered NAK (0x15) on COM";
        QTest::addRow("dropped: exit 3") << "" << "--drop-all" << "--timeout,100,status,power-off"
            << "" << 3 << "timeout:-" << "status: no reply within 100 ms on COM";
        QTest::addRow("no such port: exit 4") << "" << "" << "--port,COM0,status" << "" << 4 << ""
            << "r7k-ctl: COM0 cannot be opened: ";
        QTest::addRow("a folder: exit 4") << "" << "" << "--port,C:\\windows,status" << "" << 4 << ""
            << "r7k-ctl: C:\\windows cannot be opened: ";
        QTest::addRow("a colon after the name, as Windows writes it") << "colon" << "" << "STATUS"
            << "" << 0 << "reply: Stand by" << "";
        QTest::addRow("tcp: a lone ACK, a reply") << "tcp" << "" << "power-on,status" << "" << 0
            << "ack:-|reply: Count down" << "";
        QTest::addRow("rfc2217 via ser2net") << "rfc2217" << "" << "--speed,9600,status" << "" << 0
            << "reply: Stand by" << "";
        // The step goes out as soon as the connection is up, and the gateway's refusal ends it;
        // a refusal that comes first ends the run before the step ("?": either).
        QTest::addRow("gateway's device missing: exit 4") << "missing" << "" << "status" << ""
            << 4 << "lost:-?" << "opened: the gateway closed the connection: Device open failure";
        QTest::addRow("no RFC 2217 answer: exit 4") << "mute" << "" << "status" << "" << 4 << ""
            << "opened: the gateway did not answer the RFC 2217 negotiation.";
        QTest::addRow("refused: exit 4") << "closed" << "" << "status" << "" << 4 << ""
            << "cannot be opened: connection refused.";
        QTest::addRow("gateway closes in a wait: exit 4") << "tcp" << "" << "status,wait,20,status"
            << "hangup" << 4 << "reply: Stand by|lost:-"
            << "was lost: connection closed by the gateway.";
        QTest::addRow("usage error: exit 2") << "" << "" << "--speed,1200é,status" << "" << 2 << ""
            << "r7k-ctl: --speed 1200é: expected 19200 or 9600\r\nTry 'r7k-ctl --help'";
        QTest::addRow("line lost in a wait: exit 4") << "" << "" << "status,wait,20,status"
            << "hangup" << 4 << "reply: Stand by|lost:-" << "was lost: ";
        QTest::addRow("Ctrl+C in a wait: at once, port closed") << "" << "" << "status,wait,20"
            << "int" << 130 << "reply: Stand by" << "interrupted";
        // clang-format on
    }

    void binary() {
        QFETCH(QString, gateway);
        QFETCH(QString, sim);
        QFETCH(QString, args);
        QFETCH(QString, stop);
        QFETCH(int, exit);
        // A COM port of this test run alone: Wine maps it to the sim's pty by a link in the
        // prefix, which the sim makes and removes.
        QString port = QString("COM%1").arg(20 + ::getpid() % 200);
        const QString link = qEnvironmentVariable("WINEPREFIX") + "/dosdevices/" + port.toLower();
        QProcess simulator;
        const QStringList where = gateway == "tcp" || gateway == "mute"
                                      ? QStringList{"--listen", "0"}
                                      : QStringList{"--link", link};
        simulator.start(qEnvironmentVariable("R7K_SIM"),
                        sim.split(',', Qt::SkipEmptyParts) + where);
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString served = QString(simulator.readLine()).section(' ', -1).trimmed();
        std::optional<Ser2net> ser2net;
        if (gateway == "rfc2217")
            port = ser2net.emplace("rfc2217", served).address;
        else if (gateway == "missing")
            port = ser2net.emplace("tcp", "/dev/r7k-missing").address;
        else if (gateway == "tcp")
            port = served;
        else if (gateway == "mute")
            port = QString(served).replace("tcp://", "rfc2217://");
        else if (gateway == "closed")
            port = QString("tcp://127.0.0.1:%1").arg(freePort());
        else
            QTRY_VERIFY(QFileInfo(link).isSymLink());
        if (gateway == "colon")
            port += ':';

        QProcess ctl;  // a later --port overrides this one
        ctl.setProcessEnvironment(wineEnvironment());
        QTemporaryFile errors;  // standard error to a file, standard output to a pipe
        QVERIFY(errors.open());
        ctl.setStandardErrorFile(errors.fileName());
        ctl.start("wine", QStringList{winBuild() + "/r7k-ctl.exe", "--json", "--port", port} +
                              args.split(','));
        QByteArray out;
        if (!stop.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT((out += ctl.readAllStandardOutput()).contains('\n'), 15000);
            if (stop == "int")
                ::kill(pid_t(ctl.processId()), SIGINT);
            else
                simulator.terminate();
        }
        QVERIFY(ctl.waitForFinished(15000));
        QStringList outcomes;
        out += ctl.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!line.isEmpty())
                outcomes << o["outcome"].toString() + ":" + o["status"].toString("-");
        }
        const QByteArray errBytes = errors.readAll();
        const QString err = QString::fromUtf8(errBytes);
        // Windows' line ends in the file and in the pipe alike, the JSON lines' included.
        QCOMPARE(out.count("\r\n"), out.count('\n'));
        QCOMPARE(errBytes.count("\r\n"), errBytes.count('\n'));
        QFETCH(QString, results);
        const QString got = outcomes.join('|');
        QCOMPARE(got, results.endsWith('?') ? (got.isEmpty() ? got : results.chopped(1)) : results);
        QVERIFY2(ctl.exitCode() == exit, qPrintable(QString::number(ctl.exitCode()) + " " + err));
        QFETCH(QString, message);
        QVERIFY2(err.contains(message), qPrintable(err));
        // A port is named as --port gave it; no Linux advice; a gateway's device trouble is the
        // gateway's.
        QVERIFY2(!err.contains("COM1 (") && !err.contains("sudo") && !err.contains("plugged in"),
                 qPrintable(err));
        QVERIFY2(gateway.isEmpty() || exit != 4 || err.contains("r7k-ctl: " + port),
                 qPrintable(err));
        if (gateway == "missing")
            QVERIFY2(err.contains("\r\nThe gateway at 127.0.0.1:"), qPrintable(err));
        if (args.contains("windows"))
            QVERIFY2(err.contains("\r\nC:\\windows is a folder, not a serial port."),
                     qPrintable(err));
        // The port is closed at the end, whatever ended the run.
        if (stop != "hangup" && exit != 2 && exit != 4) {
            QByteArray log;
            QTRY_VERIFY((log += simulator.readAllStandardError()).contains("the line was closed"));
            // Each step's command went out once.
            QCOMPARE(log.count("\" -> "), outcomes.size());
        }
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(3000));
    }
};

QTEST_MAIN(TestWinCtl)
#include "test_win_ctl.moc"
