#include "qt/panel_window.h"
#include "panel/controls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <vector>

#include "panel/accessible_names.h"
#include "panel/controller.h"
#include "panel/pixels.h"
#include "panel/trace_line.h"
#include "panel/warning_line.h"
#include "protocol/catalogue.h"
#include "qt/panel_button.h"
#include "qt/panel_style.h"
#include "qt/traffic_line.h"

// The images live in this static library, so the linker keeps them only when asked to.
static void initPanelResources() {
    Q_INIT_RESOURCE(resources);
}

namespace r7k {

namespace {

const QString kWarningTitle = QStringLiteral("R7KM & R7K CONTROL");

// The logo, sharp on a screen of any pixel ratio: drawn at twice the size for one of 2 or more.
QPixmap logoFor(qreal pixelRatio) {
    if (pixelRatio <= 1)
        return QPixmap(QStringLiteral(":/images/logo.bmp"));
    QPixmap logo(QStringLiteral(":/images/logo@2x.bmp"));
    logo.setDevicePixelRatio(2);
    return logo;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent) : QWidget(parent) {
    initPanelResources();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_twipsPerPixel = twipsPerPixelAt(screen->logicalDotsPerInch());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(fromUtf8(kWindowTitle));
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
    setWindowIcon(icon);
    ControlSpec window;
    window.back = kWindowBack;
    window.fore = kWindowFore;
    paintAsLaidOut(this, window);
    setFont(fontFor(kWindowFont));

    std::map<std::string_view, QButtonGroup*> groups;
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlSpec& row : kControls) {
        QWidget* parentWidget = row.container.empty() ? this : control(row.container);
        Q_ASSERT(parentWidget);  // containers come before their controls
        QWidget* widget = build(row, parentWidget);
        widget->setObjectName(fromUtf8(row.name));
        widget->setAccessibleName(fromUtf8(r7k::accessibleName(row.name)));
        widget->setGeometry(pixelRect(row));
        if (!row.visible)
            widget->hide();
        m_controls.emplace(std::string(row.name), widget);
        if (row.kind == ControlKind::Option) {
            auto*& group = groups[row.container];
            if (group == nullptr)
                group = new QButtonGroup(parentWidget);
            group->addButton(static_cast<QAbstractButton*>(widget));
        }
        if (widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(row.tab, widget);
    }

    // The port group hides the COM button under it while shown.
    control(control::kPortGroup)->raise();

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    control(control::kFirstButton)->setFocus();

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
            paintAsLaidOut(frame, row);
            return frame;
        }
        case ControlKind::Label: {
            QLabel* label = row.border ? new TrafficLine(parent) : new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setText(fromUtf8(row.caption));
            label->setAlignment(alignmentFor(row.align));
            label->setFont(fontFor(row.font));
            paintAsLaidOut(label, row);
            return label;
        }
        case ControlKind::Button: {
            auto* button = new PanelButton(
                row.back.paint == Paint::Rgb ? toQColor(row.back) : QColor(),
                row.fore.paint == Paint::Rgb ? toQColor(row.fore) : QColor(), parent);
            button->setFont(fontFor(row.font));
            button->setFocusPolicy(Qt::StrongFocus);
            button->setAutoDefault(true);  // Enter presses the focused button, as Space does
            const std::string name(row.name);
            if (findHold(row.name) != nullptr) {
                m_holdButtons.emplace(button, name);
            } else {
                connect(button, &QPushButton::clicked, this, [this, name] {
                    if (m_form)
                        m_form->click(name);
                });
            }
            // Geometry first, so the caption is laid out for the button's size.
            button->setGeometry(pixelRect(row));
            button->setCaption(fromUtf8(row.caption));
            return button;
        }
        case ControlKind::Option: {
            auto* option = new QRadioButton(fromUtf8(row.caption), parent);
            option->setFont(fontFor(row.font));
            option->setAutoExclusive(false);  // the container's button group decides
            option->setChecked(row.selected);
            paintAsLaidOut(option, row);
            const std::string name(row.name);
            // Operator clicks only (also on the option already selected); setChecked from the
            // program raises no click.
            connect(option, &QAbstractButton::clicked, this, [this, name] {
                if (m_form)
                    m_form->click(name);
            });
            if (const int port = name == control::kCom1 ? 1 : name == control::kCom2 ? 2 : 0) {
                option->setContextMenuPolicy(Qt::CustomContextMenu);
                connect(option, &QWidget::customContextMenuRequested, this,
                        [this, option, port](const QPoint& at) {
                            emit portMenuRequested(port, option->mapToGlobal(at));
                        });
            }
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
            m_image->setPixmap(logoFor(devicePixelRatioF()));
            m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return m_image;
        }
    }
    return new QWidget(parent);
}

