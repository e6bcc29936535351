// Every button: one-shot clicks, press-and-hold repetition and the typed entry, on virtual time.
#include <QtTest>
#include <set>

#include "commands/catalogue.h"
#include "commands/typed_text.h"
#include "fakes/panel_rig.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestCommands : public QObject {
    Q_OBJECT
  private slots:
    void oneShotRow_data();
    void oneShotRow();
    void catalogueShape();
    void intervalInheritance_data();
    void intervalInheritance();
    void holdRow_data();
    void holdRow();
    void holdPace_data();
    void holdPace();
    void holdCycleWithoutReply();
    void releaseTidiesTraffic();
    void strayAndOverlappingHolds_data();
    void strayAndOverlappingHolds();
    void send_data();
    void send();
    void clsKeepsTraffic();
    void longTypedText();
    void singleByte_data();
    void singleByte();
};

void TestCommands::oneShotRow_data() {
    QTest::addColumn<QString>("name");
    for (const auto& row : kOneShotButtons) {
        QTest::addRow("%s %s", row.name.data(), row.code.data())
            << QString::fromUtf8(row.name.data(), row.name.size());
    }
}

void TestCommands::oneShotRow() {
    QFETCH(QString, name);
    const OneShotButton& row = *findOneShot(name.toStdString());
    PanelRig rig;
    // Start from distinct intervals so a row that sets nothing visibly inherits them.
    rig.timer2.setInterval(milliseconds{777});
    rig.timer4.setInterval(milliseconds{888});
    rig.form.click(name.toStdString());
    const std::string expected = std::string(row.code) + "\r";
    QCOMPARE(rig.serial.writes.size(), std::size_t(1));
    QCOMPARE(rig.serial.writes[0].bytes, expected);
    QCOMPARE(rig.form.state().LastCommand, expected);
    QCOMPARE(rig.form.state().ReplyWait, 1);
    QVERIFY(rig.timer2.isEnabled());
    QVERIFY(rig.timer4.isEnabled());
    QVERIFY(!rig.timer1.isEnabled());
    const bool timed = row.kind == SendKind::Timed;
    QCOMPARE(rig.timer2.interval(), timed ? row.timeout : milliseconds{777});
    QCOMPARE(rig.timer4.interval(), timed ? row.displayClear : milliseconds{888});
    const bool menu = row.kind == SendKind::Menu;
    QCOMPARE(rig.form.state().CursorMode, menu ? 1 : 0);
    QCOMPARE(rig.timer1.interval().count(), 200);
}

void TestCommands::catalogueShape() {
    int plain = 0, timed = 0, menu = 0;
    for (const auto& row : kOneShotButtons) {
        plain += row.kind == SendKind::Plain;
        timed += row.kind == SendKind::Timed;
        menu += row.kind == SendKind::Menu;
    }
    QCOMPARE(plain, 28);
    QCOMPARE(timed, 17);
    QCOMPARE(menu, 2);
    // Exact bytes of the two examples operators check on a line monitor.
    PanelRig rig;
    rig.form.click("Command17");
    rig.form.click("Command10");
    QCOMPARE(QByteArray::fromStdString(rig.serial.writes[0].bytes), QByteArray("\x43\x30\x30\x0D"));
    QCOMPARE(rig.serial.writes[1].bytes.size(), std::size_t(14));
    std::set<std::string_view> names;
    std::set<int> codes;
    for (const auto& row : kOneShotButtons)
        names.insert(row.name);
    for (const auto& row : kHoldButtons) {
        names.insert(row.name);
        codes.insert(row.holdCode);
    }
    QCOMPARE(names.size(), std::size_t(64));
    QCOMPARE(codes.size(), std::size_t(17));
}

