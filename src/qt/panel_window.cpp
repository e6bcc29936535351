#include "qt/panel_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <vector>

#include "commands/catalogue.h"
#include "link/form1.h"
#include "panel/layout.h"

// The images live in this static library, so the linker keeps them only when asked to.
static void initPanelResources() {
    Q_INIT_RESOURCE(resources);
}

namespace r7k {

namespace {

const QString kWarningTitle = QStringLiteral("R7KM & R7K CONTROL");

// Where the laid-out faces are missing, the IPA faces (or other CJK faces) of the same pitch
// stand in, so the Japanese captions still render.
const QStringList kGothicFamilies{QString::fromUtf8(kGothicFace.data(), kGothicFace.size()),
                                  "IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic"};
const QStringList kPGothicFamilies{QString::fromUtf8(kPGothicFace.data(), kPGothicFace.size()),
                                   "IPAPGothic", "Noto Sans CJK JP", "VL PGothic"};

// The traffic lines are about 375 px wide and left-aligned; no glyph of their fonts is narrower
// than a pixel, so this many bytes always fill them. The rest could never be seen, and painting
// a 100,000-character line costs tens of milliseconds.
constexpr std::size_t kShownBytes = 512;

struct TrafficLine {
    std::string_view label;
    std::string_view tag;
};
constexpr TrafficLine kTrafficLines[] = {
    {"Label11", "TXD"}, {"Label12", "RXD"}, {"Label22", "STATUS"}};

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string toUtf8(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

QColor toQColor(const Colour& c) {
    return QColor(c.red, c.green, c.blue);
}

// The first bytes of `text` that can show, cut at a character boundary.
std::string_view visiblePart(std::string_view text) {
    if (text.size() <= kShownBytes)
        return text;
    std::size_t end = kShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

QFont fontFor(const FontSpec& wanted) {
    QFont font = QApplication::font();
    if (wanted.face == Face::Default) {
        // Mark every attribute as set, so the window's own Gothic bold is not inherited.
        font.setFamily(font.family());
        if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF());
        } else {
            font.setPixelSize(font.pixelSize());
        }
    } else {
        const bool fixed = wanted.face == Face::Gothic;
        font.setFamilies(fixed ? kGothicFamilies : kPGothicFamilies);
        font.setStyleHint(fixed ? QFont::TypeWriter : QFont::SansSerif);
        font.setFixedPitch(fixed);
        font.setPointSizeF(wanted.points);
    }
    font.setWeight(wanted.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    return font;
}

Qt::Alignment alignmentFor(Align align) {
    switch (align) {
        case Align::Centre:
            return Qt::AlignHCenter | Qt::AlignTop;
        case Align::Right:
            return Qt::AlignRight | Qt::AlignTop;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

void fillBackground(QWidget* widget, const Colour& back, const Colour& fore) {
    if (back.paint != Paint::Rgb)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, toQColor(back));
    if (fore.paint == Paint::Rgb)
        palette.setColor(QPalette::WindowText, toQColor(fore));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A raised three-dimensional face in the button's own colour, sunk while pressed.
QString buttonStyle(const Colour& back, const Colour& fore) {
    const QColor face = toQColor(back);
    const QColor light = face.lighter(140);
    const QColor shade = face.darker(160);
    return QStringLiteral(
               "QPushButton { background-color: %1; color: %2; padding: 0px;"
               " border-width: 2px; border-style: solid;"
               " border-color: %3 %4 %4 %3; }"
               "QPushButton:pressed { border-color: %4 %3 %3 %4; }"
               "QPushButton:focus { outline: 1px dotted %2; }")
        .arg(face.name(), toQColor(fore).name(), light.name(), shade.name());
}

// Breaks a caption into lines that fit `width`: at blanks where there are any, otherwise
// between characters (Japanese has no blanks), as the captions of the tall buttons expect.
QString wrapCaption(const QString& caption, const QFontMetrics& metrics, int width) {
    if (width <= 0 || metrics.horizontalAdvance(caption) <= width)
        return caption;
    QStringList lines;
    QString line;
    for (const QChar ch : caption) {
        const QString next = line + ch;
        if (line.isEmpty() || metrics.horizontalAdvance(next) <= width) {
            line = next;
            continue;
        }
        const qsizetype blank = line.lastIndexOf(' ');
        if (ch == ' ') {
            lines << line;
            line.clear();
        } else if (blank > 0) {
            lines << line.left(blank);
            line = line.mid(blank + 1) + ch;
        } else {
            lines << line;
            line = ch;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join('\n');
}

// The key's code as the panel's handlers know it: letters as upper-case ASCII, digits as
// ASCII, and the usual codes of the other keys; 0 for keys the panel has no code for.
int keyCodeOf(const QKeyEvent* event) {
    const int key = event->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        if (event->modifiers() & Qt::KeypadModifier && key >= Qt::Key_0 && key <= Qt::Key_9) {
            return 96 + (key - Qt::Key_0);
        }
        return key;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    static constexpr struct {
        int qt;
        int code;
    } kKeys[] = {{Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},
                 {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},
                 {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
                 {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},
                 {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
                 {Qt::Key_Home, 36},     {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
                 {Qt::Key_Right, 39},    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
                 {Qt::Key_Delete, 46},   {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145}};
    for (const auto& k : kKeys) {
        if (k.qt == key)
            return k.code;
    }
    return 0;
}

int shiftOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

bool isHoldKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent) : QWidget(parent) {
    initPanelResources();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (screen->logicalDotsPerInch() > 0)
            m_twipsPerPixel = 1440.0 / screen->logicalDotsPerInch();
    }
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(fromUtf8(kWindowTitle));
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
    setWindowIcon(icon);
    fillBackground(this, kWindowBack, kWindowFore);
    setFont(fontFor(kWindowFont));

    std::map<std::string_view, QButtonGroup*> groups;
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlSpec& row : kControls) {
        QWidget* parentWidget = this;
        if (!row.container.empty())
            parentWidget = control(row.container);
        Q_ASSERT(parentWidget);  // containers come before their controls
        QWidget* widget = build(row, parentWidget);
        widget->setObjectName(fromUtf8(row.name));
        widget->setGeometry(pixelRect(row));
        if (!row.visible)
            widget->hide();
        m_controls.emplace(std::string(row.name), widget);

        if (row.kind == ControlKind::Option) {
            auto*& group = groups[row.container];
            if (group == nullptr) {
                group = new QButtonGroup(parentWidget);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QAbstractButton*>(widget));
        }
        if (widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(row.tab, widget);
    }

    // The port group hides the COM button under it while shown.
    control("Frame8")->raise();

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
    control("Command17")->setFocus();

    m_outerHeight = kClientHeight + kFrameHeight;
    setFixedSize(toPixels(kClientWidth), toPixels(kClientHeight));
    qApp->installEventFilter(this);
}

PanelWindow::~PanelWindow() {
    m_form = nullptr;  // the panel core may already be gone
    if (qApp)
        qApp->removeEventFilter(this);
}

QWidget* PanelWindow::build(const ControlSpec& row, QWidget* parent) {
    switch (row.kind) {
        case ControlKind::Frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            frame->setLineWidth(1);
            fillBackground(frame, row.back, row.fore);
            return frame;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            // Traffic and status text comes from the line: never interpret it.
            label->setTextFormat(Qt::PlainText);
            label->setText(fromUtf8(row.caption));
            label->setAlignment(alignmentFor(row.align));
            label->setFont(fontFor(row.font));
            fillBackground(label, row.back, row.fore);
            if (row.border) {
                label->setFrameStyle(QFrame::Box | QFrame::Plain);
                label->setLineWidth(1);
            }
            return label;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(parent);
            button->setFont(fontFor(row.font));
            button->setFocusPolicy(Qt::StrongFocus);
            // Enter presses the focused button, as Space does.
            button->setAutoDefault(true);
            if (row.back.paint == Paint::Rgb)
                button->setStyleSheet(buttonStyle(row.back, row.fore));
            const std::string name(row.name);
            if (findHold(row.name) != nullptr) {
                m_holdButtons.emplace(button, name);
            } else {
                connect(button, &QPushButton::clicked, this, [this, name] {
                    if (m_form)
                        m_form->click(name);
                });
            }
            // Geometry first, so the caption breaks to the button's width.
            button->setGeometry(pixelRect(row));
            m_captions[name] = fromUtf8(row.caption);
            applyCaption(button, fromUtf8(row.caption));
            return button;
        }
        case ControlKind::Option: {
            auto* option = new QRadioButton(fromUtf8(row.caption), parent);
            option->setFont(fontFor(row.font));
            option->setAutoExclusive(false);  // the container's button group decides
            option->setChecked(row.selected);
            fillBackground(option, row.back, row.fore);
            const std::string name(row.name);
            // Operator clicks only (also on the option already selected); setChecked from the
            // program raises no click.
            connect(option, &QAbstractButton::clicked, this, [this, name] {
                if (m_form)
                    m_form->click(name);
            });
            return option;
        }
        case ControlKind::TextBox: {
            m_text1 = new QLineEdit(parent);
            m_text1->setFont(fontFor(row.font));
            m_text1->setMaxLength(INT_MAX);  // no limit of its own
            return m_text1;
        }
        case ControlKind::Image: {
            m_image = new QLabel(parent);
            m_image->setTextFormat(Qt::PlainText);
            m_image->setPixmap(QPixmap(QStringLiteral(":/images/logo.bmp")));
            m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            m_image->setScaledContents(false);
            return m_image;
        }
    }
    return new QWidget(parent);
}

QRect PanelWindow::pixelRect(const ControlSpec& row) const {
    // Edges are converted, not sizes, so controls that touch in twips touch in pixels.
    const int left = toPixels(row.left);
    const int top = toPixels(row.top);
    return QRect(left, top, toPixels(row.left + row.width) - left,
                 toPixels(row.top + row.height) - top);
}

int PanelWindow::toPixels(double twips) const {
    return qRound(twips / m_twipsPerPixel);
}

QWidget* PanelWindow::control(std::string_view name) const {
    auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : it->second;
}

void PanelWindow::attach(Form1* form) {
    m_form = form;
}

void PanelWindow::setTraceSink(TraceSink sink) {
    m_trace = std::move(sink);
}

void PanelWindow::setPortDevices(const QString& com1, const QString& com2) {
    if (QWidget* o = control("Option1"))
        o->setToolTip(QStringLiteral("COM1 = ") + com1);
    if (QWidget* o = control("Option2"))
        o->setToolTip(QStringLiteral("COM2 = ") + com2);
}

void PanelWindow::applyCaption(QAbstractButton* button, const QString& caption) {
    QString shown = caption;
    shown.replace('&', QStringLiteral("&&"));  // a caption is text, never a mnemonic
    const int room = button->width() - 6;      // borders and a little air
    button->setText(wrapCaption(shown, QFontMetrics(button->font()), room));
}

void PanelWindow::setText(std::string_view name, std::string_view text) {
    if (name == "Text1") {
        if (m_text1)
            m_text1->setText(fromUtf8(text));
        return;
    }
    auto* label = qobject_cast<QLabel*>(control(name));
    if (label == nullptr || label == m_image)
        return;
    for (const auto& line : kTrafficLines) {
        if (line.label == name && m_trace)
            m_trace(line.tag, text);
    }
    const QString shown = fromUtf8(visiblePart(text));
    if (label->text() != shown)
        label->setText(shown);
}

std::string PanelWindow::text(std::string_view name) const {
    if (name == "Text1")
        return m_text1 ? toUtf8(m_text1->text()) : std::string();
    if (auto* label = qobject_cast<QLabel*>(control(name)))
        return toUtf8(label->text());
    return {};
}

void PanelWindow::setVisible(std::string_view name, bool visible) {
    if (QWidget* w = control(name)) {
        if (!visible && w->isAncestorOf(m_held))
            endHold();
        w->setVisible(visible);
    }
}

bool PanelWindow::isVisible(std::string_view name) const {
    // As the program set it: a control below the client band or in a hidden group still is.
    const QWidget* w = control(name);
    return w != nullptr && !w->isHidden();
}

void PanelWindow::setCaption(std::string_view name, std::string_view caption) {
    QWidget* w = control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        m_captions[std::string(name)] = fromUtf8(caption);
        if (qobject_cast<QRadioButton*>(button)) {
            button->setText(fromUtf8(caption));
        } else {
            applyCaption(button, fromUtf8(caption));
        }
    } else if (auto* label = qobject_cast<QLabel*>(w); label && label != m_image) {
        label->setText(fromUtf8(caption));
    }
}

std::string PanelWindow::caption(std::string_view name) const {
    if (auto it = m_captions.find(name); it != m_captions.end())
        return toUtf8(it->second);
    QWidget* w = control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return toUtf8(button->text());
    if (auto* label = qobject_cast<QLabel*>(w))
        return toUtf8(label->text());
    return {};
}

void PanelWindow::setSelected(std::string_view option) {
    // setChecked emits no click; the group deselects the partner.
    if (auto* button = qobject_cast<QRadioButton*>(control(option)))
        button->setChecked(true);
}

bool PanelWindow::isSelected(std::string_view option) const {
    auto* button = qobject_cast<QRadioButton*>(control(option));
    return button != nullptr && button->isChecked();
}

TwipSize PanelWindow::outerSize() const {
    return {double(kClientWidth + kFrameWidth), m_outerHeight};
}

void PanelWindow::setOuterHeight(double twips) {
    // The client band keeps its laid-out height whatever this platform's frame takes.
    m_outerHeight = twips;
    setFixedHeight(std::max(1, toPixels(twips - kFrameHeight)));
}

void PanelWindow::move(double left, double top) {
    QWidget::move(toPixels(left), toPixels(top));
}

TwipSize PanelWindow::screenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    // The whole screen, as the placement reasons about it (not the work area).
    const QRect area = screen->geometry();
    return {area.width() * m_twipsPerPixel, area.height() * m_twipsPerPixel};
}

void PanelWindow::warn(std::string_view text) {
    endHold();
    const QString message = fromUtf8(text);
    if (!QWidget::isVisible() || m_showingWarnings) {
        // Not on screen yet (a port that fails at start-up): the window comes up first.
        m_pendingWarnings << message;
        return;
    }
    showWarning(message);
}

void PanelWindow::showWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kWarningTitle, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void PanelWindow::showPendingWarnings() {
    if (m_showingWarnings)
        return;
    m_showingWarnings = true;
    while (!m_pendingWarnings.isEmpty() && QWidget::isVisible()) {
        showWarning(m_pendingWarnings.takeFirst());
    }
    m_showingWarnings = false;
}

void PanelWindow::quit(int status) {
    endHold();
    // Closing the last window would end the event loop with status 0 before ours is seen.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    close();
    // Queued, so it also ends the program when called before the event loop has started.
    QMetaObject::invokeMethod(
        qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

void PanelWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(toQColor(kLineColour));
    pen.setWidth(kLinePixels);
    pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);
    for (const LineSpec& line : kLines) {
        painter.drawLine(toPixels(line.x1), toPixels(line.y1), toPixels(line.x2),
                         toPixels(line.y2));
    }
}

void PanelWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_pendingWarnings.isEmpty()) {
        QTimer::singleShot(0, this, [this] { showPendingWarnings(); });
    }
}

void PanelWindow::hideEvent(QHideEvent* event) {
    endHold();
    QWidget::hideEvent(event);
}

void PanelWindow::beginHold(QPushButton* button, int key) {
    if (m_held)
        return;  // one hold at a time; it ends at the first release
    auto it = m_holdButtons.find(button);
    if (it == m_holdButtons.end())
        return;
    m_held = button;
    m_heldName = QString::fromStdString(it->second);
    m_heldKey = key;
    button->setDown(true);
    if (m_form)
        m_form->mouseDown(it->second);
}

void PanelWindow::endHold() {
    if (!m_held && m_heldName.isEmpty())
        return;
    const std::string name = m_heldName.toStdString();
    if (m_held)
        m_held->setDown(false);
    m_held.clear();
    m_heldName.clear();
    m_heldKey = 0;
    if (m_form)
        m_form->mouseUp(name);
}

void PanelWindow::previewKey(QWidget* receiver, QKeyEvent* event) {
    // One press is offered to the focus widget and then, while ignored, to each parent in turn;
    // only its first step counts. A later press may reuse the same event address, but it does
    // not start at an ancestor of where the last one went.
    const bool propagated = event == m_lastKeyEvent && m_lastKeyReceiver &&
                            receiver != m_lastKeyReceiver &&
                            receiver->isAncestorOf(m_lastKeyReceiver);
    m_lastKeyEvent = event;
    m_lastKeyReceiver = receiver;
    if (propagated)
        return;
    const int keyCode = keyCodeOf(event);
    const int shift = shiftOf(event);
    emit keyPreviewed(keyCode, shift);
    if (m_form)
        m_form->Form_KeyDown(keyCode, shift);
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // Any mouse button starts a hold; a double-click is a second press.
            if (m_holdButtons.count(watched) != 0) {
                beginHold(static_cast<QPushButton*>(watched), 0);
                return true;
            }
            if (watched == m_image && event->type() == QEvent::MouseButtonDblClick &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                if (m_form)
                    m_form->dblClick("Image1");
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            // A release anywhere ends the hold, whichever button it was.
            if (m_held || !m_heldName.isEmpty()) {
                const bool onHeld = watched == m_held;
                endHold();
                return onHeld;
            }
            break;
        case QEvent::KeyPress: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget == nullptr || widget->window() != this)
                break;
            auto* key = static_cast<QKeyEvent*>(event);
            previewKey(widget, key);
            // Space or Enter (the keypad's too, with any modifier) holds a hold button.
            if (m_holdButtons.count(watched) != 0 && isHoldKey(key->key())) {
                if (!key->isAutoRepeat())
                    beginHold(static_cast<QPushButton*>(watched), key->key());
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!m_heldName.isEmpty() && m_heldKey != 0 && key->key() == m_heldKey &&
                !key->isAutoRepeat()) {
                endHold();
                return true;
            }
            // A hold button never clicks.
            if (m_holdButtons.count(watched) != 0 && isHoldKey(key->key()))
                return true;
            break;
        }
        case QEvent::FocusOut:
            if (watched == m_held && m_held)
                endHold();
            break;
        case QEvent::WindowDeactivate:
            // Another window took the input: the release will not come here.
            if (watched == this)
                endHold();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace r7k
