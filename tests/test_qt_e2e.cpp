// End to end: the real window, adapters and timers against r7k-sim, and the r7k-panel binary
// itself with --trace.
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "link/form1.h"
#include "pty_pair.h"
#include "qt/panel_window.h"
#include "qt/qt_serial.h"
#include "qt/qt_timer.h"

using namespace r7k;

namespace {

// r7k-sim on its own pseudo-terminal.
struct Simulator {
    QProcess process;
    QString pty;
    explicit Simulator(const QStringList& args = {}) {
        process.start(qEnvironmentVariable("R7K_SIM"), QStringList{"--fast", "--quiet"} + args);
        if (!process.waitForReadyRead(5000))
            return;
        const QString first = QString::fromLatin1(process.readLine()).trimmed();
        pty = first.section("listening on ", 1);
    }
    ~Simulator() {
        process.terminate();
        process.waitForFinished(3000);
    }
};

// The panel as main() wires it, on a given COM1.
struct Panel {
    QtTimer t1, t2, t3, t4, relink;
    QtSerial serial;
    PanelWindow window;
    Form1 form{{t1, t2, t3, t4, relink}, serial, window};
    explicit Panel(const QString& com1) : serial(com1, "/dev/r7k-none") {
        window.attach(&form);
        form.Form_Load();
        window.show();
    }
    void click(const char* name) {
        auto* b = qobject_cast<QPushButton*>(window.control(name));
        QVERIFY2(b != nullptr, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void type(const QString& text) {
        QWidget* box = window.control("Text1");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    QString status() const { return QString::fromStdString(std::string(form.lineText("Label22"))); }
};

}  // namespace

class TestQtE2e : public QObject {
    Q_OBJECT
  private slots:
    void queriesAgainstSimulator_data();
    void queriesAgainstSimulator();
    void powerOnSequence();
    void repliesInPieces();
    void binaryTracesRxdLine();
    void binaryOptions_data();
    void binaryOptions();
};

void TestQtE2e::queriesAgainstSimulator_data() {
    QTest::addColumn<QString>("button");  // a query button, or "typed:<text>"
    QTest::addColumn<QString>("status");
    QTest::addRow("STATUS in standby") << "Command44"
                                       << " Stand by";
    QTest::addRow("MODE") << "Command45"
                          << " Input mode 1";
    QTest::addRow("SETTING") << "Command47"
                             << " Normally";
    QTest::addRow("L-TIME") << "Command46"
                            << " 0 1 2 3 4 CR  Hour Use";
    QTest::addRow("TEMP") << "Command54"
                          << "  S1= + 2 4 . 0 C  ,   S2=  2 5 . 5 C , S3= + 2 5 . 0 C";
    QTest::addRow("typed CR PRESSURE") << "typed:CR PRESSURE"
                                       << "650 hPa";
    QTest::addRow("typed CRA in standby") << "typed:CRA"
                                          << " Stand by";
    QTest::addRow("typed CR7") << "typed:CR7"
                               << " All OFF : 2 Lamp mode";
    QTest::addRow("typed CR9") << "typed:CR9"
                               << " R 7 K   S I M   V 1 . 4 0 CR ";
    QTest::addRow("typed CR0") << "typed:CR0"
                               << " Stand by";
}

void TestQtE2e::queriesAgainstSimulator() {
    QFETCH(QString, button);
    QFETCH(QString, status);
    Simulator sim;
    QVERIFY(!sim.pty.isEmpty());
    Panel panel(sim.pty);
    QVERIFY(panel.serial.portOpen());
    if (button.startsWith("typed:")) {
        panel.type(button.mid(6));
        panel.click("Command95");
    } else {
        panel.click(button.toLatin1().constData());
    }
    QTRY_COMPARE(panel.status(), status);
}

void TestQtE2e::powerOnSequence() {
    Simulator sim;
    Panel panel(sim.pty);
    panel.click("Command17");
    QTRY_COMPARE(std::string(panel.form.lineText("Label12")), std::string(" ACK "));
    // The ACK stays in the receive buffer until the time-out tick; a query sent sooner
    // would be decoded from " ACK 4 0 CR " and match nothing.
    QTest::qWait(600);
    panel.click("Command44");
    QTRY_COMPARE(panel.status(), QString(" Count down"));
    QTest::qWait(2200);  // the simulator's fast warm-up
    panel.click("Command44");
    QTRY_COMPARE(panel.status(), QString(" Power ON"));
}

void TestQtE2e::repliesInPieces() {
    Simulator sim({"--pieces", "3", "--gap", "30"});
    Panel panel(sim.pty);
    panel.type("CR PRESSURE");
    panel.click("Command95");
    QTRY_COMPARE(std::string(panel.form.lineText("Label12")), std::string(" 5 1 2 CR "));
    QCOMPARE(panel.status(), QString("650 hPa"));
}

void TestQtE2e::binaryTracesRxdLine() {
    PtyPair pty;
    QProcess panel;
    panel.start(qEnvironmentVariable("R7K_PANEL"),
                {"--trace", "--com1", QString::fromStdString(pty.slave)});
    QVERIFY(panel.waitForStarted());
    QTest::qWait(700);  // until the panel has opened its port
    pty.write("00\r");
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += panel.readAllStandardOutput()).contains("\tRXD\t 0 0 CR \n"),
                             5000);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        QCOMPARE(fields.size(), 3);
        bool number = false;
        fields[0].toLongLong(&number);
        QVERIFY(number);
        QVERIFY(fields[1] == "TXD" || fields[1] == "RXD" || fields[1] == "STATUS");
    }
    panel.kill();
    panel.waitForFinished();
}

void TestQtE2e::binaryOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // expected in stdout + stderr
    QTest::addRow("version") << QStringList{"--version"} << 0 << "r7k-panel 1.40";
    QTest::addRow("help") << QStringList{"--help"} << 0 << "--com1 DEVICE";
    QTest::addRow("unknown option") << QStringList{"--bogus"} << 2 << "unknown option: --bogus";
    QTest::addRow("device missing") << QStringList{"--com1"} << 2 << "missing device";
    QTest::addRow("gateway without a port")
        << QStringList{"--com2", "tcp://gw"} << 2 << "--com2 tcp://gw: no port";
    QTest::addRow("list ports") << QStringList{"--list-ports"} << 0 << "rfc2217://HOST:PORT";
}

void TestQtE2e::binaryOptions() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess panel;
    panel.start(qEnvironmentVariable("R7K_PANEL"), args);
    QVERIFY(panel.waitForFinished(10000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), exitCode);
    const QString all =
        QString::fromLocal8Bit(panel.readAllStandardOutput() + panel.readAllStandardError());
    QVERIFY2(all.contains(output), qPrintable(all));
}

QTEST_MAIN(TestQtE2e)
#include "test_qt_e2e.moc"
