// Projectors behind a serial-to-network gateway: the real ser2net bridging a pseudo-terminal
// that the test plays as the projector, r7k-sim on TCP, and gateways that misbehave.
#include <netinet/in.h>
#include <sys/socket.h>

#include <QProcess>
#include <QTcpServer>
#include <QtTest>
#include <ctime>
#include <optional>

#include "live_panel.h"
#include "protocol/traffic.h"
#include "pty_pair.h"
#include "sim_process.h"

namespace {

std::string loopback(const char* scheme, quint16 port) {
    return scheme + ("://127.0.0.1:" + std::to_string(port));
}

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// ser2net on a free loopback port, carrying a pseudo-terminal as raw TCP or RFC 2217.
struct Gateway {
    PtyPair pty;
    QProcess ser2net;
    quint16 port = freePort();
    std::string address;

    QTcpSocket holder;  // another client holding the device through a second connection

    explicit Gateway(const QString& scheme, const QString& device = {}, bool busy = false)
        : address(loopback(qPrintable(scheme), port)) {
        const QString accepter = scheme == "rfc2217" ? "telnet(rfc2217),tcp" : "tcp";
        ser2net.setProgram("ser2net");
        const QString path = device.isEmpty() ? QString::fromStdString(pty.slave) : device;
        const QString accept = QString("  accepter: %1,127.0.0.1,").arg(accepter);
        const QString connector = "  connector: serialdev," + path + ",19200n81,local";
        QStringList args{"-n", "-u", "-Y", "connection: &c", "-Y", accept + QString::number(port)};
        args << "-Y" << connector;
        const quint16 holdPort = freePort();
        if (busy)
            args << "-Y"
                 << "connection: &h"
                 << "-Y" << accept + QString::number(holdPort) << "-Y" << connector;
        ser2net.setArguments(args);
        start();
        for (int tries = 0; busy && holder.state() != QAbstractSocket::ConnectedState && tries < 10;
             ++tries)
            holder.abort(), holder.connectToHost(QHostAddress::LocalHost, holdPort),
                QTest::qWait(300);
    }
    ~Gateway() { stop(); }
    void start() {
        ser2net.start();
        QVERIFY2(ser2net.waitForStarted(), "ser2net is missing: run scripts/setup-debian.sh");
        QTcpSocket probe;  // up once its port takes connections
        QTRY_VERIFY((probe.abort(), probe.connectToHost(QHostAddress::LocalHost, port),
                     probe.waitForConnected(100)));
    }
    void stop() { ser2net.terminate(), ser2net.waitForFinished(3000); }
    speed_t speed() const {
        termios t{};
        tcgetattr(pty.master, &t);
        return cfgetospeed(&t);
    }
};

// A gateway that behaves as its row says on every connection it takes; "good" answers the
// negotiation and settings as asked and acknowledges each command.
struct ScriptedGateway : QTcpServer {
    QString behaviour;
    int connections = 0;
    QByteArray got;  // everything the panel sent

    explicit ScriptedGateway(quint16 port = 0) {
        listen(QHostAddress::LocalHost, port);
        connect(this, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = nextPendingConnection())
                take(c, behaviour);
        });
    }
    static void reset(QTcpSocket* c) {
        const linger now{1, 0};
        setsockopt(int(c->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        c->abort();
    }
    void take(QTcpSocket* c, const QString& b) {
        ++connections;
        if (b == "reset")
            return reset(c);
        if (b.startsWith("says:"))  // a reason, then close
            return void(c->write(b.mid(5).toUtf8() + "\r\n")), c->disconnectFromHost();
        if (b == "ask again")
            c->write("\xff\xfb\x05");
        connect(c, &QTcpSocket::readyRead, c, [this, c, b] {
            const QByteArray in = c->readAll();
            got += in;
            if (b == "reason on data")  // a device that fails only once it is used
                return void(c->write("Port's device already in use\r\n")), c->disconnectFromHost();
            if (b == "reset after the greeting")
                return reset(c);
            QByteArray out;
            if (in.contains("\xff\xfb\x2c") && b != "silent")
                out += b == "DONT 44" ? "\xff\xfe\x2c" : "\xff\xfd\x2c";
            for (qsizetype at = in.indexOf("\xff\xfa\x2c"); at >= 0;
                 at = in.indexOf("\xff\xfa\x2c", at + 1)) {
                const QByteArray value = at + 4 < in.size() && in[at + 3] == 1 && b == "4800"
                                             ? QByteArray("\0\0\x12\xc0", 4)
                                             : in.mid(at + 4, in.indexOf("\xff\xf0", at) - at - 4);
                out += "\xff\xfa\x2c" + QByteArray(1, char(in[at + 3] + 100)) + value + "\xff\xf0";
            }
            if (b == "ask again" && in.contains("\xff\xfe\x05"))
                out += "\xff\xfb\x05";
            if (in.contains('\r') && b != "silent")
                out += '\x06';
            c->write(out);
        });
    }
};

}  // namespace

