// The serial spine on virtual time: traffic text, start-up, the receive path and time-out,
// port and speed selection, END and a lost link.
#include <QtTest>

#include "link/line_settings.h"
#include "link/traffic.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

namespace {

// What the operator can tell about the link after a script.
QString linkState(PanelRig& rig) {
    QStringList selected;
    for (const char* o : {"Option1", "Option2", "Option9", "Option10"}) {
        if (rig.window.isSelected(o))
            selected << o;
    }
    const std::string line = rig.serial.settings();
    return QStringLiteral("COM%1 %2, %3, group %4, %5 box(es), %6, sent %7, rxd |%8|%9%10")
        .arg(rig.serial.commPort())
        .arg(rig.serial.portOpen() ? "open" : "closed", selected.join('+'),
             rig.window.isVisible("Frame8") ? "shown" : "hidden")
        .arg(rig.window.warnings.size())
        .arg(rig.form.state().CommSettings == line ? line.c_str() : "settings differ")
        .arg(rig.serial.writes.size())
        .arg(rig.line("Label12").c_str(), rig.relink.isEnabled() ? ", watching" : "",
             rig.window.quitStatus >= 0 ? ", ended" : "");
}

}  // namespace

class TestLink : public QObject {
    Q_OBJECT
  private slots:
    void traffic_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("text");
        QTest::addRow("POWER ON") << QByteArray("C00\r") << " C 0 0 CR ";
        QTest::addRow("a blank doubles")
            << QByteArray("CF IMAGE REAL\r") << " C F   I M A G E   R E A L CR ";
        QTest::addRow("ACK") << QByteArray("\x06") << " ACK ";
        QTest::addRow("empty") << QByteArray("") << " ";
        QTest::addRow("0x14 runs into the next") << QByteArray("\x14\r\n") << " &CR LF ";
        QTest::addRow("controls around the marks")
            << QByteArray("\x00\x05\x07\x09\x0B\x0C\x0E\x13\x15\x1F", 10)
            << " ? ? ? ? ? ? ? ? ? ? ";
        QTest::addRow("edges of blank to z")
            << QByteArray(" !yz{~\x7f\x80\xff") << "   ! y z ? ? ? ? ? ";
    }
    void traffic() {
        QFETCH(QByteArray, source);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(trafficText(source.toStdString())), text);
    }

    void startUp() {
        PanelRig rig;
        QCOMPARE(linkState(rig),
                 "COM1 open, Option1+Option9, group hidden, 0 box(es), "
                 "19200,N,8,1, sent 0, rxd ||");
        // Opened at start, then closed and opened again by selecting COM1.
        QCOMPARE(rig.serial.calls,
                 (std::vector<std::string>{"port 1", "settings 19200,N,8,1", "open 1", "close",
                                           "port 1", "open 1"}));
        QCOMPARE(rig.window.outerSize().height, 5350.0);
        QVERIFY(rig.window.lineSets.empty());
        for (const FakeTimer* t : {&rig.timer1, &rig.timer2, &rig.timer3, &rig.timer4})
            QVERIFY2(!t->isEnabled(), t->name().c_str());
    }

    void placement_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QPointF>("topLeft");
        // Design outer size 9615 x 9100 twips; the top uses the height before the shrink.
        QTest::addRow("1920x1080") << 28800.0 << 16200.0 << QPointF(9592.5, 3550);
        QTest::addRow("smaller than the window") << 7200.0 << 6000.0 << QPointF(-1207.5, -1550);
    }
    void placement() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QPointF, topLeft);
        PanelRig rig(false);
        rig.window.screen = {width, height};
        rig.form.Form_Load();
        QCOMPARE(QPointF(rig.window.left, rig.window.top), topLeft);
    }

    void receive_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("until");
        QTest::addColumn<QStringList>("lines");
        const QString status = "0 Label11 | C R 0 CR |";
        const QStringList blank{"1000 Label11 ||", "1000 Label12 ||", "1000 Label22 ||"};
        QTest::addRow("reply in two pieces")
            << QStringList{"0 click Command44", "10 rx 0", "20 rx 0\\r"} << 1500
            << QStringList{status, "10 Label12 | 0 |", "20 Label12 | 0 0 CR |",
                           "20 Label22 | Power ON|"} +
                   blank;
        QTest::addRow("split by the time-out tick")
            << QStringList{"0 click Command44", "400 rx 0", "600 rx 0\\r"} << 1500
            << QStringList{status, "400 Label12 | 0 |", "600 Label12 | 0 CR |"} + blank;
        QTest::addRow("no reply: mark at 500, blank at 1000")
            << QStringList{"0 click Command44"} << 1500
            << QStringList{status, "500 Label12 | X X X X|"} + blank;
        QTest::addRow("late reply replaces the mark and is decoded")
            << QStringList{"0 click Command44", "700 rx 80\\r"} << 1500
            << QStringList{status, "500 Label12 | X X X X|", "700 Label12 | 8 0 CR |",
                           "700 Label22 | Stand by|"} +
                   blank;
        QTest::addRow("a reply after a second query is judged against the second")
            << QStringList{"0 click Command44", "10 click Command45", "20 rx 3\\r"} << 900
            << QStringList{status, "10 Label11 | C R 1 CR |", "20 Label12 | 3 CR |",
                           "20 Label22 | Input mode 3|"};
        QTest::addRow("an unknown reply leaves the earlier status line")
            << QStringList{"0 click Command44", "10 rx 00\\r", "600 click Command44",
                           "610 rx 99\\r"}
            << 1200
            << QStringList{status, "10 Label12 | 0 0 CR |", "10 Label22 | Power ON|",
                           "600 Label11 | C R 0 CR |", "610 Label12 | 9 9 CR |"};
        QTest::addRow("unsolicited bytes gather until the tick after the next send")
            << QStringList{"0 rx AB", "200 click Command17", "300 rx D", "800 rx E",
                           "900 event 1001"}
            << 900
            << QStringList{"0 Label12 | A B |", "200 Label11 | C 0 0 CR |", "300 Label12 | A B D |",
                           "800 Label12 | E |"};
        QTest::addRow("REAL: mark at 2000, blank at 2500")
            << QStringList{"0 click Command10"} << 3000
            << QStringList{"0 Label11 | C F   I M A G E   R E A L CR |", "2000 Label12 | X X X X|",
                           "2500 Label11 ||", "2500 Label12 ||", "2500 Label22 ||"};
        QTest::addRow("a new send restarts the display clear")
            << QStringList{"0 click Command17", "800 click Command18"} << 2000
            << QStringList{"0 Label11 | C 0 0 CR |",   "500 Label12 | X X X X|",
                           "800 Label11 | C 0 1 CR |", "1300 Label12 | X X X X|",
                           "1800 Label11 ||",          "1800 Label12 ||",
                           "1800 Label22 ||"};
        QTest::addRow("release blanks TXD and RXD at once, status 1000 ms later")
            << QStringList{"0 click Command44", "10 rx 00\\r",          "20 press Command1",
                           "30 rx \\x06",       "100 release Command1", "110 rx 80\\r"}
            << 1200
            << QStringList{status,
                           "10 Label12 | 0 0 CR |",
                           "10 Label22 | Power ON|",
                           "20 Label11 | C 0 9 CR |",
                           "30 Label12 | 0 0 CR ACK |",
                           "100 Label11 ||",
                           "100 Label12 ||",
                           "110 Label12 | 8 0 CR |",
                           "1100 Label11 ||",
                           "1100 Label12 ||",
                           "1100 Label22 ||"};
    }
    void receive() {
        QFETCH(QStringList, steps);
        QFETCH(int, until);
        QFETCH(QStringList, lines);
        PanelRig rig;
        QCOMPARE(runTimeline(rig, steps, until), lines);
    }

    // Every byte value arrives in pieces of any size and shows as in one piece; past the
    // buffer's bound nothing is kept, shown or decoded again.
    void receiveEveryByteAndBound() {
        std::string all;
        for (int c = 0; c < 256; ++c)
            all += char(c);
        for (std::size_t piece : {1u, 3u, 256u}) {
            PanelRig rig;
            for (std::size_t i = 0; i < all.size(); i += piece)
                rig.serial.receive(all.substr(i, piece));
            QCOMPARE(rig.line("Label12"), trafficText(all));
            QCOMPARE(rig.window.text("Label12"), trafficText(all));
        }
        PanelRig rig;
        rig.serial.receive(std::string(30000, 'A'));
        rig.serial.receive(std::string(10000, 'B'));
        QCOMPARE(rig.form.state().RxBuffer.size(), kRxBufferLimit);
        QCOMPARE(rig.line("Label12").size(), 1 + 2 * kRxBufferLimit);
        const std::size_t sets = rig.window.lineSets.size();
        rig.serial.receive("more");
        QCOMPARE(rig.window.lineSets.size(), sets);
    }

    // The RXD line keeps showing the reply after the time-out tick empties the buffer, and
    // the core says so too.
    void rxdLineOutlivesBuffer() {
        PanelRig rig;
        runTimeline(rig, {"0 click Command44", "10 rx 0"}, 600);
        QCOMPARE(rig.line("Label12"), std::string(" 0 "));
        QCOMPARE(rig.window.text("Label12"), std::string(" 0 "));
    }

    void link_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("until");
        QTest::addColumn<QString>("state");
        const QString com = "0 load,0 click Command33,";
        const auto row = [](const char* name, const QString& steps, int until, const char* state) {
            QTest::addRow("%s", name)
                << steps.split(',', Qt::SkipEmptyParts) << until << QString(state);
        };
        row("COM2", com + "10 choose Option2", 20,
            "COM2 open, Option2+Option9, group hidden, 0 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("COM2 cannot be opened: back to COM1", com + "0 fail open2,10 choose Option2", 20,
            "COM1 open, Option1+Option9, group shown, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("closing fails", com + "0 fail close,10 choose Option2", 20,
            "COM1 open, Option1+Option9, group shown, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("port number fails", com + "0 fail port,10 choose Option2", 20,
            "COM1 open, Option1+Option9, group shown, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("COM1 again while it fails: one box, then watched",
            com + "0 fail open1,10 choose Option1", 20,
            "COM1 closed, Option1+Option9, group shown, 1 box(es), 19200,N,8,1, sent 0, rxd ||,"
            " watching");
        row("the group hides 5000 ms after COM", com, 5000,
            "COM1 open, Option1+Option9, group hidden, 0 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("the group stays until then", com, 4999,
            "COM1 open, Option1+Option9, group shown, 0 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("9600", com + "10 choose Option10", 20,
            "COM1 open, Option1+Option10, group hidden, 0 box(es), 9600,N,8,1, sent 0, rxd ||");
        row("9600 fails: back to 19200", com + "0 fail settings,10 choose Option10", 20,
            "COM1 open, Option1+Option9, group shown, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("19200 fails after 9600: back to 9600",
            com + "10 choose Option10,20 click Command33,20 fail settings,30 choose Option9", 40,
            "COM1 open, Option1+Option10, group shown, 1 box(es), 9600,N,8,1, sent 0, rxd ||");
        row("start-up open fails: one box, a send writes nothing, COM2 opens",
            "0 fail open1,0 load,10 click Command17,20 choose Option2", 30,
            "COM2 open, Option2+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 0, "
            "rxd ||");
        row("missing at start: one box, opened when it comes", "0 fail open1,0 load,1500 ok", 2000,
            "COM1 open, Option1+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 0, "
            "rxd | COM1 (/dev/fake1) reconnected|");
        row("lost link: one box, watched while gone", "0 load,0 fail open1,10 hangup", 5000,
            "COM1 closed, Option1+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 0, rxd ||,"
            " watching");
        row("lost link reconnects within a second of coming back",
            "0 load,0 fail open1,10 hangup,3000 ok,3500 click Command17", 3500,
            "COM1 open, Option1+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 1, "
            "rxd | COM1 (/dev/fake1) reconnected|");
        row("the reconnect line goes with the display clear", "0 load,10 hangup", 2010,
            "COM1 open, Option1+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("choosing a port ends the watch", "0 load,0 fail open1,10 hangup,20 choose Option2", 20,
            "COM2 open, Option2+Option9, group hidden, 1 box(es), 19200,N,8,1, sent 0, rxd ||");
        row("END closes and ends", "0 load,10 click Command16", 20,
            "COM1 closed, Option1+Option9, group hidden, 0 box(es), 19200,N,8,1, sent 0, rxd ||,"
            " ended");
    }
    void lineSettings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");  // baud/parity/data/stop, or "-" when rejected
        for (const auto& [text, read] : {std::pair{"19200,N,8,1", "19200/N/8/1"},
                                         {"4800,E,7,2", "4800/E/7/2"},
                                         {"0,N,8,1", "-"},
                                         {"19200,X,8,1", "-"},
                                         {"19200,N,4,1", "-"},
                                         {"19200,N,9,1", "-"},
                                         {"19200,N,8,3", "-"},
                                         {"19200x,N,8,1", "-"},
                                         {"19200,N,8", "-"},
                                         {"", "-"}})
            QTest::addRow("%s", text) << QString(text) << QString(read);
    }
    void lineSettings() {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const auto s = parseLineSettings(text.toStdString());
        QCOMPARE(
            s ? QString("%1/%2/%3/%4").arg(s->baud).arg(s->parity).arg(s->dataBits).arg(s->stopBits)
              : QString("-"),
            read);
    }

    // Another device for a port: in use, the link moves to it, or there is one box and the
    // old device is opened again; not in use, it is only switched.
    void deviceChange_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("done");
        const QString open = "COM1 open, Option1+Option9, group hidden, ";
        QTest::addRow("in use, opens") << 1 << true << "new kept: " + open + "0 box(es)";
        QTest::addRow("in use, fails") << 1 << false << "new old: " + open + "1 box(es)";
        QTest::addRow("not in use") << 2 << false << "new kept: " + open + "0 box(es)";
    }
    void deviceChange() {
        QFETCH(int, port);
        QFETCH(bool, opens);
        QFETCH(QString, done);
        PanelRig rig;
        QStringList log;
        const auto use = [&](bool toNew) {
            log << (toNew ? "new" : "old");
            rig.serial.failures["open1"] = toNew && !opens ? "no such device" : "";
        };
        rig.form.changePortDevice(port, use, [&] { log << "kept"; });
        QCOMPARE(log.join(' ') + ": " + linkState(rig).section(", ", 0, 3), done);
    }

    void link() {
        QFETCH(QStringList, steps);
        QFETCH(int, until);
        QFETCH(QString, state);
        PanelRig rig(false);
        runTimeline(rig, steps, until);
        QCOMPARE(linkState(rig), state);
    }
};

QTEST_APPLESS_MAIN(TestLink)
#include "test_link.moc"
