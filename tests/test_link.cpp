// The serial spine: traffic text, start-up, the receive path and time-out, port and speed
// selection, END and a lost link, all on virtual time.
#include <QtTest>

#include "commands/catalogue.h"
#include "fakes/panel_rig.h"
#include "link/line_settings.h"
#include "link/traffic.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestLink : public QObject {
    Q_OBJECT
  private slots:
    void trafficExamples_data();
    void trafficExamples();
    void trafficEveryByte_data();
    void trafficEveryByte();
    void trafficPiecewiseEqualsWhole();
    void startUpState();
    void startUpPlacement_data();
    void startUpPlacement();
    void receiveTimeline_data();
    void receiveTimeline();
    void receiveBufferIsBounded();
    void everyByteValueReceived();
    void otherCommEventsIgnored();
    void sendKeepsReplyLines();
    void closedPortSendsNothing();
    void lineSettings_data();
    void lineSettings();
    void portChange_data();
    void portChange();
    void startUpOpenFails();
    void speedChange();
    void speedChangeFails();
    void comButtonShowsGroupForFiveSeconds();
    void endClosesPortAndQuits();
    void lostLinkWarnsOnceAndReconnects();
    void choosingPortEndsReconnectWatch();
};

void TestLink::trafficExamples_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("traffic");
    QTest::addRow("POWER ON") << QByteArray("C00\r") << " C 0 0 CR ";
    QTest::addRow("blank doubles")
        << QByteArray("CF IMAGE REAL\r") << " C F   I M A G E   R E A L CR ";
    QTest::addRow("status reply") << QByteArray("00\r") << " 0 0 CR ";
    QTest::addRow("ACK") << QByteArray("\x06") << " ACK ";
    QTest::addRow("empty") << QByteArray("") << " ";
    QTest::addRow("0x14 runs into next") << QByteArray("\x14\r\n") << " &CR LF ";
    QTest::addRow("above z") << QByteArray("a{~\x7f") << " a ? ? ? ";
    QTest::addRow("NUL") << QByteArray("\0A", 2) << " ? A ";
}

void TestLink::trafficExamples() {
    QFETCH(QByteArray, source);
    QFETCH(QString, traffic);
    QCOMPARE(QString::fromStdString(trafficText(source.toStdString())), traffic);
}

void TestLink::trafficEveryByte_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("token");  // "*" = the byte itself then a blank
    QTest::addRow("controls below ACK") << 0x00 << 0x05 << "? ";
    QTest::addRow("ACK") << 0x06 << 0x06 << "ACK ";
    QTest::addRow("BEL to TAB") << 0x07 << 0x09 << "? ";
    QTest::addRow("LF") << 0x0A << 0x0A << "LF ";
    QTest::addRow("VT, FF") << 0x0B << 0x0C << "? ";
    QTest::addRow("CR") << 0x0D << 0x0D << "CR ";
    QTest::addRow("SO to 0x13") << 0x0E << 0x13 << "? ";
    QTest::addRow("0x14") << 0x14 << 0x14 << "&";
    QTest::addRow("0x15 to US") << 0x15 << 0x1F << "? ";
    QTest::addRow("blank to z") << 0x20 << 0x7A << "*";
    QTest::addRow("{ to DEL") << 0x7B << 0x7F << "? ";
    QTest::addRow("high half") << 0x80 << 0xFF << "? ";
}

void TestLink::trafficEveryByte() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, token);
    for (int c = first; c <= last; ++c) {
        const QString expected = token == "*" ? QString(QChar(c)) + ' ' : token;
        QCOMPARE(QString::fromStdString(trafficText(std::string(1, static_cast<char>(c)))),
                 " " + expected);
    }
}

void TestLink::trafficPiecewiseEqualsWhole() {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    std::string pieces = " ";
    for (std::size_t i = 0; i < all.size(); i += 7)
        appendTraffic(pieces, all.substr(i, 7));
    QCOMPARE(pieces, trafficText(all));
}

