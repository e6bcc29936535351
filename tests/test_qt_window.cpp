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
#include <memory>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial.h"
#include "link/form1.h"
#include "panel/layout.h"
#include "panel/views.h"
#include "qt/panel_window.h"

using namespace r7k;
using namespace r7k::fakes;

namespace {

// A loaded panel whose window is the real one.
struct WindowRig {
    FakeClock clock;
    FakeTimer& timer1 = clock.make("Timer1");
    FakeTimer& timer2 = clock.make("Timer2");
    FakeTimer& timer3 = clock.make("Timer3");
    FakeTimer& timer4 = clock.make("Timer4");
    FakeTimer& relink = clock.make("Relink");
    FakeSerial serial{&clock};
    PanelWindow window;
    Form1 form{{timer1, timer2, timer3, timer4, relink}, serial, window};

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
    void initTestCase();
    void geometry_data();
    void geometry();
    void fonts_data();
    void fonts();
    void labelsArePlainText();
    void windowProperties();
    void portGroupAboveComButton();
    void focusStartsOnPowerOn();
    void viewHeights_data();
    void viewHeights();
    void revealKeysThroughWindow();
    void holdWithAnyMouseButton_data();
    void holdWithAnyMouseButton();
    void holdEndsWithoutRelease_data();
    void holdEndsWithoutRelease();
    void holdWithKeyboard();
    void keyboardPressesOneShot_data();
    void keyboardPressesOneShot();
    void keyPreviewOncePerPress_data();
    void keyPreviewOncePerPress();
    void longLineShowsVisiblePartOnly();
    void selectionFromProgramRaisesNoClick();
    void operatorClickOnOption();
    void warningWaitsForWindow();
    void portDeviceTooltips();
    void quitEndsEventLoopWithStatus();  // last: it ends the event loop
};

void TestQtWindow::initTestCase() {
    PanelWindow probe;
    if (probe.twipsPerPixel() != 15)
        QSKIP("the screen is not at 96 DPI");
}

void TestQtWindow::geometry_data() {
    QTest::addColumn<QString>("name");
    for (const ControlSpec& c : kControls)
        QTest::addRow("%s", c.name.data()) << qs(c.name);
}

// Every control where the table puts it: in its container, at twips / 15.
void TestQtWindow::geometry() {
    QFETCH(QString, name);
    WindowRig rig(false);
    const ControlSpec* spec = findControl(name.toStdString());
    QWidget* w = rig.window.control(spec->name);
    QVERIFY(w);
    QWidget* container =
        spec->container.empty() ? &rig.window : rig.window.control(spec->container);
    QCOMPARE(w->parentWidget(), container);
    QCOMPARE(w->pos(), QPoint(qRound(spec->left / 15.0), qRound(spec->top / 15.0)));
    QCOMPARE(w->width(), qRound((spec->left + spec->width) / 15.0) - qRound(spec->left / 15.0));
    QCOMPARE(w->height(), qRound((spec->top + spec->height) / 15.0) - qRound(spec->top / 15.0));
    const TwipPoint at = windowPosition(*spec);
    QCOMPARE(w->mapTo(&rig.window, QPoint(0, 0)), QPoint(qRound(at.x / 15.0), qRound(at.y / 15.0)));
    QCOMPARE(w->isHidden(), !spec->visible);
}

void TestQtWindow::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");  // empty: the application's default font
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addRow("POWER ON, P-Gothic 9 bold") << "Command17"
                                               << "IPAPGothic" << 9.0 << true;
    QTest::addRow("SELECT, Gothic 9") << "Command6"
                                      << "IPAGothic" << 9.0 << false;
    QTest::addRow("LENS SHIFT arrow, P-Gothic 7.5") << "Command59"
                                                    << "IPAPGothic" << 7.5 << false;
    QTest::addRow("TXD line, P-Gothic 9.75 bold") << "Label11"
                                                  << "IPAPGothic" << 9.75 << true;
    QTest::addRow("STATUS tag, Gothic 8.25") << "Label23"
                                             << "IPAGothic" << 8.25 << false;
    QTest::addRow("STATUS button, Gothic 8.25 bold") << "Command44"
                                                     << "IPAGothic" << 8.25 << true;
    QTest::addRow("CMD tag, Gothic 9.75") << "Label26"
                                          << "IPAGothic" << 9.75 << false;
    QTest::addRow("text box, Gothic 9.75 bold") << "Text1"
                                                << "IPAGothic" << 9.75 << true;
    QTest::addRow("view button, P-Gothic 9") << "Command34"
                                             << "IPAPGothic" << 9.0 << false;
    QTest::addRow("input 4, default") << "Command43"
                                      << "" << 0.0 << false;
    QTest::addRow("POWER title, default") << "Label1"
                                          << "" << 0.0 << false;
    QTest::addRow("COM1, default") << "Option1"
                                   << "" << 0.0 << false;
}

