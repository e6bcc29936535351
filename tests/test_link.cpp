// The serial spine on virtual time: traffic text, start-up, the receive path and time-out,
// port and speed selection, END and a lost link.
#include <QtTest>

#include "protocol/traffic.h"
#include "timeline.h"
#include "transport/line_settings.h"

using namespace r7k;
using namespace r7k::fakes;

namespace {

// What the operator can tell about the link: port, selected options, the port group, boxes,
// the settings in force (and given to the port), bytes written, the RXD line, a watch, END.
QString linkState(PanelRig& rig) {
    QString options;
    for (const char* o : {"Option1", "Option2", "Option9", "Option10"})
        options += rig.window.isSelected(o) ? QString(o).mid(6) + "/" : "";
    const std::string settings = rig.serial.settings();
    return QStringLiteral("COM%1 %2 %3 %4 boxes=%5 %6 sent=%7 rxd='%8'%9%10")
        .arg(rig.serial.commPort())
        .arg(rig.serial.portOpen() ? "open" : "closed", options.chopped(1),
             rig.window.isVisible("Frame8") ? "shown" : "hidden")
        .arg(rig.window.warnings.size())
        .arg(rig.form.state().lineSettings == settings
                 ? settings.substr(0, settings.find(',')).c_str()
                 : "settings differ")
        .arg(rig.serial.writes.size())
        .arg(rig.line("Label12").c_str(), rig.portRetry.isEnabled() ? " watching" : "",
             rig.window.quitStatus >= 0 ? " ended" : "");
}

}  // namespace

class TestLink : public QObject {
    Q_OBJECT
  private slots:
    void traffic_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("text");
        QTest::addRow("a blank doubles")
            << QByteArray("CF IMAGE REAL\r") << " C F   I M A G E   R E A L CR ";
        QTest::addRow("ACK, 0x14 into the next, LF")
            << QByteArray("\x06\x14\r\n") << " ACK &CR LF ";
        QTest::addRow("empty") << QByteArray("") << " ";
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

    // COM1 opened, then closed and opened again by selecting it; placed by the design height.
    void startUp() {
        PanelRig rig(false);
        rig.window.screen = {28800, 16200};
        rig.form.load();
        QCOMPARE(linkState(rig), "COM1 open 1/9 hidden boxes=0 19200 sent=0 rxd=''");
        QCOMPARE(rig.serial.calls,
                 (std::vector<std::string>{"port 1", "settings 19200,N,8,1", "open 1", "close",
                                           "port 1", "open 1"}));
        QCOMPARE(QPointF(rig.window.left, rig.window.top), QPointF(9592.5, 3550));
        QCOMPARE(rig.window.outerSize().height, 5350.0);
        const auto idle = [&rig] {
            for (const FakeTimer* t :
                 {&rig.holdRepeat, &rig.replyTimeout, &rig.portGroupHide, &rig.displayClear})
                QVERIFY2(!t->isEnabled(), t->name().c_str());
        };
        idle();
        // The port group shown and hidden again leaves nothing ticking.
        rig.form.click("Command33");
        rig.advance(5000);
        QVERIFY(!rig.window.isVisible("Frame8"));
        idle();
    }

