// The QSerialPort adapter through real pseudo-terminals: bytes on the wire, replies in pieces,
// failures that name the device, and a hang-up without an error storm.
#include <QtTest>

#include "live_panel.h"
#include "pty_pair.h"

using namespace r7k;

class TestQtSerial : public QObject {
    Q_OBJECT
  private slots:
    void writesExactBytes();
    void replyInPiecesReachesRxdLine();
    void slowStreamAndBulkArriveWhole();
    void openFailures_data();
    void openFailures();
    void busyPort();
    void settingsApplyToOpenPort();
    void hangUpClosesOnceWithoutStorm();
};

void TestQtSerial::writesExactBytes() {
    PtyPair pty;
    LivePanel panel(pty.slave);
    panel.form.Form_Load();
    QVERIFY(panel.serial->portOpen());
    QVERIFY(panel.window.warnings.empty());
    panel.form.click("Command17");
    QCOMPARE(QByteArray::fromStdString(pty.read(4)), QByteArray("\x43\x30\x30\x0D"));
    panel.form.click("Command10");
    QCOMPARE(pty.read(14), std::string("CF IMAGE REAL\r"));
    QCOMPARE(pty.read(1, 100), std::string());  // nothing more
}

void TestQtSerial::replyInPiecesReachesRxdLine() {
    PtyPair pty;
    LivePanel panel(pty.slave);
    panel.form.Form_Load();
    panel.form.click("Command44");
    QCOMPARE(pty.read(4), std::string("CR0\r"));
    pty.write("8");
    QTRY_COMPARE(panel.line("Label12"), std::string(" 8 "));
    pty.write("0\r");
    QTRY_COMPARE(panel.line("Label12"), std::string(" 8 0 CR "));
    QCOMPARE(panel.line("Label22"), std::string(" Stand by"));
    // The real time-out then blanks the lines after 1000 ms.
    QTRY_COMPARE_WITH_TIMEOUT(panel.line("Label22"), std::string(), 3000);
}

void TestQtSerial::slowStreamAndBulkArriveWhole() {
    PtyPair pty;
    LivePanel panel(pty.slave);
    panel.form.Form_Load();
    // A trickle is gathered into fewer receive events, a fast block is not held back: either
    // way every byte arrives once and in order.
    std::string sent;
    for (int i = 0; i < 300; ++i) {
        const std::string b(1, char('0' + i % 75));
        pty.write(b);
        sent += b;
        QTest::qWait(1);
    }
    QTRY_COMPARE(panel.form.state().RxBuffer, sent);
    std::string block(20000, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char(i * 7);
    pty.write(block);
    sent += block;
    QTRY_COMPARE(panel.form.state().RxBuffer.size(), sent.size());
    QVERIFY(panel.form.state().RxBuffer == sent);
}

void TestQtSerial::openFailures_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("cause");
    QTest::addRow("missing device") << "/dev/r7k-no-such-port"
                                    << "No such file or directory";
    QTest::addRow("not a serial device") << "/dev/null"
                                         << "/dev/null";
}

void TestQtSerial::openFailures() {
    QFETCH(QString, device);
    QFETCH(QString, cause);
    LivePanel panel(device.toStdString());
    panel.form.Form_Load();
    QVERIFY(!panel.serial->portOpen());
    QCOMPARE(panel.window.warnings.size(), std::size_t(1));
    const QString text = QString::fromStdString(panel.window.warnings[0]);
    QVERIFY2(text.contains("COM1 (" + device + ")"), qPrintable(text));
    QVERIFY2(text.contains(cause), qPrintable(text));
    panel.form.click("Command17");  // sends on the closed port are harmless
    QCOMPARE(panel.line("Label11"), std::string(" C 0 0 CR "));
}

void TestQtSerial::busyPort() {
    PtyPair pty;
    LivePanel first(pty.slave);
    first.form.Form_Load();
    QVERIFY(first.serial->portOpen());
    LivePanel second(pty.slave);
    second.form.Form_Load();
    QVERIFY(!second.serial->portOpen());
    QCOMPARE(second.window.warnings.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(second.window.warnings[0]).contains("Another program"),
             second.window.warnings[0].c_str());
}

void TestQtSerial::settingsApplyToOpenPort() {
    PtyPair pty;
    LivePanel panel(pty.slave);
    panel.form.Form_Load();
    panel.window.setSelected("Option10");
    panel.form.click("Option10");
    QVERIFY(panel.window.warnings.empty());
    QVERIFY(panel.serial->portOpen());
    termios t{};
    QCOMPARE(tcgetattr(pty.master, &t), 0);
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(panel.serial->setSettings("bogus").ok(), false);
}

void TestQtSerial::hangUpClosesOnceWithoutStorm() {
    PtyPair pty;
    LivePanel panel(pty.slave);
    panel.form.Form_Load();
    QVERIFY(panel.serial->portOpen());
    pty.hangUp();
    // The loss is noticed by the read notifier, or at the latest by the next write.
    QTest::qWait(50);
    panel.form.click("Command17");
    QTRY_VERIFY(!panel.serial->portOpen());
    QTRY_COMPARE(panel.window.warnings.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(panel.window.warnings[0])
                .contains(QString::fromStdString(pty.slave)));
    // With the port closed, nothing keeps reporting: still one warning after a while.
    QTest::qWait(300);
    QCOMPARE(panel.window.warnings.size(), std::size_t(1));
    QVERIFY(!panel.serial->portOpen());
}

QTEST_GUILESS_MAIN(TestQtSerial)
#include "test_qt_serial.moc"