void TestQtWindow::fonts() {
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    WindowRig rig(false);
    const QFont font = rig.get(name.toLatin1().constData())->font();
    if (family.isEmpty()) {
        // Not the window's Gothic bold: the platform's control font.
        QCOMPARE(QFontInfo(font).family(), QFontInfo(QApplication::font()).family());
        QCOMPARE(font.pointSizeF(), QApplication::font().pointSizeF());
    } else {
        QCOMPARE(QFontInfo(font).family(), family);
        QCOMPARE(font.pointSizeF(), points);
        // The Japanese captions need glyphs: "デ" of "データを表示する".
        QVERIFY(QFontMetrics(font).inFont(QChar(0x30C7)));
    }
    QCOMPARE(font.weight(), bold ? QFont::Bold : QFont::Normal);
}

// A reply is shown as it came, never as markup, on every label of the window.
void TestQtWindow::labelsArePlainText() {
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

void TestQtWindow::windowProperties() {
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
    QCOMPARE(rig.get("Label22")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(rig.get("Label11")->palette().color(QPalette::Window), QColor(255, 255, 255));
    QCOMPARE(rig.get<QLabel>("Label9")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(rig.get<QLabel>("Label1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(rig.get<QLabel>("Label11")->frameShape(), QFrame::Box);
    // The tall button's caption breaks in two; the core still reads the caption as laid out.
    QCOMPARE(rig.get<QPushButton>("Command3")->text(), QString("DISPLAY\nCLEAR"));
    QCOMPARE(w.caption("Command3"), std::string("DISPLAY CLEAR"));
}

// Shown, the port group is what the mouse reaches where the COM button lies.
void TestQtWindow::portGroupAboveComButton() {
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

void TestQtWindow::focusStartsOnPowerOn() {
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

void TestQtWindow::viewHeights_data() {
    QTest::addColumn<double>("outer");
    QTest::addColumn<int>("clientPixels");
    QTest::addRow("compact") << kCompactHeight << 332;    // 4980 twips
    QTest::addRow("data") << kDataHeight << 418;          // 6275 twips
    QTest::addRow("extended") << kExtendedHeight << 455;  // 6830 twips
    QTest::addRow("full") << kFullHeight << 582;          // 8730 twips
}

void TestQtWindow::viewHeights() {
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
void TestQtWindow::revealKeysThroughWindow() {
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

void TestQtWindow::holdWithAnyMouseButton_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("releaseOn");
    QTest::addRow("left, released on the button") << int(Qt::LeftButton) << false << "Command1";
    QTest::addRow("right, released elsewhere") << int(Qt::RightButton) << false << "Label3";
    QTest::addRow("middle, released on another button")
        << int(Qt::MiddleButton) << false << "Command18";
    QTest::addRow("double-click counts as a press") << int(Qt::LeftButton) << true << "Command1";
    QTest::addRow("right double-click") << int(Qt::RightButton) << true << "Frame9";
}

void TestQtWindow::holdWithAnyMouseButton() {
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
    QCOMPARE(rig.window.heldButton(), QString("Command1"));
    rig.clock.advance(std::chrono::milliseconds(260));
    QCOMPARE(rig.written(), std::string("C09\rC09\r"));

    QTest::mouseRelease(rig.get(releaseOn.toLatin1().constData()), b);
    QCOMPARE(int(rig.form.state().HoldCode), 0);
    QVERIFY(!rig.timer1.isEnabled());
    QVERIFY(!volUp->isDown());
    QCOMPARE(rig.window.heldButton(), QString());
    // The release clicked nothing: END or OFF would have sent or quit.
    rig.clock.advance(std::chrono::milliseconds(1000));
    QCOMPARE(rig.written(), std::string("C09\rC09\r"));
}

void TestQtWindow::holdEndsWithoutRelease_data() {
    QTest::addColumn<QString>("how");
    QTest::addRow("window deactivated") << "deactivate";
    QTest::addRow("warning box") << "warn";
    QTest::addRow("window hidden") << "hide";
}

// A hold never runs on when the release can no longer reach the window.
void TestQtWindow::holdEndsWithoutRelease() {
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

void TestQtWindow::holdWithKeyboard() {
    WindowRig rig;
    QPushButton* select = rig.get<QPushButton>("Command6");
    select->setFocus();
    QTest::keyPress(select, Qt::Key_Space);
    QCOMPARE(rig.written(), std::string("C3F\r"));
    QCOMPARE(int(rig.form.state().HoldCode), 13);
    // Auto-repeat of the held key neither presses again nor releases.
    QTest::keyPress(select, Qt::Key_Space, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(select, &repeat);
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(select, &repeatUp);
    QCOMPARE(int(rig.form.state().HoldCode), 13);
    QCOMPARE(rig.written(), std::string("C3F\r"));
    QTest::keyRelease(select, Qt::Key_Space);
    QCOMPARE(int(rig.form.state().HoldCode), 0);
    // Enter holds too, and releasing it does not click.
    QTest::keyPress(select, Qt::Key_Return);
    QCOMPARE(int(rig.form.state().HoldCode), 13);
    QTest::keyRelease(select, Qt::Key_Return);
    QCOMPARE(int(rig.form.state().HoldCode), 0);
    QTest::keyPress(select, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(int(rig.form.state().HoldCode), 13);
    QTest::keyRelease(select, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(int(rig.form.state().HoldCode), 0);
    QCOMPARE(rig.written(), std::string("C3F\rC3F\rC3F\r"));
}

void TestQtWindow::keyboardPressesOneShot_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("sent");
    QTest::addRow("POWER OFF with Space")
        << "Command18" << int(Qt::Key_Space) << QByteArray("C01\r");
    QTest::addRow("POWER OFF with Enter")
        << "Command18" << int(Qt::Key_Return) << QByteArray("C01\r");
    QTest::addRow("STATUS with Space") << "Command44" << int(Qt::Key_Space) << QByteArray("CR0\r");
    QTest::addRow("REAL with Enter")
        << "Command10" << int(Qt::Key_Enter) << QByteArray("CF IMAGE REAL\r");
}

void TestQtWindow::keyboardPressesOneShot() {
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(QByteArray, sent);
    WindowRig rig;
    QWidget* button = rig.get(name.toLatin1().constData());
    button->setFocus();
    QTest::keyClick(button, Qt::Key(key));
    QCOMPARE(QByteArray::fromStdString(rig.written()), sent);
}

void TestQtWindow::keyPreviewOncePerPress_data() {
    QTest::addColumn<bool>("throughWindowSystem");
    QTest::addRow("sent to the text box") << false;
    QTest::addRow("through the window system") << true;
}

// Every key press reaches Form_KeyDown once, whichever control has the focus, and still
// reaches that control.
void TestQtWindow::keyPreviewOncePerPress() {
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
void TestQtWindow::longLineShowsVisiblePartOnly() {
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

void TestQtWindow::selectionFromProgramRaisesNoClick() {
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
    QCOMPARE(rig.serial.settings, std::string("19200,N,8,1"));
}

void TestQtWindow::operatorClickOnOption() {
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
    QCOMPARE(rig.serial.settings, std::string("9600,N,8,1"));
    QVERIFY(rig.window.isSelected("Option2"));
}

// A port that fails at start-up: the window comes up first, then the box says why.
void TestQtWindow::warningWaitsForWindow() {
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

void TestQtWindow::portDeviceTooltips() {
    WindowRig rig(false);
    rig.window.setPortDevices("/dev/ttyS0", "/dev/ttyUSB0");
    QCOMPARE(rig.get("Option1")->toolTip(), QString("COM1 = /dev/ttyS0"));
    QCOMPARE(rig.get("Option2")->toolTip(), QString("COM2 = /dev/ttyUSB0"));
}

void TestQtWindow::quitEndsEventLoopWithStatus() {
    WindowRig rig;
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, [&loop] { loop.exit(-1); });
    rig.window.quit(3);
    QCOMPARE(loop.exec(), 3);
    QVERIFY(!rig.window.isVisible());
}

QTEST_MAIN(TestQtWindow)
#include "test_qt_window.moc"
