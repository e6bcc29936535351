// The Qt window: every view rendered and checked against the layout and reference images, and
// the operator's mouse and keys reaching a real panel core (on fake timers and a fake port).
#include <QtTest>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

#include "fakes/panel_rig.h"
#include "panel/layout.h"
#include "qt/panel_button.h"
#include "qt/panel_window.h"

using namespace r7k;
using namespace r7k::fakes;

namespace {

// A loaded panel whose window is the real one.
struct WindowRig : VirtualLink {
    PanelWindow window;
    PanelController form{timers(), serial, window};
    explicit WindowRig(bool load = true) {
        window.attach(&form);
        if (load)
            form.load();
    }
    template <class T = QWidget>
    T* get(const char* name) {
        return qobject_cast<T*>(window.control(name));
    }
};

// The colour most of a control shows, leaving out its children.
QColor mostCommon(const QImage& image, const QWidget* w) {
    QHash<QRgb, int> counts;
    const qreal dpr = image.devicePixelRatio();
    QRegion own(QRect(QPoint(), image.size()));
    for (const QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        own -= QRect(child->pos() * dpr, child->size() * dpr);
    for (const QRect& r : own)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                ++counts[image.pixel(x, y)];
    return QColor(std::max_element(counts.begin(), counts.end()).key());
}

// Closes the next modal box once it shows, keeping its title and text.
void closeNextBox(QString& text) {
    QTimer::singleShot(20, qApp, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->windowTitle() + ": " + box->text();
            box->accept();
        }
    });
}

}  // namespace

