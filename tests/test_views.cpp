// The four views: Ctrl+J, the logo double-click and the view button.
#include <QtTest>

#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

class TestViews : public QObject {
    Q_OBJECT
  private slots:
    void transitions_data() {
        QTest::addColumn<QString>("events");  // J Ctrl+J, D double-click, V view button, or a key
        QTest::addColumn<QString>("view");    // height, PanelMode, view button
        const char* compact = "5350 0 hidden データを表示する";
        const char* close = "5350 0 データを表示する";
        const char* data = "6645 0 データを表示しない";
        // clang-format off
        for (const auto& [events, view] : {
                 std::pair{"", compact}, {"D", compact}, {"J", "7200 1 CLOSE"}, {"JJ", "7200 1 CLOSE"},
                 {"JD", "9100 1 CLOSE"}, {"JDD", "9100 1 CLOSE"}, {"JDJ", "7200 1 CLOSE"}, {"JV", close},
                 {"JDV", close}, {"JVD", close}, {"JVV", data}, {"JVVV", close}, {"JVVD", data},
                 {"JVVJ", "7200 1 CLOSE"}, {"key 74:3 (Ctrl+Shift+J)", compact},
                 {"key 74:6 (Ctrl+Alt+J)", compact}, {"key 74:0 (J)", compact}, {"key 75:2 (Ctrl+K)", compact},
                 {"key 74:10 (Ctrl+J, a mouse-button bit)", "7200 1 CLOSE"}})
            QTest::addRow("%s", events) << QString(events) << QString(view);
        // clang-format on
    }
    void transitions() {
        QFETCH(QString, events);
        QFETCH(QString, view);
        QStringList steps;
        if (events.startsWith("key"))
            steps << "0 " + events.section(' ', 0, 1);
        else
            for (QChar e : events)
                steps << (e == 'J'   ? "0 key 74:2"
                          : e == 'D' ? "0 dbl Image1"
                                     : "0 click Command34");
        PanelRig rig;
        runTimeline(rig, steps, 0);
        QCOMPARE(QStringLiteral("%1 %2 %3%4")
                     .arg(rig.window.outerSize().height)
                     .arg(rig.form.state().revealed)
                     .arg(rig.window.isVisible("Command34") ? "" : "hidden ")
                     .arg(QString::fromStdString(rig.window.caption("Command34"))),
                 view);
    }
};

QTEST_APPLESS_MAIN(TestViews)
#include "test_views.moc"
