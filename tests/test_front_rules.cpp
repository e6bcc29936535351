// The rules both front ends take from the core: which port menu entry is ticked, what the menu
// offers, and which chosen or entered address may stand for a port.
#include <QtTest>

#include "panel/port_choice.h"

using namespace r7k;

class TestFrontRules : public QObject {
    Q_OBJECT
  private slots:
    void sameAddress_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        // clang-format off
        QTest::addRow("linux path exact") << "/dev/ttyUSB0" << "/dev/ttyUSB0" << true;
        QTest::addRow("linux path case") << "/dev/ttyUSB0" << "/dev/ttyusb0" << false;
        QTest::addRow("COM any case") << "COM3" << "com3" << true;
        QTest::addRow("COM3 is not COM30") << "COM3" << "COM30" << false;
        QTest::addRow("host any case") << "tcp://GW.lan:4001" << "TCP://gw.LAN:4001" << true;
        QTest::addRow("ipv6 any case") << "rfc2217://[FE80::1]:7" << "rfc2217://[fe80::1]:7" << true;
        QTest::addRow("other scheme") << "tcp://gw:4001" << "rfc2217://gw:4001" << false;
        QTest::addRow("other port") << "tcp://gw:4001" << "tcp://gw:4002" << false;
        QTest::addRow("gateway is no device") << "tcp://gw:1" << "gw" << false;
        QTest::addRow("no address") << "tcp://gw" << "TCP://gw" << false;
        // clang-format on
    }
    void sameAddress() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTEST(r7k::sameAddress(a.toStdString(), b.toStdString()), "same");
        QTEST(r7k::sameAddress(b.toStdString(), a.toStdString()), "same");
    }

    // Found ports as "DEVICE:about,about" joined by ';'; the menu as "*" for the ticked entry.
    void menu_data() {
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("menu");
        const QString tail = "Network address\u2026|Default (/dev/ttyS0)";
        // clang-format off
        QTest::addRow("found, any case") << "COM3:USB Serial,COM3;COM4:" << "com3" << "*COM3  (USB Serial)|COM4|" + tail;
        QTest::addRow("about, empties left out") << "/dev/ttyUSB0:,Maker;/dev/ttyACM0:Modem,Maker" << "/dev/ttyUSB0" << "*/dev/ttyUSB0  (Maker)|/dev/ttyACM0  (Modem, Maker)|" + tail;
        QTest::addRow("gateway first") << "/dev/ttyUSB0:" << "tcp://gw:4001" << "*tcp://gw:4001|/dev/ttyUSB0|" + tail;
        QTest::addRow("linux case differs") << "/dev/ttyUSB0:" << "/dev/ttyusb0" << "*/dev/ttyusb0|/dev/ttyUSB0|" + tail;
        QTest::addRow("the default") << "" << "/dev/ttyS0" << "Network address\u2026|*Default (/dev/ttyS0)";
        // clang-format on
    }
    void menu() {
        QFETCH(QString, found);
        QFETCH(QString, current);
        std::vector<FoundPort> ports;
        for (const QString& p : found.split(';', Qt::SkipEmptyParts)) {
            FoundPort port{p.section(':', 0, 0).toStdString(), {}};
            for (const QString& about : p.section(':', 1).split(','))
                port.about.push_back(about.toStdString());
            ports.push_back(port);
        }
        QStringList menu;
        for (const PortMenuEntry& e : portMenuEntries(1, ports, current.toStdString())) {
            QVERIFY(!e.ticked || !e.address.empty());
            menu << (e.ticked ? "*" : "") + QString::fromStdString(e.text);
        }
        QTEST(menu.join('|'), "menu");
    }

    // An address chosen or entered is checked by the rule of a stored value, before the link
    // moves and before it is remembered.
    void choice_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("warning");
        // clang-format off
        QTest::addRow("device path") << false << "/dev/pts/3" << "";
        QTest::addRow("gateway") << false << "rfc2217://127.0.0.1:4001" << "";
        QTest::addRow("relative path") << false << "ttyUSB0" << "COM2: ttyUSB0: not a whole device path";
        QTest::addRow("no port number") << false << "tcp://gw" << "COM2: tcp://gw: ";
        QTest::addRow("windows COM255") << true << "com255" << "";
        QTest::addRow("windows COM256") << true << "COM256" << "COM2: COM256: not a COM port name (COM1 to COM255, or \\\\.\\NAME)";
        QTest::addRow("windows linux path") << true << "/dev/ttyUSB0" << "COM2: /dev/ttyUSB0: not a COM port name";
        // clang-format on
    }
    void choice() {
        QFETCH(bool, windows);
        QFETCH(QString, text);
        QFETCH(QString, warning);
        const QString got = QString::fromStdString(portChoiceProblem(
            2, text.toStdString(), windows ? DeviceNaming::Windows : DeviceNaming::Posix));
        QVERIFY2(warning.isEmpty() ? got.isEmpty() : got.startsWith(warning), qPrintable(got));
    }
};

QTEST_APPLESS_MAIN(TestFrontRules)
#include "test_front_rules.moc"
