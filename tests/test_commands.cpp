// Every button on virtual time: one-shot clicks, press-and-hold repetition and the typed entry.
#include <QtTest>

#include "protocol/catalogue.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestCommands : public QObject {
    Q_OBJECT
  private slots:
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
        QCOMPARE(rig.form.state().lastCommand, sent);
        QCOMPARE(rig.form.state().replyWait, 1);
        QVERIFY(rig.timer2.isEnabled() && rig.timer4.isEnabled() && !rig.timer1.isEnabled());
        const bool timed = row.kind == SendKind::Timed, menu = row.kind == SendKind::Menu;
        QCOMPARE(rig.timer2.interval(), timed ? row.timeout : milliseconds{777});
        QCOMPARE(rig.timer4.interval(), timed ? row.displayClear : milliseconds{888});
        QCOMPARE(rig.timer1.interval(), milliseconds{menu ? 200 : 5});
        QCOMPARE(rig.form.state().cursorMode, menu ? 1 : 0);
    }

    // When STATUS, clicked after the given buttons, shows its time-out mark and blanks.
    void intervalInheritance_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("markAt");
        QTest::addColumn<int>("blankAt");
        // clang-format off
        QTest::addRow("at start") << "" << 500 << 1000;
        QTest::addRow("after REAL and POWER ON") << "0 click Command10;0 click Command17" << 2000 << 2500;
        QTest::addRow("after an input terminal") << "0 click Command64" << 5000 << 5500;
        QTest::addRow("after SEND") << "0 click Command95" << 2000 << 2500;
        QTest::addRow("after a hold") << "0 click Command64;0 press Command1;0 release Command1" << 500 << 1000;
        // clang-format on
    }
    void intervalInheritance() {
        QFETCH(QString, before);
        QFETCH(int, markAt);
        QFETCH(int, blankAt);
        PanelRig rig;
        runTimeline(rig, before.split(';', Qt::SkipEmptyParts), 10000);
        const QStringList lines = runTimeline(rig, {"10000 click Command44"}, 20000);
        QCOMPARE(lines.mid(1, 2),
                 (QStringList{QStringLiteral("%1 Label12 | X X X X|").arg(10000 + markAt),
                              QStringLiteral("%1 Label11 ||").arg(10000 + blankAt)}));
    }

    void holdPace_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("heldFor");
        QTest::addColumn<QString>("paced");  // sends, reply time-out and display clear while held
        const auto row = [](const char* name, const char* before, const char* button, int heldFor,
                            const char* paced) {
            QTest::addRow("%s", name) << QString(before) << button << heldFor << paced;
        };
        const char* dzoom = "0 press Command49;0 release Command49";
        // clang-format off
        row("VOL + within 250 ms", "", "Command1", 249, "1 200/245");
        row("VOL + 1 s", "", "Command1", 1000, "5 200/245");
        row("Zoom + 1 s", "", "Command15", 1000, "21 25/25");
        row("SELECT 1 s", "", "Command6", 1000, "3 200/245");
        row("arrow at start", "", "Command5", 1000, "6 500/1000");
        row("arrow after MENU ON", "0 click Command23", "Command7", 1000, "6 150/190");
        row("arrow after D.Zoom", dzoom, "Command9", 1000, "201 5/5");
        row("arrow after MENU ON and VOL +", "0 click Command23;0 press Command1;0 release Command1", "Command8", 1000, "5 150/190");
        row("arrow after D.Zoom and MENU OFF", (QString(dzoom) + ";0 click Command24").toLatin1(), "Command5", 100, "21 5/5");
        row("MENU ON brings the arrows back to 200 ms",
            (QString(dzoom) + ";0 press Command15;0 release Command15;0 click Command23").toLatin1(), "Command5", 1000, "6 150/190");
        row("A-IMAGE over D.Zoom", (QString(dzoom) + ";0 click Command13").toLatin1(), "Command5", 1000, "6 150/190");
        // clang-format on
    }
    void holdPace() {
        QFETCH(QString, before);
        QFETCH(QString, button);
        QFETCH(int, heldFor);
        QFETCH(QString, paced);
        PanelRig rig;
        runTimeline(rig, before.split(';', Qt::SkipEmptyParts), 3000);
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
        // clang-format off
        QCOMPARE(runTimeline(rig, {"0 press Command1"}, 500).join(';'),
                 "0 Label11 | C 0 9 CR |;200 Label12 | X X X X|;245 Label11 ||;245 Label12 ||;245 Label22 ||;"
                 "250 Label11 | C 0 9 CR |;450 Label12 | X X X X|;495 Label11 ||;495 Label12 ||;495 Label22 ||;"
                 "500 Label11 | C 0 9 CR |");
        // clang-format on
    }

    void strayHolds_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("sends");
        // clang-format off
        QTest::addRow("release without a press") << "0 release Command1" << 0;
        QTest::addRow("a click on a hold button sends nothing") << "0 click Command1" << 0;
        QTest::addRow("a second press, then its release") << "0 press Command1;100 press Command15;120 release Command15" << 2;
        QTest::addRow("another hold button's release stops it") << "0 press Command1;100 release Command2" << 1;
        QTest::addRow("a one-shot button's release does not") << "0 press Command1;100 release Command17;600 release Command1" << 3;
        // clang-format on
    }
    void strayHolds() {
        QFETCH(QString, steps);
        QFETCH(int, sends);
        PanelRig rig;
        runTimeline(rig, steps.split(';'), 5000);
        QCOMPARE(int(rig.serial.writes.size()), sends);
        QVERIFY(rig.form.state().heldCode == 0 && !rig.timer1.isEnabled());
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
        row("stray and truncated sequences", QByteArray("\x80") + "A\xe3\x83", "?A??\r");
        row("NUL kept", QByteArray("A\0B", 3), QByteArray("A\0B\r", 4));
    }
    void send() {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, bytes);
        PanelRig rig;
        rig.window.setText("Text1", typed.toStdString());
        rig.form.click("Command95");
        QCOMPARE(QByteArray::fromStdString(rig.serial.written()), bytes);
        QCOMPARE(QByteArray::fromStdString(rig.form.state().typedCommand), bytes.chopped(1));
        QCOMPARE(rig.timer2.interval().count() * 10000 + rig.timer4.interval().count(),
                 2000 * 10000 + 2500);
        QCOMPARE(QByteArray::fromStdString(rig.window.text("Text1")), typed);  // SEND repeats it
        rig.form.click("Command96");
        QCOMPARE(rig.window.text("Text1"), std::string());
        QCOMPARE(QByteArray::fromStdString(rig.form.state().lastCommand), bytes);
        rig.form.click("Command95");
        QCOMPARE(rig.serial.writes.back().bytes, std::string("\r"));
    }
};

QTEST_APPLESS_MAIN(TestCommands)
#include "test_commands.moc"