class TestQtNet : public QObject {
    Q_OBJECT
  private slots:
    void throughSer2net_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addRow("raw TCP") << "tcp";
        QTest::addRow("RFC 2217") << "rfc2217";
    }
    void throughSer2net();
    void refusedPortGoesBack();
    void sentInTheFirstSecond_data();
    void sentInTheFirstSecond();
    void badGateways_data();
    void badGateways();
    void silentListenerTimesOut();
};

void TestQtNet::throughSer2net() {
    QFETCH(QString, scheme);
    Gateway gateway(scheme);
    LivePanel panel(gateway.address);
    panel.form.load();
    QVERIFY(!panel.serial->portOpen());  // connecting never blocks
    QTRY_VERIFY(panel.serial->portOpen());
    // The CR of a command passes unchanged: exactly the command's bytes reach the line.
    panel.form.click("Command17");
    QCOMPARE(gateway.pty.read(5, 300), std::string("C00\r"));
    panel.form.click("Command44");
    QCOMPARE(gateway.pty.read(4), std::string("CR0\r"));
    gateway.pty.write("00\r");
    QTRY_COMPARE(panel.line("Label22"), std::string(" Power ON"));
    QTest::qWait(1100);  // the reply time-out and the display clear pass
    // Every byte value arrives as sent (Telnet's 0xFF undoubled) and renders as locally.
    std::string all;
    for (int b = 0; b < 512; ++b)
        all += char(b);
    gateway.pty.write(all);
    QTRY_VERIFY(panel.form.state().received == all);
    QCOMPARE(panel.line("Label12"), r7k::trafficText(all));
    // Only RFC 2217 carries the speed to the far port; a raw stream leaves the gateway's own.
    panel.choose("Option10");
    QTRY_COMPARE(gateway.speed(), scheme == "rfc2217" ? speed_t(B9600) : speed_t(B19200));
    panel.choose("Option9");
    QTRY_COMPARE(gateway.speed(), speed_t(B19200));
    // The gateway goes away: one box, quiet refused reconnects, and back when it is.
    gateway.stop();
    QTRY_COMPARE(panel.window.warnings.size(), std::size_t(1));
    QVERIFY2(panel.window.warnings[0].starts_with("COM1 (" + gateway.address +
                                                  ") was lost: connection closed by the gateway"),
             panel.window.warnings[0].c_str());
    const std::clock_t before = std::clock();
    QTest::qWait(2500);
    QVERIFY2(std::clock() - before < CLOCKS_PER_SEC / 4, "busy while the gateway is away");
    gateway.start();
    QTRY_COMPARE_WITH_TIMEOUT(panel.line("Label12"), " COM1 (" + gateway.address + ") reconnected",
                              5000);
    panel.form.click("Command17");
    QCOMPARE(gateway.pty.read(4), std::string("C00\r"));
    QCOMPARE(panel.window.warnings.size(), std::size_t(1));
}

void TestQtNet::refusedPortGoesBack() {
    SimProcess sim({"--quiet", "--listen", "0"});
    const std::string refused = loopback("tcp", freePort());
    LivePanel panel(sim.path.toStdString(), refused);
    panel.form.load();
    QTRY_VERIFY(panel.serial->portOpen());
    panel.form.click("Command33");
    panel.choose("Option2");
    QTRY_COMPARE(panel.window.warnings.size(), std::size_t(1));
    QVERIFY2(panel.window.warnings[0].starts_with("COM2 (" + refused +
                                                  ") cannot be opened: connection refused."),
             panel.window.warnings[0].c_str());
    QVERIFY(panel.window.isSelected("Option1") && panel.window.isVisible("Frame8"));
    QTRY_VERIFY(panel.serial->portOpen());  // back on COM1, which works
    panel.form.click("Command44");
    QTRY_COMPARE(panel.line("Label22"), std::string(" Stand by"));
    QCOMPARE(panel.window.warnings.size(), std::size_t(1));
}

