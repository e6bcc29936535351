// Every button on virtual time: one-shot clicks, press-and-hold repetition and the typed entry.
#include <QtTest>
#include <set>

#include "commands/catalogue.h"
#include "panel/layout.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestCommands : public QObject {
    Q_OBJECT
  private slots:
    // Each button is laid out with its caption, and names and hold codes are unique.
    void catalogueMatchesWindow() {
        std::set<std::string_view> names;
        std::set<int> holdCodes;
        auto laidOut = [&](std::string_view name, std::string_view caption) {
            const ControlSpec* c = findControl(name);
            QVERIFY2(c && c->kind == ControlKind::Button && c->caption == caption, name.data());
            QVERIFY(names.insert(name).second);
        };
        for (const auto& b : kOneShotButtons)
            laidOut(b.name, b.caption);
        for (const auto& b : kHoldButtons) {
            laidOut(b.name, b.caption);
            QVERIFY(b.holdCode != 0 && holdCodes.insert(b.holdCode).second);
        }
        QCOMPARE(names.size(), std::size_t(64));
    }

    // A click, twice: the code and a CR each time; a timed button sets its intervals, the
    // others keep what was set; a menu button sets the arrows' pace and nothing more.
    void oneShot_data() {
        QTest::addColumn<QString>("name");
        for (const auto& row : kOneShotButtons)
            QTest::addRow("%s %s", row.name.data(), row.code.data()) << row.name.data();
    }
    void oneShot() {
        QFETCH(QString, name);
        const OneShotButton& row = *findOneShot(name.toStdString());
        PanelRig rig;
        rig.timer1.setInterval(milliseconds{5});
        rig.timer2.setInterval(milliseconds{777});
        rig.timer4.setInterval(milliseconds{888});
        rig.form.click(row.name);
        rig.form.click(row.name);
        const std::string sent = std::string(row.code) + "\r";
        QCOMPARE(rig.serial.written(), sent + sent);
        QCOMPARE(rig.form.state().LastCommand, sent);
        QCOMPARE(rig.form.state().ReplyWait, 1);
        QVERIFY(rig.timer2.isEnabled() && rig.timer4.isEnabled() && !rig.timer1.isEnabled());
        const bool timed = row.kind == SendKind::Timed, menu = row.kind == SendKind::Menu;
        QCOMPARE(rig.timer2.interval(), timed ? row.timeout : milliseconds{777});
        QCOMPARE(rig.timer4.interval(), timed ? row.displayClear : milliseconds{888});
        QCOMPARE(rig.timer1.interval(), milliseconds{menu ? 200 : 5});
        QCOMPARE(rig.form.state().CursorMode, menu ? 1 : 0);
    }

    // When STATUS, clicked after the given buttons, shows its time-out mark and blanks.
    void intervalInheritance_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("markAt");
        QTest::addColumn<int>("blankAt");
        QTest::addRow("at start") << QStringList{} << 500 << 1000;
        QTest::addRow("after REAL") << QStringList{"click Command10"} << 2000 << 2500;
        QTest::addRow("after REAL and POWER ON")
            << QStringList{"click Command10", "click Command17"} << 2000 << 2500;
        QTest::addRow("after an input terminal") << QStringList{"click Command64"} << 5000 << 5500;
        QTest::addRow("after SEND") << QStringList{"click Command95"} << 2000 << 2500;
        QTest::addRow("after a hold")
            << QStringList{"click Command64", "press Command1", "release Command1"} << 500 << 1000;
    }
    void intervalInheritance() {
        QFETCH(QStringList, before);
        QFETCH(int, markAt);
        QFETCH(int, blankAt);
        PanelRig rig;
        for (QString& b : before)
            b.prepend("0 ");
        runTimeline(rig, before, 10000);
        const QStringList lines = runTimeline(rig, {"10000 click Command44"}, 20000);
        QCOMPARE(lines.value(1), QStringLiteral("%1 Label12 | X X X X|").arg(10000 + markAt));
        QCOMPARE(lines.value(2), QStringLiteral("%1 Label11 ||").arg(10000 + blankAt));
    }

    // Press, one tick, release: the same command each time, the button's intervals while held,
    // 500/1000 after, and a D.Zoom release leaves the arrows at 5 ms.
    void hold_data() {
        QTest::addColumn<QString>("name");
        for (const auto& row : kHoldButtons)
            QTest::addRow("%s %s", row.name.data(), row.code.data()) << row.name.data();
    }
    void hold() {
        QFETCH(QString, name);
        const HoldButton& row = *findHold(name.toStdString());
        PanelRig rig;
        rig.form.click(row.name);  // no click action
        rig.form.mouseDown(row.name);
        QCOMPARE(rig.form.state().HoldCode, row.holdCode);
        const milliseconds repeat = row.arrow ? milliseconds{200} : row.repeat;
        QCOMPARE(rig.timer1.interval(), repeat);
        if (!row.arrow) {
            QCOMPARE(rig.timer2.interval(), row.timeout);
            QCOMPARE(rig.timer4.interval(), row.displayClear);
        }
        rig.clock.advance(repeat);
        const std::string sent = std::string(row.code) + "\r";
        QCOMPARE(rig.serial.written(), sent + sent);
        rig.form.mouseUp(row.name);
        QCOMPARE(rig.form.state().HoldCode, 0);
        QCOMPARE(rig.timer2.interval(), milliseconds{500});
        QCOMPARE(rig.timer4.interval(), milliseconds{1000});
        QCOMPARE(rig.timer1.interval(), row.digitalZoom ? milliseconds{5} : repeat);
        QCOMPARE(rig.form.state().CursorMode, row.digitalZoom ? 3 : 0);
        rig.advance(10000);
        QCOMPARE(rig.serial.writes.size(), std::size_t(2));
    }

    void holdPace_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("heldFor");
        QTest::addColumn<QString>("paced");  // sends, Timer2 and Timer4 intervals while held
        const auto row = [](const char* name, const QStringList& before, const char* button,
                            int heldFor, const char* paced) {
            QTest::addRow("%s", name) << before << button << heldFor << paced;
        };
        row("VOL + within 250 ms", {}, "Command1", 249, "1 200/245");
        row("VOL + 1 s", {}, "Command1", 1000, "5 200/245");
        row("Zoom + 1 s", {}, "Command15", 1000, "21 25/25");
        row("SELECT 1 s", {}, "Command6", 1000, "3 200/245");
        row("arrow at start", {}, "Command5", 1000, "6 500/1000");
        row("arrow after MENU ON", {"click Command23"}, "Command7", 1000, "6 150/190");
        row("arrow after D.Zoom", {"press Command48", "release Command48"}, "Command9", 1000,
            "201 5/5");
        row("arrow after MENU ON and VOL +",
            {"click Command23", "press Command1", "release Command1"}, "Command8", 1000,
            "5 150/190");
        row("arrow after D.Zoom and MENU OFF",
            {"press Command49", "release Command49", "click Command24"}, "Command5", 100, "21 5/5");
        row("MENU ON brings the arrows back to 200 ms",
            {"press Command49", "release Command49", "press Command15", "release Command15",
             "click Command23"},
            "Command5", 1000, "6 150/190");
        row("A-IMAGE over D.Zoom", {"press Command49", "release Command49", "click Command13"},
            "Command5", 1000, "6 150/190");
    }
    void holdPace() {
        QFETCH(QStringList, before);
        QFETCH(QString, button);
        QFETCH(int, heldFor);
        QFETCH(QString, paced);
        PanelRig rig;
        for (QString& b : before)
            b.prepend("0 ");
        runTimeline(rig, before, 3000);
        rig.serial.writes.clear();
        rig.form.mouseDown(button.toStdString());
        const QString intervals = QStringLiteral("%1/%2")
                                      .arg(rig.timer2.interval().count())
                                      .arg(rig.timer4.interval().count());
        rig.advance(heldFor);
        rig.form.mouseUp(button.toStdString());
        rig.advance(3000);
        QCOMPARE(QStringLiteral("%1 %2").arg(rig.serial.writes.size()).arg(intervals), paced);
        for (const auto& w : rig.serial.writes)
            QCOMPARE(w.bytes, std::string(findHold(button.toStdString())->code) + "\r");
    }

    // VOL + held with no reply: send, mark at 200, blank at 245, send again at 250.
    void holdCycleWithoutReply() {
        PanelRig rig;
        QCOMPARE(runTimeline(rig, {"0 press Command1"}, 500),
                 (QStringList{"0 Label11 | C 0 9 CR |", "200 Label12 | X X X X|", "245 Label11 ||",
                              "245 Label12 ||", "245 Label22 ||", "250 Label11 | C 0 9 CR |",
                              "450 Label12 | X X X X|", "495 Label11 ||", "495 Label12 ||",
                              "495 Label22 ||", "500 Label11 | C 0 9 CR |"}));
    }

    void strayHolds_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("sends");
        QTest::addRow("release without a press") << QStringList{"0 release Command1"} << 0;
        QTest::addRow("a second press, then its release")
            << QStringList{"0 press Command1", "100 press Command15", "120 release Command15"} << 2;
        QTest::addRow("another hold button's release stops it")
            << QStringList{"0 press Command1", "100 release Command2"} << 1;
        QTest::addRow("a one-shot button's release does not")
            << QStringList{"0 press Command1", "100 release Command17", "600 release Command1"}
            << 3;
    }
    void strayHolds() {
        QFETCH(QStringList, steps);
        QFETCH(int, sends);
        PanelRig rig;
        runTimeline(rig, steps, 5000);
        QCOMPARE(int(rig.serial.writes.size()), sends);
        QVERIFY(rig.form.state().HoldCode == 0 && !rig.timer1.isEnabled());
    }

    // SEND: the text as typed and a CR, 2000/2500 ms, the text kept; CLS empties only the box.
    void send_data() {
        QTest::addColumn<QByteArray>("typed");  // UTF-8, as the text box holds it
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, const QByteArray& typed, const QByteArray& bytes) {
            QTest::addRow("%s", name) << typed << bytes;
        };
        row("empty: a lone CR", "", "\r");
        row("blanks and case kept", "  cr PRESSURE ", "  cr PRESSURE \r");
        row("U+00FF as its byte", "C\xc3\xbf", "C\xff\r");
        row("U+0100 and beyond as ?", "\xc4\x80\xe3\x83\x87\xf0\x9f\x98\x80", "???\r");
        row("stray and truncated sequences",
            "\x80"
            "A\xe3\x83",
            "?A??\r");
        row("NUL kept", QByteArray("A\0B", 3), QByteArray("A\0B\r", 4));
    }
    void send() {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, bytes);
        PanelRig rig;
        rig.window.setText("Text1", typed.toStdString());
        rig.form.click("Command95");
        QCOMPARE(QByteArray::fromStdString(rig.serial.written()), bytes);
        QCOMPARE(QByteArray::fromStdString(rig.form.state().TypedCommand), bytes.chopped(1));
        QCOMPARE(rig.timer2.interval().count() * 10000 + rig.timer4.interval().count(),
                 2000 * 10000 + 2500);
        rig.form.click("Command96");
        QCOMPARE(rig.window.text("Text1"), std::string());
        QCOMPARE(QByteArray::fromStdString(rig.form.state().LastCommand), bytes);
        rig.form.click("Command95");
        QCOMPARE(rig.serial.writes.back().bytes, std::string("\r"));
    }
};

QTEST_APPLESS_MAIN(TestCommands)
#include "test_commands.moc"
