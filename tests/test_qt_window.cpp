// The Qt window: built from the layout table at 96 DPI, fonts, plain-text lines, views, and
// the operator's events reaching a real panel core (on fake timers and a fake port).
#include <QtTest>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "fakes/panel_rig.h"
#include "panel/layout.h"
#include "panel/views.h"
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
        auto* widget = qobject_cast<T*>(window.control(name));
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }
    std::string written() const { return serial.written(); }
};

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Counts events of one type reaching an object.
class EventCounter : public QObject {
  public:
    EventCounter(QObject* target, QEvent::Type type) : m_type(type) {
        target->installEventFilter(this);
    }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            ++count;
        return false;
    }

  private:
    QEvent::Type m_type;
};

// Closes the next modal box once it shows, keeping its title and text.
struct BoxCloser {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    void arm() {
        QTimer::singleShot(20, qApp, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return arm();
            title = box->windowTitle();
            text = box->text();
            format = box->textFormat();
            box->accept();
        });
    }
};

}  // namespace

class TestQtWindow : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        PanelWindow probe;
        if (probe.twipsPerPixel() != 15)
            QSKIP("the screen is not at 96 DPI");
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        for (const ControlSpec& c : kControls)
            QTest::addRow("%s", c.name.data()) << qs(c.name);
    }
    // Every control as the table lays it out: in its container at twips / 15, shown or hidden,
    // in its font, and a label's alignment, border and colours.
    void controls() {
        QFETCH(QString, name);
        WindowRig rig(false);
        const ControlSpec* row = findControl(name.toStdString());
        QWidget* w = rig.window.control(row->name);
        QVERIFY(w);
        QWidget* container =
            row->container.empty() ? &rig.window : rig.window.control(row->container);
        QCOMPARE(w->parentWidget(), container);
        QCOMPARE(w->pos(), QPoint(qRound(row->left / 15.0), qRound(row->top / 15.0)));
        QCOMPARE(w->width(), qRound((row->left + row->width) / 15.0) - qRound(row->left / 15.0));
        QCOMPARE(w->height(), qRound((row->top + row->height) / 15.0) - qRound(row->top / 15.0));
        QCOMPARE(w->isHidden(), !row->visible);
        if (row->kind == ControlKind::Frame || row->kind == ControlKind::Image)
            return;

        const QFont font = w->font();
        if (row->font.face == Face::Default) {
            // Not the window's Gothic bold: the platform's control font.
            QCOMPARE(QFontInfo(font).family(), QFontInfo(QApplication::font()).family());
            QCOMPARE(font.pointSizeF(), QApplication::font().pointSizeF());
        } else {
            const bool fixed = row->font.face == Face::Gothic;
            QCOMPARE(QFontInfo(font).family(), QString(fixed ? "IPAGothic" : "IPAPGothic"));
            QCOMPARE(font.pointSizeF(), row->font.points);
            // The Japanese captions need glyphs: "デ" of "データを表示する".
            QVERIFY(QFontMetrics(font).inFont(QChar(0x30C7)));
        }
        QCOMPARE(font.weight(), row->font.bold ? QFont::Bold : QFont::Normal);

        auto* label = qobject_cast<QLabel*>(w);
        if (label == nullptr)
            return;
        const Qt::Alignment align = row->align == Align::Centre  ? Qt::AlignHCenter
                                    : row->align == Align::Right ? Qt::AlignRight
                                                                 : Qt::AlignLeft;
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, align);
        QCOMPARE(label->frameShape(), row->border ? QFrame::Box : QFrame::NoFrame);
        const QPalette palette = label->palette();
        QCOMPARE(palette.color(QPalette::Window),
                 QColor(row->back.red, row->back.green, row->back.blue));
        QCOMPARE(palette.color(QPalette::WindowText),
                 QColor(row->fore.red, row->fore.green, row->fore.blue));
    }

    // A reply is shown as it came, never as markup, on every label of the window.
    void labelsArePlainText() {
        WindowRig rig;
        for (const char* line : {"Label11", "Label12", "Label22"}) {
            rig.window.setText(line, "<b>x</b><img src=/etc/passwd>");
            QCOMPARE(rig.get<QLabel>(line)->text(), QString("<b>x</b><img src=/etc/passwd>"));
            QCOMPARE(rig.window.text(line), std::string("<b>x</b><img src=/etc/passwd>"));
        }
        for (QLabel* label : rig.window.findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }

    void windowProperties() {
        WindowRig rig(false);
        PanelWindow& w = rig.window;
        QCOMPARE(w.windowTitle(), QString("TOVA   R7KM & R7K    CONTROL   Ver.1.40"));
        QCOMPARE(w.minimumWidth(), 633);
        QCOMPARE(w.maximumWidth(), 633);
        QCOMPARE(w.minimumHeight(), w.maximumHeight());
        QCOMPARE(w.outerSize().width, 9495.0 + 120);
        QCOMPARE(w.outerSize().height, 8730.0 + 370);
        const QList<QSize> sizes = w.windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        const QPixmap logo = rig.get<QLabel>("Image1")->pixmap();
        QCOMPARE(logo.size(), QSize(80, 26));  // unscaled in its 80 x 26 box
        QVERIFY(!rig.get<QLabel>("Image1")->hasScaledContents());
        QVERIFY(rig.get("Command34")->isHidden());
        QCOMPARE(rig.get<QPushButton>("Command34")->text().remove('\n'),
                 QString::fromUtf8("データを表示する"));
        QCOMPARE(w.caption("Command34"), std::string("データを表示する"));
        QVERIFY(rig.get<QRadioButton>("Option9")->isChecked());
        QVERIFY(!rig.get<QRadioButton>("Option1")->isChecked());
        QCOMPARE(rig.get<QLineEdit>("Text1")->maxLength(), INT_MAX);
        QCOMPARE(w.palette().color(QPalette::Window), QColor(192, 192, 192));
        // The tall button's caption breaks in two; the core still reads the caption as laid out.
        QCOMPARE(rig.get<QPushButton>("Command3")->text(), QString("DISPLAY\nCLEAR"));
        QCOMPARE(w.caption("Command3"), std::string("DISPLAY CLEAR"));
    }

    // Shown, the port group is what the mouse reaches where the COM button lies.
    void portGroupAboveComButton() {
        WindowRig rig;
        QVERIFY(rig.get("Frame8")->isHidden());
        QVERIFY(!rig.window.isVisible("Frame8"));
        QWidget* com = rig.get("Command33");
        const QPoint centre = com->mapTo(&rig.window, com->rect().center());
        QCOMPARE(rig.window.childAt(centre), com);
        rig.window.setVisible("Frame8", true);
        QVERIFY(rig.window.isVisible("Frame8"));
        QVERIFY(rig.get("Frame8")->isAncestorOf(rig.window.childAt(centre)));
    }

    void focusStartsOnPowerOn() {
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QCOMPARE(rig.window.focusWidget(), rig.get("Command17"));
        // Tab goes on in the laid-out order: POWER ON (1), then VOL + (5) and VOL - (6).
        QTest::keyClick(rig.get("Command17"), Qt::Key_Tab);
        QCOMPARE(rig.window.focusWidget(), rig.get("Command1"));
        QTest::keyClick(rig.get("Command1"), Qt::Key_Tab);
        QCOMPARE(rig.window.focusWidget(), rig.get("Command2"));
    }

    void viewHeights_data() {
        QTest::addColumn<double>("outer");
        QTest::addColumn<int>("clientPixels");
        QTest::addRow("compact") << kCompactHeight << 332;    // 4980 twips
        QTest::addRow("data") << kDataHeight << 418;          // 6275 twips
        QTest::addRow("extended") << kExtendedHeight << 455;  // 6830 twips
        QTest::addRow("full") << kFullHeight << 582;          // 8730 twips
    }
    void viewHeights() {
        QFETCH(double, outer);
        QFETCH(int, clientPixels);
        WindowRig rig;
        rig.window.setOuterHeight(outer);
        QCOMPARE(rig.window.outerSize().height, outer);
        QCOMPARE(rig.window.height(), clientPixels);
        QCOMPARE(rig.window.maximumHeight(), clientPixels);
        QCOMPARE(rig.window.width(), 633);
    }

    // Start-up sets the compact view; Ctrl+J and the logo double-click open the larger ones.
    void revealKeysThroughWindow() {
        WindowRig rig;
        QCOMPARE(rig.window.height(), 332);
        QTest::mouseDClick(rig.get("Image1"), Qt::LeftButton);
        QCOMPARE(rig.window.height(), 332);  // not armed yet
        QTest::keyClick(rig.get("Command17"), Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(rig.window.height(), 455);
        QVERIFY(!rig.get("Command34")->isHidden());
        QCOMPARE(rig.window.caption("Command34"), std::string("CLOSE"));
        QTest::mouseDClick(rig.get("Image1"), Qt::LeftButton);
        QCOMPARE(rig.window.height(), 582);
        QTest::mouseClick(rig.get("Command34"), Qt::LeftButton);
        QCOMPARE(rig.window.height(), 332);
    }

    void holdWithAnyMouseButton_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("releaseOn");
        const auto row = [](const char* what, Qt::MouseButton button, bool doubleClick,
                            const char* releaseOn) {
            QTest::addRow("%s", what) << int(button) << doubleClick << releaseOn;
        };
        row("left, released on the button", Qt::LeftButton, false, "Command1");
        row("right, released elsewhere", Qt::RightButton, false, "Label3");
        row("middle, released on another button", Qt::MiddleButton, false, "Command18");
        row("double-click counts as a press", Qt::LeftButton, true, "Command1");
        row("right double-click", Qt::RightButton, true, "Frame9");
    }
    void holdWithAnyMouseButton() {
        QFETCH(int, button);
        QFETCH(bool, doubleClick);
        QFETCH(QString, releaseOn);
        WindowRig rig;
        const auto b = Qt::MouseButton(button);
        QPushButton* volUp = rig.get<QPushButton>("Command1");
        if (doubleClick) {
            QTest::mouseDClick(volUp, b);
        } else {
            QTest::mousePress(volUp, b);
        }
        QCOMPARE(rig.written(), std::string("C09\r"));
        QCOMPARE(int(rig.form.state().HoldCode), 1);
        QVERIFY(rig.timer1.isEnabled());
        QVERIFY(volUp->isDown());
        rig.clock.advance(std::chrono::milliseconds(260));
        QCOMPARE(rig.written(), std::string("C09\rC09\r"));

        QTest::mouseRelease(rig.get(releaseOn.toLatin1().constData()), b);
        QCOMPARE(int(rig.form.state().HoldCode), 0);
        QVERIFY(!rig.timer1.isEnabled());
        QVERIFY(!volUp->isDown());
        // The release clicked nothing: END or OFF would have sent or quit.
        rig.clock.advance(std::chrono::milliseconds(1000));
        QCOMPARE(rig.written(), std::string("C09\rC09\r"));
    }

    void holdEndsWithoutRelease_data() {
        QTest::addColumn<QString>("how");
        QTest::addRow("window deactivated") << "deactivate";
        QTest::addRow("warning box") << "warn";
        QTest::addRow("window hidden") << "hide";
    }
    // A hold never runs on when the release can no longer reach the window.
    void holdEndsWithoutRelease() {
        QFETCH(QString, how);
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QTest::mousePress(rig.get("Command15"), Qt::LeftButton);
        QCOMPARE(int(rig.form.state().HoldCode), 7);
        if (how == "deactivate") {
            QEvent deactivate(QEvent::WindowDeactivate);
            QApplication::sendEvent(&rig.window, &deactivate);
        } else if (how == "warn") {
            BoxCloser closer;
            closer.arm();
            rig.window.warn("COM2 (/dev/ttyS1): No such file or directory");
            QCOMPARE(closer.text, QString("COM2 (/dev/ttyS1): No such file or directory"));
        } else {
            rig.window.hide();
        }
        QCOMPARE(int(rig.form.state().HoldCode), 0);
        QVERIFY(!rig.timer1.isEnabled());
    }

    void holdWithKeyboard_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
        QTest::addRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::addRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
    // The key holds like the mouse; its auto-repeat neither presses again nor releases, and
    // letting go clicks nothing.
    void holdWithKeyboard() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        const auto k = Qt::Key(key);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        WindowRig rig;
        QPushButton* select = rig.get<QPushButton>("Command6");
        select->setFocus();
        QTest::keyPress(select, k, mods);
        QCOMPARE(rig.written(), std::string("C3F\r"));
        QCOMPARE(int(rig.form.state().HoldCode), 13);
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent repeat(type, k, mods, QString(), true);
            QApplication::sendEvent(select, &repeat);
        }
        QCOMPARE(int(rig.form.state().HoldCode), 13);
        QTest::keyRelease(select, k, mods);
        QCOMPARE(int(rig.form.state().HoldCode), 0);
        QCOMPARE(rig.written(), std::string("C3F\r"));
    }

    void keyboardPressesOneShot_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("sent");
        const auto row = [](const char* what, const char* name, Qt::Key key, const char* sent) {
            QTest::addRow("%s", what) << name << int(key) << QByteArray(sent);
        };
        row("POWER OFF with Space", "Command18", Qt::Key_Space, "C01\r");
        row("POWER OFF with Return", "Command18", Qt::Key_Return, "C01\r");
        row("STATUS with Space", "Command44", Qt::Key_Space, "CR0\r");
        row("REAL with Enter", "Command10", Qt::Key_Enter, "CF IMAGE REAL\r");
    }
    void keyboardPressesOneShot() {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(QByteArray, sent);
        WindowRig rig;
        QWidget* button = rig.get(name.toLatin1().constData());
        button->setFocus();
        QTest::keyClick(button, Qt::Key(key));
        QCOMPARE(QByteArray::fromStdString(rig.written()), sent);
    }

    void keyPreviewOncePerPress_data() {
        QTest::addColumn<bool>("throughWindowSystem");
        QTest::addRow("sent to the text box") << false;
        QTest::addRow("through the window system") << true;
    }
    // Every key press reaches Form_KeyDown once, whichever control has the focus, and still
    // reaches that control.
    void keyPreviewOncePerPress() {
        QFETCH(bool, throughWindowSystem);
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QLineEdit* text1 = rig.get<QLineEdit>("Text1");
        text1->setFocus();
        QSignalSpy previewed(&rig.window, &PanelWindow::keyPreviewed);
        EventCounter reached(text1, QEvent::KeyPress);
        auto click = [&](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            if (throughWindowSystem) {
                QTest::keyClick(rig.window.windowHandle(), key, mods);
            } else {
                QTest::keyClick(text1, key, mods);
            }
        };
        click(Qt::Key_J, Qt::ControlModifier);  // the text box ignores it, so it goes up
        QCOMPARE(rig.window.outerSize().height, kExtendedHeight);
        QCOMPARE(rig.window.height(), 455);
        click(Qt::Key_C);
        click(Qt::Key_R, Qt::ShiftModifier);
        click(Qt::Key_7);
        // The modifier keys are key presses of their own, as the handler has always seen them.
        QStringList seen;
        for (const auto& args : previewed)
            seen << QString("%1/%2").arg(args[0].toInt()).arg(args[1].toInt());
        QCOMPARE(seen, (QStringList{"17/2", "74/2", "67/0", "16/1", "82/1", "55/0"}));
        QCOMPARE(reached.count, 6);
        QCOMPARE(text1->text(), QString("cr7"));  // QTest types letters in lower case
    }

    // A receive flood must not convert or paint text that can never show.
    void longLineShowsVisiblePartOnly() {
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.window.setOuterHeight(kDataHeight);
        QStringList traced;
        std::size_t tracedSize = 0;
        rig.window.setTraceSink([&](std::string_view label, std::string_view text) {
            traced << qs(label);
            tracedSize = text.size();
        });
        QLabel* rxd = rig.get<QLabel>("Label12");
        EventCounter paints(rxd, QEvent::Paint);

        std::string flood(100'000, 'A');
        for (std::size_t i = 0; i < flood.size(); i += 2)
            flood[i] = ' ';
        rig.window.setText("Label12", flood);
        QCOMPARE(tracedSize, flood.size());
        QVERIFY(rxd->text().size() <= 600);
        QVERIFY(rxd->text().size() > 300);
        QVERIFY(qs(flood).startsWith(rxd->text()));
        QVERIFY(QFontMetrics(rxd->font()).horizontalAdvance(rxd->text()) > rxd->width());
        QTRY_VERIFY(paints.count > 0);

        // More arrives beyond the visible part: traced in full, nothing repainted.
        const int painted = paints.count;
        flood += std::string(5000, 'B');
        rig.window.setText("Label12", flood);
        rig.window.setText("Label12", flood);  // unchanged, still traced
        QCOMPARE(tracedSize, flood.size());
        QTest::qWait(50);
        QCOMPARE(paints.count, painted);
        QCOMPARE(traced, (QStringList{"RXD", "RXD", "RXD"}));

        // A multi-byte character is never cut in half.
        rig.window.setText("Label22", std::string(511, 'x') + "ア" + std::string(2000, 'y'));
        QVERIFY(!rig.get<QLabel>("Label22")->text().contains(QChar::ReplacementCharacter));
    }

    void selectionFromProgramRaisesNoClick() {
        WindowRig rig;
        QVERIFY(rig.window.isSelected("Option1"));  // start-up selected it
        const auto calls = rig.serial.calls.size();
        rig.window.setSelected("Option2");
        QVERIFY(rig.window.isSelected("Option2"));
        QVERIFY(!rig.window.isSelected("Option1"));
        rig.window.setSelected("Option10");
        QVERIFY(rig.window.isSelected("Option10"));
        QVERIFY(!rig.window.isSelected("Option9"));
        QVERIFY(rig.window.isSelected("Option2"));  // separate groups
        QCOMPARE(rig.serial.calls.size(), calls);
        QCOMPARE(rig.form.state().CommSettings, std::string("19200,N,8,1"));
    }

    void operatorClickOnOption() {
        WindowRig rig;
        QTest::mouseClick(rig.get("Command33"), Qt::LeftButton);
        QVERIFY(rig.window.isVisible("Frame8"));
        rig.serial.calls.clear();
        QTest::mouseClick(rig.get("Option2"), Qt::LeftButton);
        QCOMPARE(rig.serial.commPort(), 2);
        QVERIFY(rig.serial.calls.size() >= 2);
        QVERIFY(!rig.window.isVisible("Frame8"));
        // Clicking the option already selected runs its handler again.
        rig.window.setVisible("Frame8", true);
        rig.serial.calls.clear();
        QTest::mouseClick(rig.get("Option2"), Qt::LeftButton);
        QVERIFY(!rig.serial.calls.empty());
        QVERIFY(rig.window.isSelected("Option2"));
        // The speed pair is its own group.
        rig.window.setVisible("Frame8", true);
        QTest::mouseClick(rig.get("Option10"), Qt::LeftButton);
        QCOMPARE(rig.form.state().CommSettings, std::string("9600,N,8,1"));
        QVERIFY(rig.window.isSelected("Option2"));
    }

    // A port that fails at start-up: the window comes up first, then the box says why.
    void warningWaitsForWindow() {
        WindowRig rig(false);
        rig.serial.failures["open1"] = "/dev/fake1: No such file or directory";
        rig.form.Form_Load();
        QVERIFY(!rig.window.isVisible());
        BoxCloser closer;
        closer.arm();
        rig.window.show();
        QTRY_COMPARE(closer.text, QString("/dev/fake1: No such file or directory"));
        QCOMPARE(closer.title, QString("R7KM & R7K CONTROL"));
        QCOMPARE(closer.format, Qt::PlainText);
    }

    void portDeviceTooltips() {
        WindowRig rig(false);
        rig.window.setPortDevices("/dev/ttyS0", "/dev/ttyUSB0");
        QCOMPARE(rig.get("Option1")->toolTip(), QString("COM1 = /dev/ttyS0"));
        QCOMPARE(rig.get("Option2")->toolTip(), QString("COM2 = /dev/ttyUSB0"));
    }

    // Last: it ends the event loop.
    void quitEndsEventLoopWithStatus() {
        WindowRig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, [&loop] { loop.exit(-1); });
        rig.window.quit(3);
        QCOMPARE(loop.exec(), 3);
        QVERIFY(!rig.window.isVisible());
    }
};

QTEST_MAIN(TestQtWindow)
#include "test_qt_window.moc"
