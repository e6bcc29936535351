// End to end: the real window, adapters and timers against r7k-sim, and the r7k-panel binary.
#include <QPushButton>
#include <QtTest>

#include "link/form1.h"
#include "pty_pair.h"
#include "qt/panel_window.h"
#include "qt/qt_serial.h"
#include "qt/qt_timer.h"
#include "sim_process.h"

using namespace r7k;

namespace {

// The panel as main() wires it, on a given COM1, clicked and typed into like an operator.
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
    void click(const QString& name) {
        QTest::mouseClick(window.control(name.toStdString()), Qt::LeftButton);
    }
    void send(const QString& text) {
        QWidget* box = window.control("Text1");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        click("Command95");
    }
    std::string line(const char* label) const { return std::string(form.lineText(label)); }
};

}  // namespace

class TestQtE2e : public QObject {
    Q_OBJECT
  private slots:
    void queries_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("button");  // a query button, or the text SEND sends
        QTest::addColumn<QString>("status");
        const QStringList none, pieces{"--pieces", "3", "--gap", "30"};
        QTest::addRow("STATUS") << none << "Command44"
                                << " Stand by";
        QTest::addRow("L-TIME") << none << "Command46"
                                << " 0 1 2 3 4 CR  Hour Use";
        QTest::addRow("typed CR9") << none << "CR9"
                                   << " R 7 K   S I M   V 1 . 4 0 CR ";
        QTest::addRow("typed CR PRESSURE in pieces") << pieces << "CR PRESSURE"
                                                     << "650 hPa";
    }
    void queries() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, button);
        QFETCH(QString, status);
        SimProcess sim(simArgs + QStringList{"--fast", "--quiet"});
        Panel panel(sim.path);
        if (button.startsWith("Command"))
            panel.click(button);
        else
            panel.send(button);
        QTRY_COMPARE(QString::fromStdString(panel.line("Label22")), status);
    }

    // --trace prints each line set: milliseconds, a tab, TXD|RXD|STATUS, a tab, the text.
    void binaryTraces() {
        PtyPair pty;
        QProcess panel;
        panel.start(qEnvironmentVariable("R7K_PANEL"),
                    {"--trace", "--com1", QString::fromStdString(pty.slave)});
        QTest::qWait(700);  // until the panel has opened its port
        pty.write("00\r");
        QByteArray out;
        QTRY_VERIFY((out += panel.readAllStandardOutput()).contains("\tRXD\t 0 0 CR \n"));
        for (const QByteArray& line : out.trimmed().split('\n')) {
            const QList<QByteArray> f = line.split('\t');
            QVERIFY2(f.size() == 3 && f[0].toLongLong() >= 0 && f[1].size() >= 3, line.data());
        }
        panel.kill();
        panel.waitForFinished();
    }

    void binaryOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // in stdout + stderr
        QTest::addRow("version") << QStringList{"--version"} << 0 << "r7k-panel 1.40";
        QTest::addRow("help") << QStringList{"--help"} << 0 << "--com1";
        QTest::addRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
        QTest::addRow("device missing") << QStringList{"--com1"} << 2 << "com1";
        QTest::addRow("gateway without a port")
            << QStringList{"--com2", "tcp://gw"} << 2 << "--com2 tcp://gw: no port";
        QTest::addRow("list ports") << QStringList{"--list-ports"} << 0 << "rfc2217://HOST:PORT";
    }
    void binaryOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess panel;
        panel.start(qEnvironmentVariable("R7K_PANEL"), args);
        QVERIFY(panel.waitForFinished(10000));
        QCOMPARE(panel.exitCode(), exitCode);
        const QString all = panel.readAllStandardOutput() + panel.readAllStandardError();
        QVERIFY2(all.contains(output), qPrintable(all));
    }
};

QTEST_MAIN(TestQtE2e)
#include "test_qt_e2e.moc"