class TestQtWindow : public QObject {
    Q_OBJECT
  private slots:
    // Each view reached through the window as an operator would, rendered, and checked control
    // by control against the layout: back colour, the black border of a traffic line, the
    // caption whole inside its control; then against the reference image of that view.
    void render_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<int>("band");  // client height in pixels
        // clang-format off
        for (const auto& [view, band] : {std::pair{"compact", 332}, {"ports", 332}, {"data", 418}, {"extended", 455}, {"full", 582}})
            QTest::addRow("%s", view) << QString(view) << band;
        // clang-format on
    }
    void render() {
        QFETCH(QString, view);
        QFETCH(int, band);
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        if (view == "ports")
            QTest::mouseClick(rig.get("Command33"), Qt::LeftButton);
        if (view != "compact" && view != "ports")
            QTest::keyClick(rig.get("Command17"), Qt::Key_J, Qt::ControlModifier);
        if (view == "full")
            QTest::mouseDClick(rig.get("Image1"), Qt::LeftButton);
        if (view == "data") {
            QTest::mouseClick(rig.get("Command34"), Qt::LeftButton);  // close, then open
            rig.get("Command34")->setFocus();
            QTest::keyClick(rig.get("Command34"), Qt::Key_Space);
        }
        QCOMPARE(rig.window.size(), QSize(633, band));
        const QImage image = rig.window.grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        const QString update = qEnvironmentVariable("R7K_UPDATE_REFERENCES");
        if (!update.isEmpty())
            image.save(update + "/" + view + (dpr > 1 ? "@2x" : "") + ".png");
        QStringList faults;
        for (const ControlSpec& row : kControls) {
            QWidget* w = rig.window.control(row.name);
            const QRect at(w->mapTo(&rig.window, QPoint()), w->size());
            QWidget* top = rig.window.childAt(at.center());  // not under another control
            if (!w->isVisibleTo(&rig.window) || at.bottom() >= band ||
                (top != w && !w->isAncestorOf(top)))
                continue;
            const QImage part = image.copy(QRect(at.topLeft() * dpr, at.size() * dpr));
            const QString name = QString::fromUtf8(row.name.data(), qsizetype(row.name.size()));
            const QColor back(row.back.red, row.back.green, row.back.blue);
            if (row.back.paint == Paint::Rgb && row.kind != ControlKind::Image &&
                mostCommon(part, w) != back)
                faults << name + " is painted " + mostCommon(part, w).name();
            if (row.border && (part.pixelColor(0, part.height() / 2) != Qt::black ||
                               part.pixelColor(part.width() - 1, part.height() / 2) != Qt::black))
                faults << name + ": border not black";
            if (auto* button = qobject_cast<PanelButton*>(w)) {
                const int edge = PanelButton::kEdge;
                if (!w->rect().adjusted(edge, edge, -edge, -edge).contains(button->captionInk()))
                    faults << name + ": caption does not fit";
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x) {
                        const bool ring = std::min({x, y, part.width() - 1 - x,
                                                    part.height() - 1 - y}) < edge * dpr;
                        if (ring && qGray(part.pixel(x, y)) < 40)
                            faults
                                << QString("%1: ink on the edge at %2,%3").arg(name).arg(x).arg(y);
                    }
            } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
                const QRect text = QFontMetrics(label->font())
                                       .boundingRect(label->contentsRect(), int(label->alignment()),
                                                     label->text());
                if (!label->rect().contains(text))
                    faults << name + ": caption does not fit";
            }
        }
        faults.removeDuplicates();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        if (dpr > 1 || !update.isEmpty())
            return;  // the reference screenshots are at 96 dpi
        const QString reference = QFINDTESTDATA("../docs/" + view + ".png");
        const QImage expected = QImage(reference).convertToFormat(image.format());
        QCOMPARE(expected.size(), image.size());
        int differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor a = image.pixelColor(x, y), b = expected.pixelColor(x, y);
                differing += std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                       std::abs(a.blue() - b.blue())}) > 64;
            }
        QVERIFY2(differing <= image.width() * image.height() / 5000,
                 qPrintable(QString("%1 pixels differ").arg(differing)));
    }

    // What assistive technology reads, and the tab order.
    void accessibility() {
        WindowRig rig;
        QStringList names;
        for (const char* c : {"Command17", "Command1", "Command35", "Command29", "Command59",
                              "Command64", "Command6", "Label12"})
            names << QAccessible::queryAccessibleInterface(rig.get(c))->text(QAccessible::Name);
        QCOMPARE(names.join('|'), QString("POWER ON|VOL +|Zoom \u2212|INPUT MODE SET 3|"
                                          "LENS SHIFT \u2191|Input terminal 1 RGB|SELECT|RXD"));
        rig.window.setText("Label22", " Power ON");
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(rig.get("Label22"));
        QCOMPARE(status->text(QAccessible::Name) + "=" + status->text(QAccessible::Value),
                 QString("STATUS= Power ON"));
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QCOMPARE(rig.window.focusWidget(), rig.get("Command17"));
        for (const char* next : {"Command1", "Command2"}) {
            QTest::keyClick(rig.window.focusWidget(), Qt::Key_Tab);
            QCOMPARE(rig.window.focusWidget(), rig.get(next));
        }
    }

    // Markup is shown as text; a flood converts and paints only what can show, traces in full.
    void linesShowTextAsIs() {
        WindowRig rig;
        std::size_t traced = 0;
        rig.window.setTraceSink(
            [&](std::string_view, std::string_view text) { traced = text.size(); });
        rig.window.setText("Label12", "<b>x</b><img src=/etc/passwd>");
        QCOMPARE(rig.get<QLabel>("Label12")->text(), QString("<b>x</b><img src=/etc/passwd>"));
        const std::string flood = std::string(511, 'x') + "\u30a2" + std::string(99'000, 'y');
        rig.window.setText("Label22", flood);
        QCOMPARE(traced, flood.size());
        QCOMPARE(rig.get<QLabel>("Label22")->text(), QString(511, 'x'));  // never half a character
    }

    void hold_data() {
        QTest::addColumn<QString>("press");  // a mouse button, a double-click or Space
        QTest::addColumn<QString>("end");    // released on a control, or how the window ends it
        // clang-format off
        for (const auto& [name, press, end] : {
                 std::tuple{"right, released elsewhere", "right", "Label3"}, {"double-click, released on END", "double", "Command16"},
                 {"window deactivated", "left", "deactivate"}, {"warning box", "left", "warn"}, {"window hidden", "left", "hide"},
                 {"Space, repeating", "Space", "key"}})
            QTest::addRow("%s", name) << QString(press) << QString(end);
        // clang-format on
    }
    // Any mouse button or Space holds VOL +; a release anywhere, or the window losing the
    // input, ends the hold and clicks nothing; a key's auto-repeat neither presses nor releases.
    void hold() {
        QFETCH(QString, press);
        QFETCH(QString, end);
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QWidget* volUp = rig.get("Command1");
        const Qt::MouseButton button = press == "right" ? Qt::RightButton : Qt::LeftButton;
        if (press == "Space") {
            volUp->setFocus();
            QTest::keyPress(volUp, Qt::Key_Space);
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent repeat(type, Qt::Key_Space, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(volUp, &repeat);
            }
        }
        if (press != "Space")
            press == "double" ? QTest::mouseDClick(volUp, button)
                              : QTest::mousePress(volUp, button);
        rig.clock.advance(milliseconds(260));
        QString box;
        QEvent deactivate(QEvent::WindowDeactivate);
        // clang-format off
        if (end == "key") QTest::keyRelease(volUp, Qt::Key_Space);
        else if (end == "deactivate") QApplication::sendEvent(&rig.window, &deactivate);
        else if (end == "warn") closeNextBox(box), rig.window.warn("COM2 (/dev/ttyS1): No such file or directory");
        else if (end == "hide") rig.window.hide();
        else QTest::mouseRelease(rig.get(qPrintable(end)), button);
        // clang-format on
        rig.clock.advance(milliseconds(1000));
        QCOMPARE(rig.serial.written(), std::string("C09\rC09\r"));
        QVERIFY(rig.serial.portOpen() && !rig.holdRepeat.isEnabled());
    }

    // Every key press reaches Form_KeyDown once, whatever has the focus, and still reaches it.
    void keyPreviewOncePerPress() {
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QLineEdit* text1 = rig.get<QLineEdit>("Text1");
        text1->setFocus();
        QSignalSpy previewed(&rig.window, &PanelWindow::keyPreviewed);
        QTest::keyClick(rig.window.windowHandle(), Qt::Key_J, Qt::ControlModifier);
        QTest::keyClick(text1, Qt::Key_C);
        QTest::keyClick(rig.window.windowHandle(), Qt::Key_R, Qt::ShiftModifier);
        QStringList seen;
        for (const auto& args : previewed)
            seen << QString("%1/%2").arg(args[0].toInt()).arg(args[1].toInt());
        QCOMPARE(seen, (QStringList{"17/2", "74/2", "67/0", "16/1", "82/1"}));
        QCOMPARE(rig.window.outerSize().height, 7200.0);
        QCOMPARE(text1->text(), QString("cr"));
    }

    // The operator's click on an option runs its handler, also on the selected one; the
    // program's selection raises none; the two pairs are separate groups.
    void options() {
        WindowRig rig;
        rig.window.setSelected("Option2");
        QCOMPARE(rig.serial.calls.size(), std::size_t(6));  // start-up's only
        QTest::mouseClick(rig.get("Option1"), Qt::LeftButton);
        QTest::mouseClick(rig.get("Option1"), Qt::LeftButton);
        QCOMPARE(rig.serial.calls.size(), std::size_t(12));
        QTest::mouseClick(rig.get("Option10"), Qt::LeftButton);
        QCOMPARE(rig.form.state().lineSettings, std::string("9600,N,8,1"));
        QVERIFY(rig.window.isSelected("Option1") && rig.window.isSelected("Option10"));
    }

    // A port that fails at start-up: the window comes up first, then one box says why.
    void warningWaitsForWindow() {
        WindowRig rig(false);
        rig.serial.failures["open1"] = "/dev/fake1: No such file or directory";
        rig.form.load();
        QString box;
        closeNextBox(box);
        rig.window.show();
        QTRY_COMPARE(box, QString("R7KM & R7K CONTROL: /dev/fake1: No such file or directory"));
    }

    // Last: it ends the event loop.
    void quitEndsEventLoopWithStatus() {
        WindowRig rig;
        rig.window.show();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, [&loop] { loop.exit(-1); });
        rig.window.quit(3);
        QCOMPARE(loop.exec(), 3);
    }
};

QTEST_MAIN(TestQtWindow)
#include "test_qt_window.moc"
