// The panel on real lines: the serial adapter through pseudo-terminals (bytes on the wire,
// replies in pieces, failures that name the device, a device that goes away and comes back),
// and the r7k-panel program's own options.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "live_panel.h"
#include "pty_pair.h"
#include "sim_process.h"

using namespace r7k;

namespace {

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

class TestQtLink : public QObject {
    Q_OBJECT
  private slots:
    // Exact bytes out; a reply in pieces, a trickle and a fast block all arrive whole; a new
    // speed applies to the open port.
    void bytesBothWays() {
        PtyPair pty;
        LivePanel panel(pty.slave);
        panel.form.load();
        panel.form.click("Command17");
        panel.form.click("Command10");
        QCOMPARE(pty.read(18), std::string("C00\rCF IMAGE REAL\r"));
        QCOMPARE(pty.read(1, 100), std::string());
        panel.form.click("Command44");
        pty.write("8");
        QTRY_COMPARE(panel.line("Label12"), std::string(" 8 "));
        pty.write("0\r");
        QTRY_COMPARE(panel.line("Label22"), std::string(" Stand by"));
        QTRY_COMPARE_WITH_TIMEOUT(panel.line("Label22"), std::string(),
                                  3000);  // the real display clear

        std::string sent;
        for (int i = 0; i < 300; ++i) {
            sent += char('0' + i % 75);
            pty.write(sent.substr(sent.size() - 1));
            QTest::qWait(1);
        }
        std::string block(20000, '\0');
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = char(i * 7);
        pty.write(block);
        sent += block;
        QTRY_COMPARE(panel.form.state().received.size(), sent.size());
        QVERIFY(panel.form.state().received == sent);
        panel.choose("Option10");  // the speed applies to the open port
        termios t{};
        QCOMPARE(tcgetattr(pty.master, &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    }

    void openFailures_data() {
        QTest::addColumn<QString>("device");  // "busy": a pty another panel holds
        QTest::addColumn<QString>("says");
        // clang-format off
        QTest::addRow("missing") << "/dev/r7k-no-such-port" << "No such file or directory";
        QTest::addRow("not a serial device") << "/dev/null" << "/dev/null";
        QTest::addRow("busy") << "busy" << "Another program";
        // clang-format on
    }
    // One box that names the port, the device and the cause; a send then says it was not sent.
    void openFailures() {
        QFETCH(QString, device);
        QFETCH(QString, says);
        PtyPair pty;
        LivePanel holder(pty.slave);
        if (device == "busy") {
            holder.form.load();
            device = QString::fromStdString(pty.slave);
        }
        LivePanel panel(device.toStdString());
        panel.form.load();
        QVERIFY(!panel.serial->portOpen());
        QCOMPARE(panel.window.warnings.size(), std::size_t(1));
        const QString text = QString::fromStdString(panel.window.warnings[0]);
        QVERIFY2(text.contains("COM1 (" + device + ")") && text.contains(says), qPrintable(text));
        panel.form.click("Command17");
        QCOMPARE(panel.line("Label11"), std::string());
        QCOMPARE(panel.line("Label12"),
                 " Not sent: COM1 (" + device.toStdString() + ") is not open");
    }

    // COM1's device appears two seconds after start: one box, then opened by itself, said on
    // the RXD line until the display clear.
    void missingAtStart() {
        QTemporaryDir dir;
        const QString link = dir.filePath("com1");
        LivePanel panel(link.toStdString());
        panel.form.load();
        QCOMPARE(panel.window.warnings.size(), std::size_t(1));
        QTest::qWait(2000);
        PtyPair pty;
        QVERIFY(QFile::link(QString::fromStdString(pty.slave), link));
        QTRY_VERIFY_WITH_TIMEOUT(panel.serial->portOpen(), 3000);
        QCOMPARE(panel.line("Label12"), " COM1 (" + link.toStdString() + ") reconnected");
        QTRY_COMPARE_WITH_TIMEOUT(panel.line("Label12"), std::string(), 1500);
        QCOMPARE(panel.window.warnings.size(), std::size_t(1));
    }

    // 100 hang-ups of the simulator behind a symlink: each is one box and no busy loop, COM1
    // chosen again opens at once, and nothing leaks.
    void hangUpCycles() {
        QTemporaryDir dir;
        const QString link = dir.filePath("com1");
        const QStringList args{"--quiet", "--link", link};
        SimProcess sim(args);
        LivePanel panel(link.toStdString());
        panel.form.load();
        int fds = 0;
        for (int cycle = 0; cycle < 100; ++cycle) {
            const std::size_t received = panel.form.state().received.size();
            panel.form.click("Command44");
            QTRY_VERIFY(panel.form.state().received.size() >= received + 3);
            QCOMPARE(panel.line("Label22"), std::string(" Stand by"));
            if (cycle == 10)
                fds = openDescriptors();
            sim.stop();
            QTRY_COMPARE(panel.window.warnings.size(), std::size_t(cycle + 1));
            const double before = cpuSeconds();
            QTest::qWait(100);
            QVERIFY2(cpuSeconds() - before < 0.05, "busy after the hang-up");
            QVERIFY(sim.start(args));
            panel.choose("Option1");
            QVERIFY(panel.serial->portOpen());
        }
        QCOMPARE(openDescriptors(), fds);
        QCOMPARE(panel.window.warnings.size(), std::size_t(100));
    }
    // The programs' usage errors and failures and their messages, without a display (the
    // package test checks the common options of the installed programs).
    void commandLines_data() {
        QTest::addColumn<QString>("program");  // the environment variable naming it
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // in stdout + stderr
        // clang-format off
        QTest::addRow("panel: gateway without a port") << "R7K_PANEL" << QStringList{"--com2", "tcp://gw"} << 2 << "--com2 tcp://gw: no port";
        QTest::addRow("panel: list ports") << "R7K_PANEL" << QStringList{"--list-ports", "--com1=tcp://gw:1"} << 0 << "COM1 = tcp://gw:1 (option)\nCOM2 = /dev/ttyS1 (default)\nSettings file: /nonexistent/r7k-panel/r7k-panel.conf (does not exist)\n";
        QTest::addRow("sim: missing device") << "R7K_SIM" << QStringList{"--device", "/nonexistent/tty"} << 1 << "r7k-sim: /nonexistent/tty: cannot open:";
        QTest::addRow("sim: not a terminal") << "R7K_SIM" << QStringList{"--device", "/dev/null"} << 1 << "r7k-sim: /dev/null: not a terminal";
        QTest::addRow("panel: no display") << "R7K_PANEL" << QStringList{} << 1 << "r7k-panel: cannot open a window: no display (DISPLAY and WAYLAND_DISPLAY are not set)";
        QTest::addRow("panel: help without a display") << "R7K_PANEL" << QStringList{"--help"} << 0 << "--list-ports";
        QTest::addRow("panel: a warning box also on stderr") << "R7K_PANEL" << QStringList{"-platform", "offscreen", "--com1", "/nonexistent/tty"} << 0 << " COM1 (/nonexistent/tty) cannot be opened: ";
        // clang-format on
    }
    void commandLines() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QProcess p;
        // No display and no settings file; a panel that does open its window ends once it is up.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("R7K_STARTUP_TRACE", "quit");
        env.insert("XDG_CONFIG_HOME", "/nonexistent");
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable(qPrintable(program)), args);
        QVERIFY(p.waitForFinished(10000));
        QTEST(p.exitCode(), "exitCode");
        QFETCH(QString, output);
        const QString all = p.readAllStandardOutput() + p.readAllStandardError();
        QVERIFY2(all.contains(output), qPrintable(all));
    }
};

QTEST_GUILESS_MAIN(TestQtLink)
#include "test_qt_link.moc"