// A command sent as soon as the port is open reaches the gateway then, not once the open is
// decided: its reply is shown and no time-out mark comes before it. A gateway that refuses the
// device after the command fails the open, saying that the command was not delivered.
void TestQtNet::sentInTheFirstSecond_data() {
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<QString>("box");
    const QString undelivered =
        "cannot be opened: the gateway closed the connection: Port's device "
        "already in use. What was sent meanwhile was not delivered.";
    QTest::addRow("raw: answered at once") << "tcp"
                                           << "good"
                                           << "";
    QTest::addRow("RFC 2217: held for the speed's answer, then answered") << "rfc2217"
                                                                          << "good"
                                                                          << "";
    QTest::addRow("raw: the device refused after the command") << "tcp"
                                                               << "reason on data" << undelivered;
}

void TestQtNet::sentInTheFirstSecond() {
    QFETCH(QString, scheme);
    QFETCH(QString, behaviour);
    QFETCH(QString, box);
    ScriptedGateway gateway;
    gateway.behaviour = behaviour;
    const std::string address = loopback(qPrintable(scheme), gateway.serverPort());
    LivePanel panel(address);
    panel.form.load();
    QTRY_VERIFY(panel.serial->portOpen());
    panel.form.click("Command17");
    QTRY_VERIFY(gateway.got.contains("C00\r"));
    if (box.isEmpty()) {
        QTRY_COMPARE(panel.line("Label12"), std::string(" ACK "));
        QTest::qWait(600);
        for (const auto& set : panel.window.lineSets)
            QVERIFY2(set.text != r7k::kTimeoutMark, "the command waited for the open");
        QVERIFY(panel.window.warnings.empty());
        return;
    }
    QTRY_COMPARE(panel.window.warnings.size(), std::size_t(1));
    QVERIFY2(panel.window.warnings[0].find(box.toStdString()) != std::string::npos,
             panel.window.warnings[0].c_str());
    QProcess ctl;
    ctl.start(qEnvironmentVariable("R7K_CTL"),
              {"--port", QString::fromStdString(address), "power-on"});
    QTRY_VERIFY_WITH_TIMEOUT(ctl.state() == QProcess::NotRunning, 10000);
    QCOMPARE(ctl.exitCode(), 4);
    const QByteArray said = ctl.readAllStandardError();
    QVERIFY2(said.contains(box.toUtf8()), said.constData());
    QVERIFY2(!said.contains("dialout") && !said.contains("--list-ports"), said.constData());
}

void TestQtNet::silentListenerTimesOut() {
    QTcpServer silent;  // takes the connection and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    LivePanel panel(loopback("tcp", silent.serverPort()));
    panel.form.load();
    QTRY_VERIFY(panel.serial->portOpen());
    panel.form.click("Command44");
    QTRY_COMPARE(panel.line("Label12"), std::string(r7k::kTimeoutMark));
    QVERIFY(panel.window.warnings.empty());
    // Start-up closes and opens COM1 in one go: one connection, as ser2net may refuse a second.
    QVERIFY(silent.nextPendingConnection() && !silent.nextPendingConnection());
}

