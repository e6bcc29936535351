// The four views: Ctrl+J, the logo double-click and the view button.
#include <QtTest>

#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestViews : public QObject {
    Q_OBJECT
  private slots:
    void transitions_data() {
        QTest::addColumn<QString>("events");  // J = Ctrl+J, D = double-click, V = view button
        QTest::addColumn<QString>("view");    // height, PanelMode, view button
        const auto row = [](const char* events, const char* view) {
            QTest::addRow("%s", events) << QString(events) << QString(view);
        };
        row("", "5350 0 hidden データを表示する");
        row("D", "5350 0 hidden データを表示する");
        row("J", "7200 1 CLOSE");
        row("JJ", "7200 1 CLOSE");
        row("JD", "9100 1 CLOSE");
        row("JDD", "9100 1 CLOSE");
        row("JDJ", "7200 1 CLOSE");
        row("JV", "5350 0 データを表示する");
        row("JDV", "5350 0 データを表示する");
        row("JVD", "5350 0 データを表示する");
        row("JVV", "6645 0 データを表示しない");
        row("JVVV", "5350 0 データを表示する");
        row("JVVD", "6645 0 データを表示しない");
        row("JVVJ", "7200 1 CLOSE");
        row("Ctrl+Shift+J", "5350 0 hidden データを表示する");
        row("Ctrl+Alt+J", "5350 0 hidden データを表示する");
        row("J alone", "5350 0 hidden データを表示する");
        row("Ctrl+K", "5350 0 hidden データを表示する");
        row("Ctrl+J and a mouse-button bit", "7200 1 CLOSE");
    }
    void transitions() {
        QFETCH(QString, events);
        QFETCH(QString, view);
        const QMap<QString, QString> keys{{"Ctrl+Shift+J", "74:3"},
                                          {"Ctrl+Alt+J", "74:6"},
                                          {"J alone", "74:0"},
                                          {"Ctrl+K", "75:2"},
                                          {"Ctrl+J and a mouse-button bit", "74:10"}};
        QStringList steps;
        if (keys.contains(events))
            steps << "0 key " + keys[events];
        else
            for (QChar e : events)
                steps << (e == 'J'   ? "0 key 74:2"
                          : e == 'D' ? "0 dbl Image1"
                                     : "0 click Command34");
        PanelRig rig;
        runTimeline(rig, steps, 0);
        QCOMPARE(QStringLiteral("%1 %2 %3%4")
                     .arg(rig.window.outerSize().height)
                     .arg(rig.form.state().PanelMode)
                     .arg(rig.window.isVisible("Command34") ? "" : "hidden ")
                     .arg(QString::fromStdString(rig.window.caption("Command34"))),
                 view);
    }

    // The view button restarts the port group's timer, shown or not.
    void viewButtonRestartsPortGroupTimer() {
        PanelRig rig;
        runTimeline(rig, {"0 key 74:2", "0 click Command33", "3000 click Command34"}, 7999);
        QVERIFY(rig.window.isVisible("Frame8"));
        rig.advance(1);
        QVERIFY(!rig.window.isVisible("Frame8") && !rig.timer3.isEnabled());
        rig.form.click("Command34");
        QVERIFY(rig.timer3.isEnabled());
    }
};

QTEST_APPLESS_MAIN(TestViews)
#include "test_views.moc"