QRect PanelWindow::pixelRect(const ControlSpec& row) const {
    const PixelRect r = r7k::pixelRect(row, m_twipsPerPixel);
    return QRect(r.left, r.top, r.width, r.height);
}

int PanelWindow::toPixels(double twips) const {
    return r7k::toPixels(twips, m_twipsPerPixel);
}

QWidget* PanelWindow::control(std::string_view name) const {
    auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : it->second;
}

void PanelWindow::attach(PanelController* form) {
    m_form = form;
}

void PanelWindow::setTraceSink(TraceSink sink) {
    m_trace = std::move(sink);
}

void PanelWindow::setPortDevices(const QString& com1, const QString& com2) {
    control(control::kCom1)->setToolTip(QStringLiteral("COM1 = ") + com1);
    control(control::kCom2)->setToolTip(QStringLiteral("COM2 = ") + com2);
}

void PanelWindow::setText(std::string_view name, std::string_view text) {
    if (name == control::kCommandEntry) {
        m_text1->setText(fromUtf8(text));
        return;
    }
    auto* line = qobject_cast<TrafficLine*>(control(name));
    if (line == nullptr)
        return;
    if (const std::string_view tag = traceTag(name); !tag.empty() && m_trace)
        m_trace(tag, text);
    line->setLine(fromUtf8(shownPart(text)));
}

std::string PanelWindow::text(std::string_view name) const {
    if (name == control::kCommandEntry)
        return toUtf8(m_text1->text());
    auto* label = qobject_cast<QLabel*>(control(name));
    return label ? toUtf8(label->text()) : std::string();
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
    if (auto* button = qobject_cast<PanelButton*>(w)) {
        button->setCaption(fromUtf8(caption));
        button->setAccessibleName(fromUtf8(caption));
    } else if (auto* option = qobject_cast<QRadioButton*>(w)) {
        option->setText(fromUtf8(caption));
    }
}

std::string PanelWindow::caption(std::string_view name) const {
    QWidget* w = control(name);
    if (auto* button = qobject_cast<PanelButton*>(w))
        return toUtf8(button->caption());
    if (auto* option = qobject_cast<QRadioButton*>(w))
        return toUtf8(option->text());
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
    setFixedHeight(clientPixelsForOuterHeight(twips, m_twipsPerPixel));
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
    // Also to standard error, at once, so a log of the session keeps what the box said.
    const std::string line = warningLine("r7k-panel", text, std::chrono::system_clock::now());
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    m_warnings.add(text);
    // Not on screen yet (a port that fails at start-up): the window comes up first.
    if (QWidget::isVisible())
        showPendingWarnings();
}

void PanelWindow::showWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kWarningTitle, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void PanelWindow::showPendingWarnings() {
    // A warning that comes while a box is open waits for it to close.
    while (QWidget::isVisible()) {
        const std::optional<std::string> text = m_warnings.next();
        if (!text)
            return;
        showWarning(fromUtf8(*text));
        m_warnings.closed();
    }
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
    painter.setPen(QPen(toQColor(kLineColour), kLinePixels, Qt::SolidLine));
    for (const LineSpec& line : kLines) {
        painter.drawLine(toPixels(line.x1), toPixels(line.y1), toPixels(line.x2),
                         toPixels(line.y2));
    }
}

void PanelWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_warnings.waiting())
        QTimer::singleShot(0, this, [this] { showPendingWarnings(); });
}

void PanelWindow::hideEvent(QHideEvent* event) {
    endHold();
    QWidget::hideEvent(event);
}

}  // namespace r7k