// What the operator sees of a gateway that cannot carry the line: one box with the gateway's
// reason, then quiet retries at most once a second and no loop; the panel works as soon as a
// good gateway is back. r7k-ctl ends with the same text.
void TestQtNet::badGateways_data() {
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("ctlExit");
    const QString cannot = "cannot be opened: the gateway ";
    // clang-format off
    QTest::addRow("reset right after accept") << "tcp" << "reset" << cannot + "closed the connection." << 4;
    QTest::addRow("reset after the greeting") << "rfc2217" << "reset after the greeting" << cannot + "closed the connection." << 4;
    QTest::addRow("a reason, then close") << "tcp" << "says:Port's device already in use" << cannot + "closed the connection: Port's device already in use." << 4;
    // The gateway's device, not this computer's: its address, no local advice.
    QTest::addRow("the gateway's device denied") << "tcp" << "says:Device open failure: Permission denied" << "\nThe gateway at 127.0.0.1:" << 4;
    QTest::addRow("COM-PORT-OPTION refused") << "rfc2217" << "DONT 44" << cannot + "does not offer RFC 2217 port control: use tcp://." << 4;
    QTest::addRow("speed answered with another") << "rfc2217" << "4800" << "runs at 4800 baud: the gateway refused 19200." << 4;
    QTest::addRow("an option asked again after refusal") << "rfc2217" << "ask again" << "" << 0;
    QTest::addRow("silent, Telnet") << "rfc2217" << "silent" << cannot + "did not answer the RFC 2217 negotiation." << 4;
    QTest::addRow("silent, raw: no reply") << "tcp" << "silent" << "" << 3;
    QTest::addRow("ser2net, device held by another client") << "tcp" << "ser2net busy" << cannot + "closed the connection: Port's device already in use." << 4;
    QTest::addRow("ser2net, device missing") << "tcp" << "ser2net" << cannot + "closed the connection: Device open failure: Value or file not found." << 4;
    // Over Telnet ser2net may still hold the panel's negotiation unread when it closes; the
    // kernel then resets the connection and its last words are lost: the box says less.
    QTest::addRow("ser2net, device missing, Telnet") << "rfc2217" << "ser2net" << cannot + "closed the connection" << 4;
    // clang-format on
}

void TestQtNet::badGateways() {
    QFETCH(QString, scheme);
    QFETCH(QString, behaviour);
    QFETCH(QString, box);
    QFETCH(int, ctlExit);
    std::optional<Gateway> ser2net;
    std::optional<ScriptedGateway> scripted;
    if (behaviour.startsWith("ser2net"))
        ser2net.emplace(scheme, behaviour == "ser2net" ? "/dev/r7k-missing" : "",
                        behaviour.endsWith("busy"));
    else
        scripted.emplace(), scripted->behaviour = behaviour;
    const quint16 port = ser2net ? ser2net->port : scripted->serverPort();
    const std::string address = loopback(qPrintable(scheme), port);
    QProcess ctl;
    ctl.start(qEnvironmentVariable("R7K_CTL"),
              {"--port", QString::fromStdString(address), "power-on"});
    QTRY_VERIFY_WITH_TIMEOUT(ctl.state() == QProcess::NotRunning, 10000);  // the gateway runs here
    QCOMPARE(ctl.exitCode(), ctlExit);
    const QByteArray said = ctl.readAllStandardError();
    QVERIFY2(said.contains(box.toUtf8()), said.constData());
    QVERIFY2(!said.contains("dialout") && !said.contains("--list-ports"), said.constData());

    LivePanel panel(address);
    panel.form.load();
    const std::size_t boxes = box.isEmpty() ? 0 : 1;
    QTRY_VERIFY_WITH_TIMEOUT(
        panel.window.warnings.size() >= boxes && (boxes || panel.serial->portOpen()), 5000);
    QTest::qWait(100);
    QCOMPARE(panel.window.warnings.size(), boxes);
    if (boxes)
        QVERIFY2(panel.window.warnings[0].find(box.toStdString()) != std::string::npos,
                 panel.window.warnings[0].c_str());
    const int connections = scripted ? scripted->connections : 0;
    const std::clock_t cpu = std::clock();
    QTest::qWait(2500);
    QVERIFY2(std::clock() - cpu < CLOCKS_PER_SEC / 4, "busy with a bad gateway");
    QCOMPARE(panel.window.warnings.size(), boxes);
    QVERIFY(panel.line("Label12").find("reconnected") == std::string::npos);
    QVERIFY((scripted ? scripted->connections : 0) - connections <= 3);
    // A good gateway back: the link carries bytes at once.
    if (ser2net)
        ser2net.reset(), scripted.emplace(port);
    scripted->behaviour = "good";
    QTRY_VERIFY_WITH_TIMEOUT(panel.serial->portOpen(), 5000);
    panel.form.click("Command17");
    QTRY_VERIFY(scripted->got.contains("C00\r"));
    if (boxes || behaviour != "silent")  // a new connection, to a good gateway: a lone byte back
        QTRY_COMPARE(panel.line("Label12"), std::string(" ACK "));
}

QTEST_GUILESS_MAIN(TestQtNet)
#include "test_qt_net.moc"
