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
    Form1 form{timers(), serial, window};
    explicit WindowRig(bool load = true) {
        window.attach(&form);
        if (load)
            form.Form_Load();
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
        for (const auto& [view, band] : {std::pair{"compact", 332},
                                         {"ports", 332},
                                         {"data", 418},
                                         {"extended", 455},
                                         {"full", 582}})
            QTest::addRow("%s", view) << QString(view) << band;
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

    // What assistive technology reads, the devices in the port tooltips, and the tab order.
    void accessibility() {
        WindowRig rig;
        const std::pair<const char*, const char*> names[] = {{"Command17", "POWER ON"},
                                                             {"Command1", "VOL +"},
                                                             {"Command35", "Zoom \u2212"},
                                                             {"Command29", "INPUT MODE SET 3"},
                                                             {"Command59", "LENS SHIFT \u2191"},
                                                             {"Label12", "RXD"},
                                                             {"Command64", "Input terminal 1 RGB"}};
        for (const auto& [control, name] : names) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(rig.get(control));
            QCOMPARE(a->text(QAccessible::Name), QString(name));
        }
        rig.window.setText("Label22", " Power ON");
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(rig.get("Label22"));
        QCOMPARE(status->text(QAccessible::Name) + "=" + status->text(QAccessible::Value),
                 QString("STATUS= Power ON"));
        rig.window.setPortDevices("/dev/ttyS0", "/dev/ttyUSB0");
        QCOMPARE(rig.get("Option2")->toolTip(), QString("COM2 = /dev/ttyUSB0"));
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

    void holdWithMouse_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("releaseOn");
        QTest::addRow("left, on the button") << int(Qt::LeftButton) << false << "Command1";
        QTest::addRow("right, elsewhere") << int(Qt::RightButton) << false << "Label3";
        QTest::addRow("middle, on END") << int(Qt::MiddleButton) << false << "Command16";
        QTest::addRow("double-click") << int(Qt::LeftButton) << true << "Command1";
    }
    // Any mouse button holds; the release anywhere ends the hold and clicks nothing.
    void holdWithMouse() {
        QFETCH(int, button);
        QFETCH(bool, doubleClick);
        QFETCH(QString, releaseOn);
        WindowRig rig;
        QWidget* volUp = rig.get("Command1");
        if (doubleClick)
            QTest::mouseDClick(volUp, Qt::MouseButton(button));
        else
            QTest::mousePress(volUp, Qt::MouseButton(button));
        rig.clock.advance(milliseconds(260));
        QCOMPARE(rig.serial.written(), std::string("C09\rC09\r"));
        QTest::mouseRelease(rig.get(qPrintable(releaseOn)), Qt::MouseButton(button));
        rig.clock.advance(milliseconds(1000));
        QCOMPARE(rig.serial.written(), std::string("C09\rC09\r"));
        QVERIFY(rig.serial.portOpen() && !rig.timer1.isEnabled());
    }

    void holdEndsWithoutRelease_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"deactivate", "warn", "hide"})
            QTest::addRow("%s", how) << how;
    }
    void holdEndsWithoutRelease() {
        QFETCH(QString, how);
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QTest::mousePress(rig.get("Command15"), Qt::LeftButton);
        if (how == "deactivate") {
            QEvent deactivate(QEvent::WindowDeactivate);
            QApplication::sendEvent(&rig.window, &deactivate);
        } else if (how == "warn") {
            QString box;
            closeNextBox(box);
            rig.window.warn("COM2 (/dev/ttyS1): No such file or directory");
            QCOMPARE(box,
                     QString("R7KM & R7K CONTROL: COM2 (/dev/ttyS1): No such file or directory"));
        } else {
            rig.window.hide();
        }
        QVERIFY(rig.form.state().HoldCode == 0 && !rig.timer1.isEnabled());
    }

    void keys_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("sent");
        QTest::addRow("Space holds SELECT")
            << "Command6" << int(Qt::Key_Space) << QByteArray("C3F\r");
        QTest::addRow("keypad Enter holds")
            << "Command6" << int(Qt::Key_Enter) << QByteArray("C3F\r");
        QTest::addRow("Return presses OFF")
            << "Command18" << int(Qt::Key_Return) << QByteArray("C01\r");
        QTest::addRow("Space presses REAL")
            << "Command10" << int(Qt::Key_Space) << QByteArray("CF IMAGE REAL\r");
    }
    // A key presses a button once; on a hold button its auto-repeat neither presses again nor
    // releases, and letting go ends the hold without a click.
    void keys() {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(QByteArray, sent);
        WindowRig rig;
        QWidget* button = rig.get(qPrintable(name));
        button->setFocus();
        QTest::keyPress(button, Qt::Key(key));
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent repeat(type, key, Qt::NoModifier, QString(), true);
            if (name == "Command6")  // a one-shot button repeats its click, as keys do
                QApplication::sendEvent(button, &repeat);
        }
        QTest::keyRelease(button, Qt::Key(key));
        QCOMPARE(QByteArray::fromStdString(rig.serial.written()), sent);
        QCOMPARE(rig.form.state().HoldCode, 0);
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
        QCOMPARE(rig.form.state().CommSettings, std::string("9600,N,8,1"));
        QVERIFY(rig.window.isSelected("Option1") && rig.window.isSelected("Option10"));
    }

    // A port that fails at start-up: the window comes up first, then one box says why.
    void warningWaitsForWindow() {
        WindowRig rig(false);
        rig.serial.failures["open1"] = "/dev/fake1: No such file or directory";
        rig.form.Form_Load();
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
