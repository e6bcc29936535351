// The operator's input to the panel window: clicks, holds with any mouse button or the
// keyboard, the key preview that hands every key press to Form_KeyDown, the tab order, the
// logo double-click, the port menu's right-click, and the warning boxes.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "panel/controller.h"
#include "panel/controls.h"
#include "panel/views.h"
#include "panel/warning_line.h"
#include "win/box_text.h"
#include "win/console.h"
#include "win/panel_window.h"
#include "win/ui_thread.h"

namespace r7k::win {

namespace {

const wchar_t kWarningTitle[] = L"R7KM & R7K CONTROL";

bool isHoldKey(WPARAM key) {
    return key == VK_SPACE || key == VK_RETURN;
}

bool isAutoRepeat(LPARAM lParam) {
    return (lParam & (1 << 30)) != 0;  // the key was already down
}

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0) |
           (GetKeyState(VK_CONTROL) < 0 ? kCtrlMask : 0) |
           (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

}  // namespace

LRESULT CALLBACK PanelWindow::controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR self, DWORD_PTR control) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, controlProc, self);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return reinterpret_cast<PanelWindow*>(self)->handleControl(*reinterpret_cast<Control*>(control),
                                                               hwnd, message, wParam, lParam);
}

LRESULT PanelWindow::handleControl(Control& c, HWND hwnd, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    const ControlKind kind = c.row->kind;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            // Any mouse button holds a hold button; a double-click is a second press.
            if (c.hold) {
                SetFocus(hwnd);
                beginHold(c, HoldTracker::kMouse);
                return 0;
            }
            // A double-click on a button or an option is two clicks, not a notification.
            if (message == WM_LBUTTONDBLCLK &&
                (kind == ControlKind::Button || kind == ControlKind::Option))
                return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wParam, lParam);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            // Held with the mouse, the button has the capture: the release comes here from
            // anywhere on the screen.
            if (c.hold) {
                if (m_held == &c && m_hold.endsAt(HoldTracker::kMouse))
                    endHold();
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            if (m_held == &c && m_hold.endsAt(HoldTracker::kMouse))
                endHold();
            break;
        case WM_SETFOCUS:
            m_lastFocus = hwnd;
            break;
        case WM_KILLFOCUS:
            if (m_held == &c)
                endHold();
            break;
        case WM_KEYDOWN:
            // Space or Enter holds a hold button until that key is released.
            if (c.hold && isHoldKey(wParam)) {
                beginHold(c, int(wParam), isAutoRepeat(lParam));
                return 0;
            }
            break;
        case WM_KEYUP:
            if (c.hold && isHoldKey(wParam)) {
                if (m_held == &c && m_hold.endsAt(int(wParam)))
                    endHold();
                return 0;  // a hold button never clicks
            }
            break;
        case WM_CHAR:
            if (kind == ControlKind::Button && (wParam == L' ' || wParam == L'\r'))
                return 0;
            break;
        case WM_CONTEXTMENU:
            if (kind == ControlKind::Option && m_portMenu) {
                const int port = c.row->name == control::kCom1   ? 1
                                 : c.row->name == control::kCom2 ? 2
                                                                 : 0;
                if (port == 0)
                    break;
                POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                if (lParam == -1) {  // from the keyboard: below the option
                    RECT r;
                    GetWindowRect(hwnd, &r);
                    at = {r.left, r.bottom};
                }
                m_menuFor = &c;  // the menu closes if the option's group hides meanwhile
                m_portMenu(port, at);
                m_menuFor = nullptr;
                return 0;
            }
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void PanelWindow::onCommand(UINT code, HWND from) {
    const Control* c = find(from);
    if (c == nullptr || m_form == nullptr)
        return;
    const std::string name(c->row->name);
    switch (c->row->kind) {
        case ControlKind::Button:
        case ControlKind::Option:
            // Operator clicks only (also on the option already selected); BM_SETCHECK from
            // the program raises none.
            if (code == BN_CLICKED && !c->hold)
                m_form->click(name);
            break;
        case ControlKind::Image:
            if (code == STN_DBLCLK)
                m_form->dblClick(name);
            break;
        default:
            break;
    }
}

void PanelWindow::beginHold(Control& c, int key, bool repeat) {
    if (!m_hold.press(c.row->name, key, repeat))
        return;
    m_held = &c;
    if (key == HoldTracker::kMouse)
        SetCapture(c.hwnd);
    SendMessageW(c.hwnd, BM_SETSTATE, TRUE, 0);  // drawn sunk
    if (m_form)
        m_form->mouseDown(c.row->name);
}

void PanelWindow::endHold() {
    // First, so the capture's loss below does not end it twice.
    if (!m_hold.end())
        return;
    Control* c = std::exchange(m_held, nullptr);
    SendMessageW(c->hwnd, BM_SETSTATE, FALSE, 0);
    if (GetCapture() == c->hwnd)
        ReleaseCapture();
    if (m_form)
        m_form->mouseUp(c->row->name);
}

bool PanelWindow::preview(MSG& msg) {
    const bool key = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool release =
        msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP || msg.message == WM_MBUTTONUP;
    // The kind first: IsChild costs a round trip to Wine's server, and most messages are
    // neither (the serial reader's hand-overs, paints, timers).
    if (!(key || release) || m_hwnd == nullptr ||
        (msg.hwnd != m_hwnd && !IsChild(m_hwnd, msg.hwnd)))
        return false;
    if (key)
        return previewKey(msg);
    // A release anywhere ends a hold, also one held with a key.
    if (m_hold.endsAt(HoldTracker::kMouse))
        endHold();
    return false;
}

bool PanelWindow::previewKey(const MSG& msg) {
    const int shift = shiftState();
    // Every key press goes to the panel first; the control still gets it.
    if (m_form)
        m_form->keyDown(int(msg.wParam), shift);
    if (msg.message != WM_KEYDOWN || m_hwnd == nullptr)
        return false;
    if (msg.wParam == VK_TAB && (shift & (kCtrlMask | kAltMask)) == 0) {
        moveFocus((shift & kShiftMask) != 0);
        return true;
    }
    // Enter presses the focused button, as Space does (a hold button holds, see above).
    const Control* c = find(msg.hwnd);
    if (msg.wParam == VK_RETURN && c && c->row->kind == ControlKind::Button && !c->hold) {
        if (m_form)
            m_form->click(c->row->name);
        return true;
    }
    return false;
}

void PanelWindow::moveFocus(bool backwards) {
    if (m_tabOrder.empty())
        return;
    const HWND focus = GetFocus();
    const int n = int(m_tabOrder.size());
    int at = -1;
    for (int i = 0; i < n; ++i) {
        if (m_tabOrder[size_t(i)]->hwnd == focus)
            at = i;
    }
    for (int step = 1; step <= n; ++step) {
        const int i =
            ((at < 0 ? (backwards ? 0 : -1) : at) + (backwards ? -step : step) + 2 * n) % n;
        const Control* next = m_tabOrder[size_t(i)];
        // Shown as far as the program is concerned, in shown groups, and enabled.
        bool shown = IsWindowEnabled(next->hwnd);
        for (HWND w = next->hwnd; shown && w && w != m_hwnd; w = GetParent(w))
            shown = (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0;
        if (shown) {
            SetFocus(next->hwnd);
            return;
        }
    }
}

void PanelWindow::warn(std::string_view text) {
    endHold();
    // Also to the console or the redirect, when there is one, so a log keeps what the box said.
    writeErr(warningLine("r7k-panel", text, std::chrono::system_clock::now()));
    m_warnings.add(text);
    // Not on screen yet (a port that fails at start-up): the window comes up first.
    if (IsWindowVisible(m_hwnd))
        showPendingWarnings();
}

void PanelWindow::showWarning(const std::string& text) {
    // MessageBox shows its text as it is: no markup, no mnemonics.
    MessageBoxW(m_hwnd, toWide(boxText(text)).c_str(), kWarningTitle, MB_ICONWARNING | MB_OK);
}

void PanelWindow::showPendingWarnings() {
    // A warning that comes while a box is open waits for it to close.
    while (m_hwnd && IsWindowVisible(m_hwnd)) {
        const std::optional<std::string> text = m_warnings.next();
        if (!text)
            return;
        showWarning(*text);
        m_warnings.closed();
    }
}

}  // namespace r7k::win