void TestCommands::intervalInheritance_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("markAt");   // STATUS sent at t0: when the time-out mark shows
    QTest::addColumn<int>("blankAt");  // when the lines blank
    QTest::addRow("at start") << QStringList{} << 500 << 1000;
    QTest::addRow("after REAL") << QStringList{"click Command10"} << 2000 << 2500;
    QTest::addRow("after P-FAIL") << QStringList{"click Command52"} << 2000 << 2500;
    QTest::addRow("after an input terminal") << QStringList{"click Command64"} << 5000 << 5500;
    QTest::addRow("after REAL then a plain button")
        << QStringList{"click Command10", "click Command17"} << 2000 << 2500;
    QTest::addRow("after SEND") << QStringList{"click Command95"} << 2000 << 2500;
    QTest::addRow("after a hold press and release")
        << QStringList{"click Command64", "press Command1", "release Command1"} << 500 << 1000;
    QTest::addRow("after MENU ON")
        << QStringList{"click Command10", "click Command23"} << 2000 << 2500;
}

void TestCommands::intervalInheritance() {
    QFETCH(QStringList, before);
    QFETCH(int, markAt);
    QFETCH(int, blankAt);
    PanelRig rig;
    QStringList steps;
    for (const QString& b : before)
        steps << "0 " + b;
    runTimeline(rig, steps, 10000);
    const int t0 = 10000;
    const QStringList lines = runTimeline(rig, {"10000 click Command44"}, 20000);
    QCOMPARE(lines.value(1), QStringLiteral("%1 Label12 | X X X X|").arg(t0 + markAt));
    QCOMPARE(lines.value(2), QStringLiteral("%1 Label11 ||").arg(t0 + blankAt));
}

void TestCommands::holdRow_data() {
    QTest::addColumn<QString>("name");
    for (const auto& row : kHoldButtons) {
        QTest::addRow("%s %s", row.name.data(), row.code.data())
            << QString::fromUtf8(row.name.data(), row.name.size());
    }
}

void TestCommands::holdRow() {
    QFETCH(QString, name);
    const HoldButton& row = *findHold(name.toStdString());
    PanelRig rig;
    rig.form.click(name.toStdString());  // hold buttons have no click action
    QVERIFY(rig.serial.writes.empty());
    rig.form.mouseDown(name.toStdString());
    const std::string expected = std::string(row.code) + "\r";
    QCOMPARE(rig.form.state().HoldCode, row.holdCode);
    QCOMPARE(rig.serial.written(), expected);
    QVERIFY(rig.timer1.isEnabled());
    const milliseconds repeat = row.arrow ? milliseconds{200} : row.repeat;
    QCOMPARE(rig.timer1.interval(), repeat);
    if (!row.arrow) {
        QCOMPARE(rig.timer2.interval(), row.timeout);
        QCOMPARE(rig.timer4.interval(), row.displayClear);
    }
    rig.clock.advance(repeat);
    QCOMPARE(rig.serial.written(), expected + expected);  // the tick repeats the same command
    rig.form.mouseUp(name.toStdString());
    QCOMPARE(rig.form.state().HoldCode, 0);
    QVERIFY(!rig.timer1.isEnabled());
    QCOMPARE(rig.timer2.interval().count(), 500);
    QCOMPARE(rig.timer4.interval().count(), 1000);
    QCOMPARE(rig.timer1.interval(), row.digitalZoom ? milliseconds{5} : repeat);
    QCOMPARE(rig.form.state().CursorMode, row.digitalZoom ? 3 : 0);
    rig.advance(10000);
    QCOMPARE(rig.serial.writes.size(), std::size_t(2));  // no tick sends after the release
}