void TestLink::startUpState() {
    PanelRig rig;
    const Form1State& s = rig.form.state();
    QCOMPARE(s.CommSettings, std::string("19200,N,8,1"));
    QCOMPARE(s.CommandPrefix, std::string());
    QCOMPARE(s.HoldCode, 0);
    QCOMPARE(s.ReplyWait, 0);
    QCOMPARE(s.RxBuffer, std::string());
    QVERIFY(rig.window.isSelected("Option1"));
    QVERIFY(!rig.window.isSelected("Option2"));
    QVERIFY(rig.window.isSelected("Option9"));
    QVERIFY(!rig.window.isVisible("Frame8"));
    QCOMPARE(rig.window.outerSize().height, 5350.0);
    QVERIFY(rig.serial.portOpen());
    QCOMPARE(rig.serial.commPort(), 1);
    QCOMPARE(rig.serial.settings, std::string("19200,N,8,1"));
    // Start-up opens COM1, and selecting COM1 closes and reopens it.
    const std::vector<std::string> calls{
        "port 1", "settings 19200,N,8,1", "open 1", "close", "port 1", "open 1"};
    QCOMPARE(rig.serial.calls, calls);
    QVERIFY(rig.serial.writes.empty());
    QVERIFY(rig.window.lineSets.empty());
    QVERIFY(rig.window.warnings.empty());
    for (const FakeTimer* t : {&rig.timer1, &rig.timer2, &rig.timer3, &rig.timer4, &rig.relink}) {
        QVERIFY2(!t->isEnabled(), t->name().c_str());
    }
    QCOMPARE(rig.timer1.interval().count(), 200);
    QCOMPARE(rig.timer2.interval().count(), 500);
    QCOMPARE(rig.timer3.interval().count(), 5000);
    QCOMPARE(rig.timer4.interval().count(), 1000);
}

void TestLink::startUpPlacement_data() {
    QTest::addColumn<double>("screenW");
    QTest::addColumn<double>("screenH");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    // Design outer size 9615 x 9100 twips; the top uses the height before the window shrinks.
    QTest::addRow("1920x1080") << 28800.0 << 16200.0 << 9592.5 << 3550.0;
    QTest::addRow("1024x768") << 15360.0 << 11520.0 << 2872.5 << 1210.0;
    QTest::addRow("smaller than window") << 7200.0 << 6000.0 << -1207.5 << -1550.0;
}

void TestLink::startUpPlacement() {
    QFETCH(double, screenW);
    QFETCH(double, screenH);
    QFETCH(double, left);
    QFETCH(double, top);
    PanelRig rig(false);
    rig.window.screen = {screenW, screenH};
    rig.form.Form_Load();
    QCOMPARE(rig.window.left, left);
    QCOMPARE(rig.window.top, top);
    QCOMPARE(rig.window.outerSize().height, 5350.0);
}

