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
    // others keep what was set; a menu button sets the arrows' pace and nothing more. The codes
    // are written out here, not read from the catalogue, so a mistyped code there fails.
    void oneShot_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("kind");  // P plain, M menu, or the timed pair t2/t4
        // clang-format off
        const char* rows[][3] = {
            {"Command17", "C00", "P"}, {"Command18", "C01", "P"}, {"Command27", "C05", "P"},
            {"Command28", "C06", "P"}, {"Command29", "C07", "P"}, {"Command43", "C08", "P"},
            {"Command19", "C0B", "P"}, {"Command20", "C0C", "P"}, {"Command21", "C0D", "P"},
            {"Command22", "C0E", "P"}, {"Command31", "C0F", "P"}, {"Command32", "C10", "P"},
            {"Command23", "C1C", "M"}, {"Command24", "C1D", "P"}, {"Command25", "C43", "P"},
            {"Command26", "C44", "P"}, {"Command13", "C89", "M"}, {"Command30", "C27", "P"},
            {"Command14", "C8A", "P"}, {"Command3", "C1E", "P"},
            {"Command4", "CF IMAGE STAND", "2000/2500"}, {"Command10", "CF IMAGE REAL", "2000/2500"},
            {"Command11", "CF IMAGE CINEMA", "2000/2500"}, {"Command39", "CF IMAGE IMAGE1", "2000/2500"},
            {"Command40", "CF IMAGE IMAGE2", "2000/2500"}, {"Command41", "CF IMAGE IMAGE3", "2000/2500"},
            {"Command42", "CF IMAGE IMAGE4", "2000/2500"}, {"Command56", "CF KEYDIS NONE", "P"},
            {"Command57", "CF KEYDIS RC", "P"}, {"Command58", "CF KEYDIS KEY", "P"},
            {"Command44", "CR0", "P"}, {"Command45", "CR1", "P"}, {"Command46", "CR3", "P"},
            {"Command47", "CR4", "P"}, {"Command54", "CR6", "P"},
            {"Command52", "CR INFPFAIL", "2000/2500"}, {"Command97", "CF FANSPEED MAX", "P"},
            {"Command98", "CF FANSPEED NOR", "P"},
            {"Command64", "C50", "5000/5500"}, {"Command65", "C51", "5000/5500"},
            {"Command72", "C25", "5000/5500"}, {"Command76", "C26", "5000/5500"},
            {"Command81", "C33", "5000/5500"}, {"Command82", "C35", "5000/5500"},
            {"Command85", "C81", "5000/5500"}, {"Command84", "C82", "5000/5500"},
            {"Command80", "C83", "5000/5500"},
        };
        // clang-format on
        QCOMPARE(std::size(rows), kOneShotButtons.size());  // none left out
        for (const auto& row : rows)
            QTest::addRow("%s %s", row[0], row[1]) << row[0] << row[1] << row[2];
    }
    void oneShot() {
        QFETCH(QString, name);
        QFETCH(QString, code);
        QFETCH(QString, kind);
        PanelRig rig;
        rig.holdRepeat.setInterval(milliseconds{5});
        rig.replyTimeout.setInterval(milliseconds{777});
        rig.displayClear.setInterval(milliseconds{888});
        rig.form.click(name.toStdString());
        rig.form.click(name.toStdString());
        const std::string sent = code.toStdString() + "\r";
        QCOMPARE(rig.serial.written(), sent + sent);
        QCOMPARE(rig.form.state().lastCommand, sent);
        QCOMPARE(rig.form.state().replyWait, 1);
        QVERIFY(rig.replyTimeout.isEnabled() && rig.displayClear.isEnabled() &&
                !rig.holdRepeat.isEnabled());
        const bool timed = kind.contains('/'), menu = kind == "M";
        const QString intervals = QStringLiteral("%1/%2")
                                      .arg(rig.replyTimeout.interval().count())
                                      .arg(rig.displayClear.interval().count());
        QCOMPARE(intervals, timed ? kind : QStringLiteral("777/888"));
        QCOMPARE(rig.holdRepeat.interval(), milliseconds{menu ? 200 : 5});
        QCOMPARE(rig.form.state().cursorMode, menu ? 1 : 0);
    }

    // A press of each hold button sends its code; the codes written out, as above.
    void holdCodes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        // clang-format off
        const char* rows[][2] = {
            {"Command1", "C09"}, {"Command2", "C0A"}, {"Command5", "C3C"}, {"Command7", "C3D"},
            {"Command9", "C3B"}, {"Command8", "C3A"}, {"Command15", "C47"}, {"Command35", "C46"},
            {"Command36", "C4B"}, {"Command37", "C4A"}, {"Command6", "C3F"}, {"Command48", "C30"},
            {"Command49", "C31"}, {"Command50", "C8E"}, {"Command51", "C8F"}, {"Command59", "C5D"},
            {"Command62", "C5E"},
        };
        // clang-format on
        QCOMPARE(std::size(rows), kHoldButtons.size());
        for (const auto& row : rows)
            QTest::addRow("%s %s", row[0], row[1]) << row[0] << row[1];
    }
    void holdCodes() {
        QFETCH(QString, name);
        QFETCH(QString, code);
        PanelRig rig;
        rig.form.mouseDown(name.toStdString());
        rig.form.mouseUp(name.toStdString());
        QCOMPARE(rig.serial.written(), code.toStdString() + "\r");
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
                                      .arg(rig.replyTimeout.interval().count())
                                      .arg(rig.displayClear.interval().count());
        rig.advance(heldFor);
        rig.form.mouseUp(button.toStdString());
        rig.advance(3000);
        QCOMPARE(QStringLiteral("%1 %2").arg(rig.serial.writes.size()).arg(intervals), paced);
        for (const auto& w : rig.serial.writes)
            QCOMPARE(w.bytes, rig.serial.writes.front().bytes);
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
        // Nothing repeats from the last release on, not even a tick that would find nothing held.
        runTimeline(rig, steps.split(';'), steps.section(';', -1).section(' ', 0, 0).toInt());
        QVERIFY(rig.form.state().heldCode == 0 && !rig.holdRepeat.isEnabled());
        rig.advance(5000);
        QCOMPARE(int(rig.serial.writes.size()), sends);
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
        QCOMPARE(rig.replyTimeout.interval().count() * 10000 + rig.displayClear.interval().count(),
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
