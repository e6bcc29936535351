// The rules both front ends take from the core: the port menu and its tick, the stored
// ports, the warning queue and the hold of a hold button.
#include <QtTest>

#include "fakes/fake_store.h"
#include "fakes/panel_rig.h"
#include "panel/hold_tracker.h"
#include "panel/port_choice.h"
#include "panel/stored_ports.h"
#include "panel/warning_queue.h"
#include "transport/port_router.h"

using namespace r7k;
using fakes::FakeStore;

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
        QTest::addRow("host any case, a to z") << "tcp://GW.lan-az:4001" << "TCP://gw.LAN-AZ:4001" << true;
        QTest::addRow("other scheme") << "tcp://gw:4001" << "rfc2217://gw:4001" << false;
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

    // One set of rules for what a store holds; each thing skipped is one warning.
    void stored_data() {
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("mapped");    // COM1, COM2
        QTest::addColumn<QString>("problems");  // each warning's start
        // clang-format off
        QTest::addRow("both") << "com1=/dev/pts/9|com2=tcp://gw:1" << "/dev/pts/9,tcp://gw:1" << "";
        QTest::addRow("none") << "" << "/dev/ttyS0,/dev/ttyS1" << "";
        QTest::addRow("empty warns") << "com1=" << "/dev/ttyS0,/dev/ttyS1" << "S: com1 = \"\" was skipped (no device or address given); COM1 is /dev/ttyS0.";
        QTest::addRow("unknown key warns") << "com3=/dev/pts/1|com2=/dev/pts/2" << "/dev/ttyS0,/dev/pts/2" << "S: com3 = \"/dev/pts/1\" was skipped (unknown key; only com1 and com2).";
        QTest::addRow("type named") << "com1:REG_MULTI_SZ" << "/dev/ttyS0,/dev/ttyS1" << "S: com1 = \"<REG_MULTI_SZ>\" was skipped (not a string value";
        QTest::addRow("not whole") << "com2=ttyUSB0|com9:REG_DWORD" << "/dev/ttyS0,/dev/ttyS1" << "S: com2 = \"ttyUSB0\" was skipped (not a whole|S: com9 = \"<REG_DWORD>\" was skipped (unknown key";
        // clang-format on
    }
    void stored() {
        QFETCH(QString, entries);
        QFETCH(QString, problems);
        FakeStore store;
        store.entries = entries.split('|', Qt::SkipEmptyParts);
        const StoredPorts ports(store);
        QTEST(QString::fromStdString(ports.mapping(1, "").address + "," +
                                     ports.mapping(2, "").address),
              "mapped");
        QStringList got;
        for (const std::string& p : ports.problems())
            got << QString::fromStdString(p);
        const QStringList want = problems.split('|', Qt::SkipEmptyParts);
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < got.size(); ++i)
            QVERIFY2(got[i].startsWith(want[i]), qPrintable(got[i]));
    }

    // Remembering: checked first; kept for this run even when the store fails.
    void remember_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("now");  // what COM2 stands for afterwards
        // clang-format off
        QTest::addRow("kept") << 2 << "/dev/pts/4" << "" << "" << "/dev/pts/4";
        QTest::addRow("not kept, used") << 2 << "/dev/pts/4" << "S cannot be written" << "COM2 = /dev/pts/4 is used now but could not be remembered: S cannot be written." << "/dev/pts/4";
        QTest::addRow("refused") << 2 << "pts/4" << "" << "COM2: pts/4: not a whole device path" << "/dev/ttyS1";
        QTest::addRow("no such port") << 3 << "/dev/pts/4" << "" << "COM3 is not a port of this panel." << "/dev/ttyS1";
        // clang-format on
    }
    void remember() {
        QFETCH(int, port);
        QFETCH(QString, address);
        QFETCH(QString, failure);
        FakeStore store;
        store.failure = failure.toStdString();
        StoredPorts ports(store);
        QTEST(QString::fromStdString(ports.remember(port, address.toStdString())), "warning");
        QTEST(QString::fromStdString(ports.mapping(2, "").address), "now");
    }

    // Steps: "+TEXT" a warning comes, "?" the front end asks what to show, "x" the box closes.
    // A port chosen from the menu or the prompt: checked, moved, kept once it opened.
    void choice_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("openFails");   // the open's failure; empty: it opens
        QTest::addColumn<QString>("writeFails");  // the store's failure; empty: it keeps
        QTest::addColumn<QString>("result");      // COM1's address, moves; the warnings
        // clang-format off
        QTest::addRow("kept") << "/dev/ttyUSB1" << "" << "" << "/dev/ttyUSB1 1|";
        QTest::addRow("used, not kept") << "/dev/ttyUSB1" << "" << "S cannot be written" << "/dev/ttyUSB1 1|COM1 = /dev/ttyUSB1 is used now but could not be remembered: S cannot be written.";
        QTest::addRow("refused before anything moves") << "tcp://gw" << "" << "" << "/dev/ttyUSB0 0|COM1: tcp://gw: no port after the host; the address is tcp://HOST:PORT";
        QTest::addRow("fails to open: back, not kept") << "/dev/ttyUSB1" << "busy" << "S cannot be written" << "/dev/ttyUSB0 2|busy";
        // clang-format on
    }
    void choice() {
        fakes::VirtualLink link;
        PortRouter router({link.serial, [](int, const std::string&) {},
                           [](std::string&) { return std::unique_ptr<NetworkPort>(); }},
                          *parsePortAddress("/dev/ttyUSB0").address,
                          *parsePortAddress("/dev/ttyUSB2").address);
        HeadlessWindow window;
        PanelController form(link.timers(), router, window);
        form.load();
        FakeStore store;
        QFETCH(QString, writeFails);
        store.failure = writeFails.toStdString();
        StoredPorts settings(store);
        QFETCH(QString, openFails);
        if (!openFails.isEmpty())
            link.serial.failures["open"] = openFails.toStdString();
        int moves = 0;
        QFETCH(QString, address);
        QFETCH(QString, result);
        choosePort(1, address.toStdString(), form, router, window, settings, [&] { ++moves; });
        QStringList warnings;
        for (const std::string& w : window.warnings)
            warnings << QString::fromStdString(w);
        QCOMPARE(QString::fromStdString(router.address(1).text()) + " " + QString::number(moves) +
                     "|" + warnings.join('/'),
                 result);
    }

    void warningQueue_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");  // what each "?" gave; "-" for nothing
        // clang-format off
        QTest::addRow("in order, one at a time") << "+a +b ? ? x ? x ?" << "a - b -";
        QTest::addRow("same cause while open") << "+lost ? +lost +lost +lost x ?" << "lost -";
        QTest::addRow("same cause while waiting") << "+a ? +b +b x ? x ?" << "a b -";
        QTest::addRow("again once closed") << "+a ? x +a ?" << "a a";
        // clang-format on
    }
    void warningQueue() {
        QFETCH(QString, steps);
        WarningQueue queue;
        QStringList shown;
        for (const QString& step : steps.split(' ')) {
            if (step.startsWith('+'))
                queue.add(step.mid(1).toStdString());
            else if (step == "x")
                queue.closed();
            else
                shown << QString::fromStdString(queue.next().value_or("-"));
        }
        QTEST(shown.join(' '), "shown");
    }

    // Steps: "A32" a press of key 32 (0: a mouse button) on hold button A, "^32" its release,
    // an "r" after either the key's auto-repeat, "x" what takes the input away (focus, hide,
    // a box, quit). What the controller hears: "+A" held, "-A" released.
    void hold_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("heard");
        // clang-format off
        QTest::addRow("mouse") << "A0 ^0 ^0" << "+A -A";
        QTest::addRow("one at a time") << "A0 B0 B32 ^0" << "+A -A";
        QTest::addRow("key, repeats ignored") << "A32 A32r ^32r A32r ^32" << "+A -A";
        QTest::addRow("other key's release") << "A32 ^13 ^32" << "+A -A";
        QTest::addRow("mouse release ends a key hold") << "A13 ^0 ^13" << "+A -A";
        QTest::addRow("repeat starts none") << "A32r B0 ^0" << "+B -B";
        QTest::addRow("input taken away") << "A32 x ^32 x B0" << "+A -A +B";
        // clang-format on
    }
    void hold() {
        QFETCH(QString, steps);
        HoldTracker hold;
        QStringList heard;
        for (QString step : steps.split(' ')) {
            const bool repeat = step.endsWith('r');
            step.remove('r');
            const int key = step.mid(1).toInt();
            std::optional<std::string> ended;
            if (step == "x" || (step.startsWith('^') && hold.endsAt(key, repeat)))
                ended = hold.end();
            else if (!step.startsWith('^') && hold.press(step.left(1).toStdString(), key, repeat))
                heard << "+" + QString::fromUtf8(hold.held());
            if (ended)
                heard << "-" + QString::fromStdString(*ended);
        }
        QTEST(heard.join(' '), "heard");
    }
};

QTEST_APPLESS_MAIN(TestFrontRules)
#include "test_front_rules.moc"