void TestLink::receiveTimeline_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("until");
    QTest::addColumn<QStringList>("lines");
    const QString txd = "0 Label11 | C R 0 CR |";
    const QStringList blank{"1000 Label11 ||", "1000 Label12 ||", "1000 Label22 ||"};
    QTest::addRow("reply in one piece")
        << QStringList{"0 click Command44", "10 rx 00\\r"} << 1500
        << QStringList{txd, "10 Label12 | 0 0 CR |", "10 Label22 | Power ON|"} + blank;
    QTest::addRow("reply in two pieces")
        << QStringList{"0 click Command44", "10 rx 0", "20 rx 0\\r"} << 1500
        << QStringList{txd, "10 Label12 | 0 |", "20 Label12 | 0 0 CR |", "20 Label22 | Power ON|"} +
               blank;
    QTest::addRow("reply split by the time-out tick")
        << QStringList{"0 click Command44", "400 rx 0", "600 rx 0\\r"} << 1500
        << QStringList{txd, "400 Label12 | 0 |", "600 Label12 | 0 CR |"} + blank;
    QTest::addRow("partial reply then silence: no mark")
        << QStringList{"0 click Command44", "10 rx 0"} << 1500
        << QStringList{txd, "10 Label12 | 0 |"} + blank;
    QTest::addRow("no reply: mark at 500, blank at 1000")
        << QStringList{"0 click Command44"} << 1500
        << QStringList{txd, "500 Label12 | X X X X|"} + blank;
    QTest::addRow("late reply replaces the mark and is decoded")
        << QStringList{"0 click Command44", "700 rx 80\\r"} << 1500
        << QStringList{txd, "500 Label12 | X X X X|", "700 Label12 | 8 0 CR |",
                       "700 Label22 | Stand by|"} +
               blank;
    QTest::addRow("unsolicited bytes gather until the tick after the next send")
        << QStringList{"0 rx AB", "100 rx C", "200 click Command17", "300 rx D", "800 rx E"} << 900
        << QStringList{"0 Label12 | A B |", "100 Label12 | A B C |", "200 Label11 | C 0 0 CR |",
                       "300 Label12 | A B C D |", "800 Label12 | E |"};
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
}

void TestLink::receiveTimeline() {
    QFETCH(QStringList, steps);
    QFETCH(int, until);
    QFETCH(QStringList, lines);
    PanelRig rig;
    QCOMPARE(runTimeline(rig, steps, until), lines);
}

void TestLink::receiveBufferIsBounded() {
    PanelRig rig;
    rig.serial.receive(std::string(30000, 'A'));
    rig.serial.receive(std::string(10000, 'B'));
    QCOMPARE(rig.form.state().RxBuffer.size(), kRxBufferLimit);
    QCOMPARE(rig.form.state().RxBuffer.back(), 'B');
    QCOMPARE(rig.line("Label12").size(), 1 + 2 * kRxBufferLimit);
    const std::size_t sets = rig.window.lineSets.size();
    rig.serial.receive("more");  // beyond the bound: dropped, nothing redrawn
    QCOMPARE(rig.form.state().RxBuffer.size(), kRxBufferLimit);
    QCOMPARE(rig.window.lineSets.size(), sets);
    QCOMPARE(rig.form.state().ReplyWait, 0);
    rig.form.click("Command17");
    rig.advance(500);  // the time-out tick empties it
    rig.serial.receive("Z");
    QCOMPARE(rig.line("Label12"), std::string(" Z "));
}

void TestLink::everyByteValueReceived() {
    PanelRig rig;
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (std::size_t piece : {1u, 3u, 64u, 256u}) {
        PanelRig r;
        for (std::size_t i = 0; i < all.size(); i += piece)
            r.serial.receive(all.substr(i, piece));
        QCOMPARE(r.line("Label12"), trafficText(all));
    }
}

void TestLink::otherCommEventsIgnored() {
    PanelRig rig;
    rig.serial.raiseEvent(1001);
    QVERIFY(rig.window.lineSets.empty());
    QCOMPARE(rig.form.state().RxBuffer, std::string());
}

void TestLink::sendKeepsReplyLines() {
    PanelRig rig;
    rig.form.click("Command44");
    rig.serial.receive("00\r");
    rig.form.click("Command17");
    QCOMPARE(rig.line("Label12"), std::string(" 0 0 CR "));
    QCOMPARE(rig.line("Label22"), std::string(" Power ON"));
    QCOMPARE(rig.line("Label11"), std::string(" C 0 0 CR "));
}

void TestLink::closedPortSendsNothing() {
    PanelRig rig;
    rig.serial.setPortOpen(false);
    rig.form.click("Command17");
    QVERIFY(rig.serial.writes.empty());
    QCOMPARE(rig.line("Label11"), std::string(" C 0 0 CR "));
    QCOMPARE(rig.form.state().ReplyWait, 1);
}