void TestCommands::holdPace_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("heldFor");
    QTest::addColumn<int>("sends");
    QTest::addColumn<int>("timeout");  // Timer2 interval while held
    QTest::addColumn<int>("clear");    // Timer4 interval while held
    QTest::addRow("VOL + pressed and released within 250 ms")
        << QStringList{} << "Command1" << 249 << 1 << 200 << 245;
    QTest::addRow("VOL + held 1 s") << QStringList{} << "Command1" << 1000 << 5 << 200 << 245;
    QTest::addRow("Zoom + held 1 s") << QStringList{} << "Command15" << 1000 << 21 << 25 << 25;
    QTest::addRow("Focus - held 1 s") << QStringList{} << "Command37" << 1000 << 21 << 25 << 25;
    QTest::addRow("LENS SHIFT up held 1 s")
        << QStringList{} << "Command59" << 1000 << 21 << 25 << 25;
    QTest::addRow("SELECT held 1 s") << QStringList{} << "Command6" << 1000 << 3 << 200 << 245;
    QTest::addRow("arrow at start") << QStringList{} << "Command5" << 1000 << 6 << 500 << 1000;
    QTest::addRow("arrow after MENU ON")
        << QStringList{"click Command23"} << "Command7" << 1000 << 6 << 150 << 190;
    QTest::addRow("arrow after a D.Zoom release")
        << QStringList{"press Command48", "release Command48"} << "Command9" << 1000 << 201 << 5
        << 5;
    QTest::addRow("arrow after MENU ON then VOL +")
        << QStringList{"click Command23", "press Command1", "release Command1"} << "Command8"
        << 1000 << 5 << 150 << 190;
    QTest::addRow("arrow after MENU OFF keeps the D.Zoom pace")
        << QStringList{"press Command49", "release Command49", "click Command24"} << "Command5"
        << 100 << 21 << 5 << 5;
    QTest::addRow("arrow after A-IMAGE over D.Zoom")
        << QStringList{"press Command49", "release Command49", "click Command13"} << "Command5"
        << 1000 << 6 << 150 << 190;
}

void TestCommands::holdPace() {
    QFETCH(QStringList, before);
    QFETCH(QString, button);
    QFETCH(int, heldFor);
    QFETCH(int, sends);
    QFETCH(int, timeout);
    QFETCH(int, clear);
    PanelRig rig;
    QStringList steps;
    for (const QString& b : before)
        steps << "0 " + b;
    runTimeline(rig, steps, 3000);
    rig.serial.writes.clear();
    const std::string name = button.toStdString();
    rig.form.mouseDown(name);
    QCOMPARE(int(rig.timer2.interval().count()), timeout);
    QCOMPARE(int(rig.timer4.interval().count()), clear);
    rig.advance(heldFor);
    rig.form.mouseUp(name);
    rig.advance(3000);
    QCOMPARE(int(rig.serial.writes.size()), sends);
    const std::string code = std::string(findHold(name)->code) + "\r";
    for (const auto& w : rig.serial.writes)
        QCOMPARE(w.bytes, code);
}

void TestCommands::holdCycleWithoutReply() {
    PanelRig rig;
    const QStringList lines = runTimeline(rig, {"0 press Command1"}, 500);
    const QStringList expected{
        "0 Label11 | C 0 9 CR |", "200 Label12 | X X X X|",  "245 Label11 ||",
        "245 Label12 ||",         "245 Label22 ||",          "250 Label11 | C 0 9 CR |",
        "450 Label12 | X X X X|", "495 Label11 ||",          "495 Label12 ||",
        "495 Label22 ||",         "500 Label11 | C 0 9 CR |"};
    QCOMPARE(lines, expected);
}

void TestCommands::releaseTidiesTraffic() {
    PanelRig rig;
    rig.form.click("Command44");
    rig.serial.receive("00\r");
    rig.form.mouseDown("Command1");
    rig.serial.receive("\x06");
    QVERIFY(!rig.form.state().RxBuffer.empty());
    rig.advance(100);
    rig.form.mouseUp("Command1");
    QCOMPARE(rig.line("Label11"), std::string());
    QCOMPARE(rig.line("Label12"), std::string());
    QCOMPARE(rig.line("Label22"), std::string(" Power ON"));
    QCOMPARE(rig.form.state().RxBuffer, std::string());
    QVERIFY(!rig.timer2.isEnabled());
    rig.serial.receive("80\r");  // a reply after the release starts from an empty buffer
    QCOMPARE(rig.line("Label12"), std::string(" 8 0 CR "));
    rig.advance(999);
    QCOMPARE(rig.line("Label22"), std::string(" Power ON"));
    rig.advance(1);
    QCOMPARE(rig.line("Label22"), std::string());
}