    void receive_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("until");
        QTest::addColumn<QString>("lines");
        const auto row = [](const char* name, const char* steps, int until, const QString& lines) {
            QTest::addRow("%s", name) << QString(steps) << until << lines;
        };
        const QString status = "0 Label11 | C R 0 CR |;";
        const QString blank = ";1000 Label11 ||;1000 Label12 ||;1000 Label22 ||";
        // clang-format off
        row("reply in two pieces; the display clear ticks once", "0 click Command44;10 rx 0;20 rx 0%0D", 2100,
            status + "10 Label12 | 0 |;20 Label12 | 0 0 CR |;20 Label22 | Power ON|" + blank);
        row("split by the time-out tick", "0 click Command44;400 rx 0;600 rx 0%0D", 1500,
            status + "400 Label12 | 0 |;600 Label12 | 0 CR |" + blank);
        row("late reply replaces the mark and is decoded", "0 click Command44;700 rx 80%0D", 1500,
            status + "500 Label12 | X X X X|;700 Label12 | 8 0 CR |;700 Label22 | Stand by|" + blank);
        row("a reply after a second query is judged against the second", "0 click Command44;10 click Command45;20 rx 3%0D",
            900, status + "10 Label11 | C R 1 CR |;20 Label12 | 3 CR |;20 Label22 | Input mode 3|");
        row("an unknown reply leaves the earlier status line", "0 click Command44;10 rx 00%0D;600 click Command44;610 rx 99%0D",
            1200, status + "10 Label12 | 0 0 CR |;10 Label22 | Power ON|;600 Label11 | C R 0 CR |;610 Label12 | 9 9 CR |");
        row("unsolicited bytes gather until the tick after the next send",
            "0 rx AB;200 click Command17;300 rx D;800 rx E;900 event 1001", 900,
            "0 Label12 | A B |;200 Label11 | C 0 0 CR |;300 Label12 | A B D |;800 Label12 | E |");
        row("REAL: mark at 2000; POWER ON at 2100 inherits 2000 and restarts the clear", "0 click Command10;2100 click Command17",
            4600, "0 Label11 | C F   I M A G E   R E A L CR |;2000 Label12 | X X X X|;2100 Label11 | C 0 0 CR |;"
                  "4100 Label12 | X X X X|;4600 Label11 ||;4600 Label12 ||;4600 Label22 ||");
        row("release blanks TXD and RXD at once, status 1000 ms later",
            "0 click Command44;10 rx 00%0D;20 press Command1;30 rx %06;100 release Command1;110 rx 80%0D", 1200,
            status + "10 Label12 | 0 0 CR |;10 Label22 | Power ON|;20 Label11 | C 0 9 CR |;30 Label12 | 0 0 CR ACK |;"
                     "100 Label11 ||;100 Label12 ||;110 Label12 | 8 0 CR |" + QString(blank).replace("1000", "1100"));
        // clang-format on
    }
    void receive() {
        QFETCH(QString, steps);
        QFETCH(int, until);
        QFETCH(QString, lines);
        PanelRig rig;
        QCOMPARE(runTimeline(rig, steps.split(';'), until), lines.split(';'));
        // The core's RXD text is what the window was last given, also after the buffer emptied.
        QCOMPARE(rig.line("Label12"), rig.window.text("Label12"));
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
        }
        PanelRig rig;
        rig.serial.receive(std::string(30000, 'A'));
        rig.serial.receive(std::string(10000, 'B'));
        QCOMPARE(rig.line("Label12").size(), 1 + 2 * kRxBufferLimit);
        const std::size_t sets = rig.window.lineSets.size();
        rig.serial.receive("more");
        QCOMPARE(rig.window.lineSets.size(), sets);
    }

    void lineSettings() {
        QStringList read;
        for (const char* text :
             {"19200,N,8,1", "4800,E,7,2", "0,N,8,1", "19200,X,8,1", "19200,N,4,1", "19200,N,9,1",
              "19200,N,8,3", "19200x,N,8,1", "19200,N,8", ""}) {
            const auto s = parseLineSettings(text);
            read << (s ? QString("%1/%2/%3/%4")
                             .arg(s->baud)
                             .arg(s->parity)
                             .arg(s->dataBits)
                             .arg(s->stopBits)
                       : "-");
        }
        QCOMPARE(read.join(' '), "19200/N/8/1 4800/E/7/2 - - - - - - - -");
    }

    // Another device for a port: in use, the link moves to it, or there is one box and the
    // old device is opened again; not in use, it is only switched.
    void deviceChange_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("done");
        QTest::addRow("in use, opens") << 1 << true << "new kept: COM1 open 1/9 hidden boxes=0";
        QTest::addRow("in use, fails") << 1 << false << "new old: COM1 open 1/9 hidden boxes=1";
        QTest::addRow("not in use") << 2 << false << "new kept: COM1 open 1/9 hidden boxes=0";
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
        QCOMPARE(log.join(' ') + ": " + linkState(rig).section(' ', 0, 4), done);
    }

    // A lost port is watched for already while its box waits for the operator.
    void watchedDuringTheBox() {
        PanelRig rig(false);
        rig.form.load();
        bool watching = false;
        rig.window.onWarn = [&](std::string_view) { watching = rig.portRetry.isEnabled(); };
        rig.serial.hangUp();
        QVERIFY(watching);
    }

    void link_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("until");
        QTest::addColumn<QString>("state");
        const QString com = "0 load,0 click Command33,";
        const auto row = [](const char* name, const QString& steps, int until, const char* state) {
            QTest::addRow("%s", name) << steps << until << QString(state);
        };
        const char* back = "COM1 open 1/9 shown boxes=1 19200 sent=0 rxd=''";
        // clang-format off
        row("COM2", com + "10 choose Option2", 20, "COM2 open 2/9 hidden boxes=0 19200 sent=0 rxd=''");
        row("COM2 cannot be opened: back to COM1", com + "0 fail open2,10 choose Option2", 20, back);
        row("closing fails", com + "0 fail close,10 choose Option2", 20, back);
        row("port number fails", com + "0 fail port,10 choose Option2", 20, back);
        row("COM1 again while it fails: one box, then watched", com + "0 fail open1,10 choose Option1", 20,
            "COM1 closed 1/9 shown boxes=1 19200 sent=0 rxd='' watching");
        row("the group stays 5000 ms after COM", com, 4999, "COM1 open 1/9 shown boxes=0 19200 sent=0 rxd=''");
        row("and hides then", com, 5000, "COM1 open 1/9 hidden boxes=0 19200 sent=0 rxd=''");
        row("the view button restarts that time", com + "0 key 74:2,3000 click Command34", 7999,
            "COM1 open 1/9 shown boxes=0 19200 sent=0 rxd=''");
        row("and the group hides then", com + "0 key 74:2,3000 click Command34", 8000,
            "COM1 open 1/9 hidden boxes=0 19200 sent=0 rxd=''");
        row("COM1 cannot be opened after COM2: back to COM2",
            com + "10 choose Option2,20 click Command33,20 fail open1,30 choose Option1", 40,
            "COM2 open 2/9 shown boxes=1 19200 sent=0 rxd=''");
        row("9600", com + "10 choose Option10", 20, "COM1 open 1/10 hidden boxes=0 9600 sent=0 rxd=''");
        row("9600 fails: back to 19200", com + "0 fail settings,10 choose Option10", 20, back);
        row("19200 fails after 9600: back to 9600",
            com + "10 choose Option10,20 click Command33,20 fail settings,30 choose Option9", 40,
            "COM1 open 1/10 shown boxes=1 9600 sent=0 rxd=''");
        row("missing at start: a send writes nothing and says so, COM2 opens",
            "0 fail open1,0 load,10 click Command17,20 choose Option2", 30,
            "COM2 open 2/9 hidden boxes=1 19200 sent=0 rxd=' Not sent: COM1 (/dev/fake1) is not open'");
        row("and no time-out mark follows", "0 fail open1,0 load,10 click Command17", 600,
            "COM1 closed 1/9 hidden boxes=1 19200 sent=0 rxd=' Not sent: COM1 (/dev/fake1) is not open' watching");
        row("and it goes with the display clear", "0 fail open1,0 load,10 click Command17", 1010,
            "COM1 closed 1/9 hidden boxes=1 19200 sent=0 rxd='' watching");
        row("missing at start: opened when it comes", "0 fail open1,0 load,1500 ok", 2000,
            "COM1 open 1/9 hidden boxes=1 19200 sent=0 rxd=' COM1 (/dev/fake1) reconnected'");
        row("lost: one box, watched while gone", "0 load,0 fail open1,10 hangup", 5000,
            "COM1 closed 1/9 hidden boxes=1 19200 sent=0 rxd='' watching");
        row("lost: reconnected within a second of coming back", "0 load,0 fail open1,10 hangup,3000 ok,3500 click Command17",
            3500, "COM1 open 1/9 hidden boxes=1 19200 sent=1 rxd=' COM1 (/dev/fake1) reconnected'");
        row("the reconnect line goes with the display clear", "0 load,10 hangup", 2010,
            "COM1 open 1/9 hidden boxes=1 19200 sent=0 rxd=''");
        row("choosing a port ends the watch", "0 load,0 fail open1,10 hangup,20 choose Option2", 20,
            "COM2 open 2/9 hidden boxes=1 19200 sent=0 rxd=''");
        row("END closes and ends", "0 load,10 click Command16", 20, "COM1 closed 1/9 hidden boxes=0 19200 sent=0 rxd='' ended");
        // clang-format on
    }
    // Of several failures in one choice, the first is the one the box names.
    void firstFailureNamed() {
        PanelRig rig(false);
        runTimeline(rig, {"0 load", "0 fail close", "10 choose Option2"}, 20);
        QCOMPARE(rig.window.warnings.size(), std::size_t(1));
        QVERIFY2(rig.window.warnings[0].starts_with("close failed"),
                 rig.window.warnings[0].c_str());
    }
    void link() {
        QFETCH(QString, steps);
        QFETCH(int, until);
        QFETCH(QString, state);
        PanelRig rig(false);
        runTimeline(rig, steps.split(',', Qt::SkipEmptyParts), until);
        QCOMPARE(linkState(rig), state);
    }
};

QTEST_APPLESS_MAIN(TestLink)
#include "test_link.moc"