void TestLink::lineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");  // 0 = rejected
    QTest::addColumn<int>("data");
    QTest::addRow("19200") << "19200,N,8,1" << 19200 << 8;
    QTest::addRow("9600") << "9600,N,8,1" << 9600 << 8;
    QTest::addRow("even 7 2") << "4800,E,7,2" << 4800 << 7;
    QTest::addRow("missing field") << "19200,N,8" << 0 << 0;
    QTest::addRow("bad parity") << "19200,X,8,1" << 0 << 0;
    QTest::addRow("bad data bits") << "19200,N,9,1" << 0 << 0;
    QTest::addRow("bad stop bits") << "19200,N,8,3" << 0 << 0;
    QTest::addRow("not a number") << "fast,N,8,1" << 0 << 0;
    QTest::addRow("trailing junk") << "19200x,N,8,1" << 0 << 0;
    QTest::addRow("empty") << "" << 0 << 0;
}

void TestLink::lineSettings() {
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(int, data);
    const auto s = parseLineSettings(text.toStdString());
    QCOMPARE(s.has_value(), baud != 0);
    if (s) {
        QCOMPARE(s->baud, baud);
        QCOMPARE(s->dataBits, data);
    }
}

void TestLink::portChange_data() {
    QTest::addColumn<QString>("choose");
    QTest::addColumn<QString>("failing");  // operation that fails, "" = none
    QTest::addColumn<int>("warnings");
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<bool>("openAfter");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("groupShown");
    QTest::addRow("COM2 works") << "Option2"
                                << "" << 0 << 2 << true << "Option2" << false;
    QTest::addRow("COM1 again works") << "Option1"
                                      << "" << 0 << 1 << true << "Option1" << false;
    QTest::addRow("COM2 cannot be opened") << "Option2"
                                           << "open2" << 1 << 1 << true << "Option1" << true;
    QTest::addRow("close fails") << "Option2"
                                 << "close" << 1 << 1 << true << "Option1" << true;
    QTest::addRow("port number fails") << "Option2"
                                       << "port" << 1 << 1 << true << "Option1" << true;
    QTest::addRow("nothing opens") << "Option2"
                                   << "open" << 1 << 1 << false << "Option1" << true;
}

void TestLink::portChange() {
    QFETCH(QString, choose);
    QFETCH(QString, failing);
    QFETCH(int, warnings);
    QFETCH(int, portAfter);
    QFETCH(bool, openAfter);
    QFETCH(QString, selected);
    QFETCH(bool, groupShown);
    PanelRig rig;
    rig.form.click("Command33");
    if (!failing.isEmpty())
        rig.serial.failures[failing.toStdString()] = "COM? failure text";
    const std::string option = choose.toStdString();
    rig.window.setSelected(option);  // the operator's click selects, then raises the handler
    rig.form.click(option);
    QCOMPARE(int(rig.window.warnings.size()), warnings);
    if (warnings > 0)
        QCOMPARE(rig.window.warnings[0], std::string("COM? failure text"));
    QCOMPARE(rig.serial.commPort(), portAfter);
    QCOMPARE(rig.serial.portOpen(), openAfter);
    QVERIFY(rig.window.isSelected(selected.toStdString()));
    QCOMPARE(rig.window.isVisible("Frame8"), groupShown);
    QVERIFY(rig.window.lineSets.empty());
    rig.advance(5000);  // the COM button's timer hides the group in any case
    QVERIFY(!rig.window.isVisible("Frame8"));
}

void TestLink::startUpOpenFails() {
    PanelRig rig(false);
    rig.serial.failures["open1"] = "COM1 (/dev/fake1) cannot be opened: Permission denied.";
    rig.form.Form_Load();
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
    QVERIFY(!rig.serial.portOpen());
    QVERIFY(rig.window.isSelected("Option1"));
    rig.form.click("Command17");  // a send on the closed port writes nothing
    QVERIFY(rig.serial.writes.empty());
    // The way back without restarting: COM2 opens, and so does COM1 once it works.
    rig.window.setSelected("Option2");
    rig.form.click("Option2");
    QVERIFY(rig.serial.portOpen());
    QCOMPARE(rig.serial.commPort(), 2);
    rig.serial.failures.clear();
    rig.window.setSelected("Option1");
    rig.form.click("Option1");
    QVERIFY(rig.serial.portOpen());
    QCOMPARE(rig.serial.commPort(), 1);
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
}

