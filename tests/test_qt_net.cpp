// Projectors behind a serial-to-network gateway: the real ser2net bridging a pseudo-terminal
// that the test plays as the projector, r7k-sim on TCP, and listeners that fail.
#include <QProcess>
#include <QTcpServer>
#include <QtTest>
#include <ctime>

#include "link/traffic.h"
#include "live_panel.h"
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

    explicit Gateway(const QString& scheme) : address(loopback(qPrintable(scheme), port)) {
        const QString accepter = scheme == "rfc2217" ? "telnet(rfc2217),tcp" : "tcp";
        ser2net.setProgram("ser2net");
        ser2net.setArguments({"-n", "-u", "-Y", "connection: &c", "-Y",
                              QString("  accepter: %1,127.0.0.1,%2").arg(accepter).arg(port), "-Y",
                              QString("  connector: serialdev,%1,19200n81,local")
                                  .arg(QString::fromStdString(pty.slave))});
        start();
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
    void silentListenerTimesOut();
};

void TestQtNet::throughSer2net() {
    QFETCH(QString, scheme);
    Gateway gateway(scheme);
    LivePanel panel(gateway.address);
    panel.form.Form_Load();
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
    QTRY_VERIFY(panel.form.state().RxBuffer == all);
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
    QTRY_VERIFY_WITH_TIMEOUT(panel.serial->portOpen(), 3000);
    QCOMPARE(panel.line("Label12"), " COM1 (" + gateway.address + ") reconnected");
    panel.form.click("Command17");
    QCOMPARE(gateway.pty.read(4), std::string("C00\r"));
    QCOMPARE(panel.window.warnings.size(), std::size_t(1));
}

void TestQtNet::refusedPortGoesBack() {
    SimProcess sim({"--quiet", "--listen", "0"});
    const std::string refused = loopback("tcp", freePort());
    LivePanel panel(sim.path.toStdString(), refused);
    panel.form.Form_Load();
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

void TestQtNet::silentListenerTimesOut() {
    QTcpServer silent;  // takes the connection and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    LivePanel panel(loopback("rfc2217", silent.serverPort()));
    panel.form.Form_Load();
    QTRY_VERIFY(panel.serial->portOpen());
    panel.form.click("Command44");
    QTRY_COMPARE(panel.line("Label12"), std::string(r7k::kTimeoutMark));
    QVERIFY(panel.window.warnings.empty());
    // Start-up closes and opens COM1 in one go: one connection, as ser2net may refuse a second.
    QVERIFY(silent.nextPendingConnection() && !silent.nextPendingConnection());
}

QTEST_GUILESS_MAIN(TestQtNet)
#include "test_qt_net.moc"
