// The four views: Ctrl+J, the logo double-click and the view button.
#include <QtTest>

#include "fakes/panel_rig.h"
#include "panel/views.h"

using namespace r7k;
using namespace r7k::fakes;

class TestViews : public QObject {
    Q_OBJECT
  private slots:
    void transitions_data();
    void transitions();
    void viewButtonRestartsPortGroupTimer();
};

void TestViews::transitions_data() {
    QTest::addColumn<QStringList>("events");  // ctrlj, dbl, view, key:<code>:<shift>
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("panelMode");
    QTest::addColumn<bool>("buttonShown");
    QTest::addColumn<QString>("caption");
    const QString show = QString::fromUtf8(kCaptionShowData);
    const QString hide = QString::fromUtf8(kCaptionHideData);
    QTest::addRow("at start") << QStringList{} << 5350.0 << 0 << false << show;
    QTest::addRow("double-click before Ctrl+J")
        << QStringList{"dbl"} << 5350.0 << 0 << false << show;
    QTest::addRow("Ctrl+J opens extended")
        << QStringList{"ctrlj"} << 7200.0 << 1 << true << "CLOSE";
    QTest::addRow("Ctrl+J twice") << QStringList{"ctrlj", "ctrlj"} << 7200.0 << 1 << true
                                  << "CLOSE";
    QTest::addRow("extended, double-click: full")
        << QStringList{"ctrlj", "dbl"} << 9100.0 << 1 << true << "CLOSE";
    QTest::addRow("full, double-click again")
        << QStringList{"ctrlj", "dbl", "dbl"} << 9100.0 << 1 << true << "CLOSE";
    QTest::addRow("full, Ctrl+J: back to extended")
        << QStringList{"ctrlj", "dbl", "ctrlj"} << 7200.0 << 1 << true << "CLOSE";
    QTest::addRow("extended, CLOSE") << QStringList{"ctrlj", "view"} << 5350.0 << 0 << true << show;
    QTest::addRow("full, CLOSE") << QStringList{"ctrlj", "dbl", "view"} << 5350.0 << 0 << true
                                 << show;
    QTest::addRow("double-click after CLOSE")
        << QStringList{"ctrlj", "view", "dbl"} << 5350.0 << 0 << true << show;
    QTest::addRow("compact after close, view button: data")
        << QStringList{"ctrlj", "view", "view"} << 6645.0 << 0 << true << hide;
    QTest::addRow("data, view button: compact")
        << QStringList{"ctrlj", "view", "view", "view"} << 5350.0 << 0 << true << show;
    QTest::addRow("data, double-click ignored")
        << QStringList{"ctrlj", "view", "view", "dbl"} << 6645.0 << 0 << true << hide;
    QTest::addRow("data, Ctrl+J") << QStringList{"ctrlj", "view", "view", "ctrlj"} << 7200.0 << 1
                                  << true << "CLOSE";
    QTest::addRow("Ctrl+Shift+J ignored")
        << QStringList{"key:74:3"} << 5350.0 << 0 << false << show;
    QTest::addRow("Ctrl+Alt+J ignored") << QStringList{"key:74:6"} << 5350.0 << 0 << false << show;
    QTest::addRow("J alone ignored") << QStringList{"key:74:0"} << 5350.0 << 0 << false << show;
    QTest::addRow("Ctrl+K ignored") << QStringList{"key:75:2"} << 5350.0 << 0 << false << show;
    QTest::addRow("Ctrl+J with a mouse-button bit")
        << QStringList{"key:74:10"} << 7200.0 << 1 << true << "CLOSE";
}

void TestViews::transitions() {
    QFETCH(QStringList, events);
    QFETCH(double, height);
    QFETCH(int, panelMode);
    QFETCH(bool, buttonShown);
    QFETCH(QString, caption);
    PanelRig rig;
    for (const QString& e : events) {
        if (e == "ctrlj")
            rig.form.Form_KeyDown(kKeyJ, kCtrlMask);
        if (e == "dbl")
            rig.form.dblClick("Image1");
        if (e == "view")
            rig.form.click("Command34");
        if (e.startsWith("key:"))
            rig.form.Form_KeyDown(e.section(':', 1, 1).toInt(), e.section(':', 2, 2).toInt());
    }
    QCOMPARE(rig.window.outerSize().height, height);
    QCOMPARE(rig.form.state().PanelMode, panelMode);
    QCOMPARE(rig.window.isVisible("Command34"), buttonShown);
    QCOMPARE(QString::fromStdString(rig.window.caption("Command34")), caption);
}

void TestViews::viewButtonRestartsPortGroupTimer() {
    PanelRig rig;
    rig.form.Form_KeyDown(kKeyJ, kCtrlMask);
    rig.form.click("Command33");
    rig.advance(3000);
    rig.form.click("Command34");  // the group now hides 5000 ms after this click
    rig.advance(4999);
    QVERIFY(rig.window.isVisible("Frame8"));
    rig.advance(1);
    QVERIFY(!rig.window.isVisible("Frame8"));
    QVERIFY(!rig.timer3.isEnabled());
    rig.form.click("Command34");  // with the group hidden the timer still runs once
    QVERIFY(rig.timer3.isEnabled());
    rig.advance(5000);
    QVERIFY(!rig.timer3.isEnabled());
    QVERIFY(!rig.window.isVisible("Frame8"));
}

QTEST_APPLESS_MAIN(TestViews)
#include "test_views.moc"