void TestLink::speedChange() {
    PanelRig rig;
    rig.form.click("Command33");
    rig.window.setSelected("Option10");
    rig.form.click("Option10");
    QCOMPARE(rig.form.state().CommSettings, std::string("9600,N,8,1"));
    QCOMPARE(rig.serial.settings, std::string("9600,N,8,1"));
    QVERIFY(rig.serial.portOpen());
    QVERIFY(!rig.window.isVisible("Frame8"));
    QVERIFY(rig.window.isSelected("Option1"));  // the port group is a group of its own
    QVERIFY(rig.serial.writes.empty());
}

void TestLink::speedChangeFails() {
    PanelRig rig;
    rig.form.click("Command33");
    rig.serial.failures["settings"] = "COM1 (/dev/fake1): cannot set 9600,N,8,1";
    rig.window.setSelected("Option10");
    rig.form.click("Option10");
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
    QCOMPARE(rig.form.state().CommSettings, std::string("19200,N,8,1"));
    QVERIFY(rig.window.isSelected("Option9"));
    QVERIFY(rig.window.isVisible("Frame8"));
}

void TestLink::comButtonShowsGroupForFiveSeconds() {
    PanelRig rig;
    rig.form.click("Command33");
    QVERIFY(rig.window.isVisible("Frame8"));
    rig.advance(4999);
    QVERIFY(rig.window.isVisible("Frame8"));
    rig.advance(1);
    QVERIFY(!rig.window.isVisible("Frame8"));
    QVERIFY(!rig.timer3.isEnabled());
}

void TestLink::endClosesPortAndQuits() {
    PanelRig rig;
    rig.form.click("Command16");
    QVERIFY(!rig.serial.portOpen());
    QCOMPARE(rig.serial.calls.back(), std::string("close"));
    QCOMPARE(rig.window.quitStatus, 0);
    QVERIFY(rig.serial.writes.empty());
}

void TestLink::lostLinkWarnsOnceAndReconnects() {
    PanelRig rig;
    rig.serial.failures["open1"] = "gone";
    rig.serial.hangUp("Input/output error");
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
    QVERIFY(rig.window.warnings[0].find("/dev/fake1") != std::string::npos);
    QVERIFY(!rig.serial.portOpen());
    rig.form.click("Command17");  // sends on the lost port write nothing and do not warn
    rig.advance(5000);
    QVERIFY(!rig.serial.portOpen());
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
    rig.serial.failures.clear();  // the device is back
    rig.advance(1000);
    QVERIFY(rig.serial.portOpen());
    QCOMPARE(rig.serial.commPort(), 1);
    QCOMPARE(rig.line("Label12"), std::string(" COM1 (/dev/fake1) reconnected"));
    QVERIFY(!rig.relink.isEnabled());
    QCOMPARE(rig.window.warnings.size(), std::size_t(1));
    rig.form.click("Command17");
    QCOMPARE(rig.serial.written(), std::string("C00\r"));
}

void TestLink::choosingPortEndsReconnectWatch() {
    PanelRig rig;
    rig.serial.hangUp();
    QVERIFY(rig.relink.isEnabled());
    rig.window.setSelected("Option2");
    rig.form.click("Option2");
    QVERIFY(!rig.relink.isEnabled());
    QCOMPARE(rig.serial.commPort(), 2);
    QVERIFY(rig.serial.portOpen());
}

QTEST_APPLESS_MAIN(TestLink)
#include "test_link.moc"