void TestCommands::strayAndOverlappingHolds_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("sends");
    QTest::addRow("release without a press") << QStringList{"0 release Command1"} << 0;
    QTest::addRow("second press before a release ends with one release")
        << QStringList{"0 press Command1", "100 press Command15", "120 release Command15"} << 2;
    QTest::addRow("release of another hold button stops the repetition")
        << QStringList{"0 press Command1", "100 release Command2"} << 1;
    QTest::addRow("release of a one-shot button does not stop it")
        << QStringList{"0 press Command1", "100 release Command17", "600 release Command1"} << 3;
}

void TestCommands::strayAndOverlappingHolds() {
    QFETCH(QStringList, steps);
    QFETCH(int, sends);
    PanelRig rig;
    runTimeline(rig, steps, 5000);
    QCOMPARE(int(rig.serial.writes.size()), sends);
    QCOMPARE(rig.form.state().HoldCode, 0);
    QVERIFY(!rig.timer1.isEnabled());
}

void TestCommands::send_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("empty sends a lone CR") << "" << QByteArray("\r");
    QTest::addRow("typed query") << "CR PRESSURE" << QByteArray("CR PRESSURE\r");
    QTest::addRow("lower case kept") << "cr0" << QByteArray("cr0\r");
    QTest::addRow("blanks kept, no trim") << "  CF IMAGE REAL " << QByteArray("  CF IMAGE REAL \r");
    QTest::addRow("Latin-1 as its byte") << "C\u00e9" << QByteArray("C\xe9\r");
    QTest::addRow("beyond Latin-1 as ?") << "C\u30c7\u20ac" << QByteArray("C??\r");
}

void TestCommands::send() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    PanelRig rig;
    rig.window.setText("Text1", typed.toStdString());
    rig.form.click("Command95");
    QCOMPARE(QByteArray::fromStdString(rig.serial.written()), bytes);
    QCOMPARE(QByteArray::fromStdString(rig.form.state().LastCommand), bytes);
    QCOMPARE(QByteArray::fromStdString(rig.form.state().TypedCommand), bytes.chopped(1));
    QCOMPARE(rig.timer2.interval().count(), 2000);
    QCOMPARE(rig.timer4.interval().count(), 2500);
    QCOMPARE(QString::fromStdString(rig.window.text("Text1")), typed);  // kept for a repeat
}

void TestCommands::clsKeepsTraffic() {
    PanelRig rig;
    rig.window.setText("Text1", "CR0");
    rig.form.click("Command95");
    rig.serial.receive("00\r");
    rig.form.click("Command96");
    QCOMPARE(rig.window.text("Text1"), std::string());
    QCOMPARE(rig.form.state().LastCommand, std::string("CR0\r"));
    QCOMPARE(rig.form.state().TypedCommand, std::string("CR0"));
    QCOMPARE(rig.line("Label22"), std::string(" Power ON"));
    QCOMPARE(rig.serial.writes.size(), std::size_t(1));
    rig.form.click("Command95");
    QCOMPARE(rig.serial.writes.back().bytes, std::string("\r"));
}

void TestCommands::longTypedText() {
    PanelRig rig;
    const std::string text(100000, 'A');
    rig.window.setText("Text1", text);
    rig.form.click("Command95");
    QCOMPARE(rig.serial.written(), text + "\r");
    QCOMPARE(rig.line("Label11").size(), 1 + 2 * text.size() + 3);
}

void TestCommands::singleByte_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("ASCII") << QByteArray("CR0") << QByteArray("CR0");
    QTest::addRow("U+00FF") << QByteArray("\xc3\xbf") << QByteArray("\xff");
    QTest::addRow("U+0100") << QByteArray("\xc4\x80") << QByteArray("?");
    QTest::addRow("emoji") << QByteArray("\xf0\x9f\x98\x80") << QByteArray("?");
    QTest::addRow("stray continuation") << QByteArray(
                                               "\x80"
                                               "A")
                                        << QByteArray("?A");
    QTest::addRow("truncated sequence") << QByteArray("A\xe3\x83") << QByteArray("A??");
    QTest::addRow("NUL kept") << QByteArray("A\0B", 3) << QByteArray("A\0B", 3);
}

void TestCommands::singleByte() {
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromStdString(toSingleByte(utf8.toStdString())), bytes);
}

QTEST_APPLESS_MAIN(TestCommands)
#include "test_commands.moc"
