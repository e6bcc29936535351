// The operator's input to the panel window: holds with the mouse or the keyboard, the key
// preview that hands every key press to Form_KeyDown, and the logo double-click.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "panel/controller.h"
#include "panel/controls.h"
#include "panel/views.h"
#include "qt/panel_window.h"

namespace r7k {

namespace {

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
    return (m & Qt::ShiftModifier ? kShiftMask : 0) | (m & Qt::ControlModifier ? kCtrlMask : 0) |
           (m & Qt::AltModifier ? kAltMask : 0);
}

bool isHoldKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

void PanelWindow::beginHold(QPushButton* button, int key, bool repeat) {
    auto it = m_holdButtons.find(button);
    if (it == m_holdButtons.end() || !m_hold.press(it->second, key, repeat))
        return;
    m_held = button;
    button->setDown(true);
    if (m_form)
        m_form->mouseDown(it->second);
}

void PanelWindow::endHold() {
    const std::optional<std::string> name = m_hold.end();
    if (!name)
        return;
    if (m_held)
        m_held->setDown(false);
    m_held.clear();
    if (m_form)
        m_form->mouseUp(*name);
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
        m_form->keyDown(keyCode, shift);
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // Any mouse button starts a hold; a double-click is a second press.
            if (m_holdButtons.count(watched) != 0) {
                beginHold(static_cast<QPushButton*>(watched), HoldTracker::kMouse);
                return true;
            }
            if (watched == m_image && event->type() == QEvent::MouseButtonDblClick &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                if (m_form)
                    m_form->dblClick(control::kLogo);
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            // A release anywhere ends the hold, whichever button it was.
            if (m_hold.endsAt(HoldTracker::kMouse)) {
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
                beginHold(static_cast<QPushButton*>(watched), key->key(), key->isAutoRepeat());
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != HoldTracker::kMouse &&
                m_hold.endsAt(key->key(), key->isAutoRepeat())) {
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
