// What the program sets on the panel window and reads back (the Window interface): texts,
// captions, visibility, the selected options, the window's size and place, warnings, the end.
#include <windows.h>

#include <commctrl.h>

#include "panel/controls.h"
#include "panel/pixels.h"
#include "panel/trace_line.h"
#include "win/panel_window.h"
#include "win/ui_thread.h"
#include "win/wide.h"

namespace r7k::win {

void PanelWindow::setPortDevices(const std::string& com1, const std::string& com2) {
    for (auto [option, device] : {std::pair{control::kCom1, &com1}, {control::kCom2, &com2}}) {
        const std::wstring tip =
            toWide(std::string(option == control::kCom1 ? "COM1 = " : "COM2 = ") + *device);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(find(option)->hwnd);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void PanelWindow::show() {
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    // Focus rectangles from the start, as the operator may well work from the keyboard.
    SendMessageW(m_hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(m_lastFocus);
    UpdateWindow(m_hwnd);
    if (m_warnings.waiting())
        postToUi([this] { showPendingWarnings(); });
    postToUi([this] { nameControls(); });
}

void PanelWindow::nameControls() {
    m_access.start();
    // Each control's window text is its accessible name; a traffic line's value is its text.
    for (auto& [name, c] : m_controls) {
        wchar_t text[256] = {};
        if (GetWindowTextW(c.hwnd, text, 256) > 0)
            m_access.setName(c.hwnd, toUtf8(text));
        if (c.row->border)
            m_access.setValue(c.hwnd, c.caption);
    }
}

void PanelWindow::setText(std::string_view name, std::string_view text) {
    Control* c = find(name);
    if (c == nullptr)
        return;
    if (c->row->kind == ControlKind::TextBox) {
        SetWindowTextW(c->hwnd, toWide(text).c_str());
        return;
    }
    if (!c->row->border)
        return;  // only the traffic lines take text
    if (const std::string_view tag = traceTag(name); !tag.empty() && m_trace)
        m_trace(tag, text);
    const std::string_view shown = shownPart(text);
    if (shown == c->caption)
        return;
    c->caption = std::string(shown);
    m_access.setValue(c->hwnd, c->caption);
    InvalidateRect(c->hwnd, nullptr, FALSE);
}

std::string PanelWindow::text(std::string_view name) const {
    const Control* c = find(name);
    if (c == nullptr)
        return {};
    if (c->row->kind == ControlKind::TextBox) {
        std::wstring text(size_t(GetWindowTextLengthW(c->hwnd)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(c->hwnd, text.data(), int(text.size()))));
        return toUtf8(text);
    }
    return c->row->kind == ControlKind::Label ? c->caption : std::string();
}

void PanelWindow::setVisible(std::string_view name, bool visible) {
    Control* c = find(name);
    if (c == nullptr)
        return;
    if (!visible && m_held && (m_held == c || IsChild(c->hwnd, m_held->hwnd)))
        endHold();
    // A port menu left open on a hidden option would still change the port.
    if (!visible && m_menuFor && (m_menuFor == c || IsChild(c->hwnd, m_menuFor->hwnd)))
        EndMenu();
    const HWND focus = GetFocus();
    const bool hadFocus = focus == c->hwnd || IsChild(c->hwnd, focus);
    c->visible = visible;
    ShowWindow(c->hwnd, visible ? SW_SHOWNA : SW_HIDE);
    if (!visible && hadFocus)
        moveFocus(false);  // focus never stays on a hidden control
}

bool PanelWindow::isVisible(std::string_view name) const {
    // As the program set it: a control below the client band or in a hidden group still is.
    const Control* c = find(name);
    return c != nullptr && c->visible;
}

void PanelWindow::setCaption(std::string_view name, std::string_view caption) {
    Control* c = find(name);
    if (c == nullptr ||
        (c->row->kind != ControlKind::Button && c->row->kind != ControlKind::Option))
        return;
    c->caption = std::string(caption);
    c->fitted = false;
    SetWindowTextW(c->hwnd, toWide(caption).c_str());
    if (c->row->kind == ControlKind::Button)
        m_access.setName(c->hwnd, c->caption);
    InvalidateRect(c->hwnd, nullptr, FALSE);
}

std::string PanelWindow::caption(std::string_view name) const {
    const Control* c = find(name);
    if (c == nullptr ||
        (c->row->kind != ControlKind::Button && c->row->kind != ControlKind::Option))
        return {};
    return c->caption;
}

void PanelWindow::setSelected(std::string_view option) {
    const Control* chosen = find(option);
    if (chosen == nullptr || chosen->row->kind != ControlKind::Option)
        return;
    // BM_SETCHECK raises no click; the partner in the same group is deselected.
    for (auto& [name, c] : m_controls) {
        if (c.row->kind == ControlKind::Option && c.row->container == chosen->row->container)
            SendMessageW(c.hwnd, BM_SETCHECK, &c == chosen ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool PanelWindow::isSelected(std::string_view option) const {
    const Control* c = find(option);
    return c != nullptr && c->row->kind == ControlKind::Option &&
           SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

TwipSize PanelWindow::outerSize() const {
    return {double(kClientWidth + kFrameWidth), m_outerHeight};
}

void PanelWindow::setOuterHeight(double twips) {
    m_outerHeight = twips;
    setClientHeight();
}

void PanelWindow::move(double left, double top) {
    SetWindowPos(m_hwnd, nullptr, toPixels(left, m_twipsPerPixel), toPixels(top, m_twipsPerPixel),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipSize PanelWindow::screenSize() const {
    // The whole primary screen, as the placement reasons about it (not the work area).
    return {GetSystemMetrics(SM_CXSCREEN) * m_twipsPerPixel,
            GetSystemMetrics(SM_CYSCREEN) * m_twipsPerPixel};
}

void PanelWindow::quit(int status) {
    endHold();
    ShowWindow(m_hwnd, SW_HIDE);
    quitMessageLoop(status);
}

}  // namespace r7k::win
