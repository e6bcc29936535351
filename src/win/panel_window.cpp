#include "win/panel_window.h"
#include "panel/controls.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "panel/accessible_names.h"
#include "panel/pixels.h"
#include "protocol/catalogue.h"
#include "resource_ids.h"
#include "win/ui_thread.h"
#include "win/wide.h"

namespace r7k::win {

namespace {

constexpr wchar_t kWindowClass[] = L"R7kPanelWindow";
constexpr wchar_t kFrameClass[] = L"R7kPanelFrame";
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;

void registerClasses(HINSTANCE instance, WNDPROC windowProc, WNDPROC frameProc) {
    static const bool registered = [=] {
        WNDCLASSEXW window{};
        window.cbSize = sizeof window;
        window.lpfnWndProc = windowProc;
        window.hInstance = instance;
        window.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(R7K_IDI_APP));
        window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window.lpszClassName = kWindowClass;
        RegisterClassExW(&window);
        WNDCLASSEXW frame = window;
        frame.hIcon = nullptr;
        frame.lpfnWndProc = frameProc;
        frame.lpszClassName = kFrameClass;
        RegisterClassExW(&frame);
        return true;
    }();
    (void)registered;
}

}  // namespace

PanelWindow::PanelWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    registerClasses(instance, &windowProc, &frameProc);
    m_hwnd =
        CreateWindowExW(0, kWindowClass, toWide(kWindowTitle).c_str(), kWindowStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The resolution first, so every control is made where it belongs: placing each one again
    // afterwards costs a round of window messages per control at start-up.
    scaleTo(GetDpiForWindow(m_hwnd));
    build();
    layOut(false);
}

PanelWindow::~PanelWindow() {
    m_form = nullptr;  // the panel core may already be gone
    for (auto& [name, c] : m_controls)
        m_access.forget(c.hwnd);
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    for (auto& [colour, brush] : m_brushes)
        DeleteObject(brush);
    if (m_logo)
        DeleteObject(m_logo);
}

void PanelWindow::build() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    int id = kFirstControlId;
    for (const ControlSpec& row : kControls) {
        HWND parent = row.container.empty() ? m_hwnd : find(row.container)->hwnd;
        Control& c = m_controls[std::string(row.name)];
        c.row = &row;
        c.caption = std::string(row.caption);
        c.visible = row.visible;
        c.hold = findHold(row.name) != nullptr;
        // Owner-drawn controls carry their accessible name as window text: what screen
        // readers fall back on, never painted.
        const std::string named = accessibleName(row.name);
        std::wstring text = toWide(named.empty() ? row.caption : named);
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (row.visible ? WS_VISIBLE : 0);
        DWORD exStyle = 0;
        const wchar_t* windowClass = L"STATIC";
        switch (row.kind) {
            case ControlKind::Frame:
                windowClass = kFrameClass;
                style |= WS_CLIPCHILDREN;
                exStyle = WS_EX_CONTROLPARENT;
                text.clear();
                break;
            case ControlKind::Label:
                style |= SS_OWNERDRAW;
                break;
            case ControlKind::Image:
                style |= SS_OWNERDRAW | SS_NOTIFY;  // SS_NOTIFY: the double-click
                break;
            case ControlKind::Button:
                windowClass = L"BUTTON";
                style |= BS_OWNERDRAW | WS_TABSTOP;
                break;
            case ControlKind::Option:
                // Not automatic: the program decides which option is selected.
                windowClass = L"BUTTON";
                style |= BS_RADIOBUTTON | WS_TABSTOP;
                text = toWide(row.caption);
                break;
            case ControlKind::TextBox:
                windowClass = L"EDIT";
                style |= ES_AUTOHSCROLL | WS_TABSTOP;
                exStyle = WS_EX_CLIENTEDGE;
                text.clear();
                break;
        }
        const PixelRect r = pixelRect(row, m_twipsPerPixel);
        c.hwnd = CreateWindowExW(exStyle, windowClass, text.c_str(), style, r.left, r.top, r.width,
                                 r.height, parent, reinterpret_cast<HMENU>(INT_PTR(id++)), instance,
                                 nullptr);
        // Only what the operator can press or type in needs the panel's own handling; each
        // subclassing costs a round of window calls at start-up.
        if (row.kind == ControlKind::Button || row.kind == ControlKind::Option ||
            row.kind == ControlKind::TextBox)
            SetWindowSubclass(c.hwnd, controlProc, reinterpret_cast<UINT_PTR>(this),
                              reinterpret_cast<DWORD_PTR>(&c));
        if (row.kind == ControlKind::Option && row.selected)
            SendMessageW(c.hwnd, BM_SETCHECK, BST_CHECKED, 0);
        if (row.kind == ControlKind::TextBox)
            SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);  // no limit of its own
        if (row.kind == ControlKind::Button || row.kind == ControlKind::Option ||
            row.kind == ControlKind::TextBox)
            m_tabOrder.push_back(&c);
    }
    // The port group covers the COM button while shown.
    SetWindowPos(find(control::kPortGroup)->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    std::stable_sort(m_tabOrder.begin(), m_tabOrder.end(),
                     [](const Control* a, const Control* b) { return a->row->tab < b->row->tab; });
    m_lastFocus = find(control::kFirstButton)->hwnd;

    m_tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, instance, nullptr);
    for (const std::string_view option : {control::kCom1, control::kCom2}) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(find(option)->hwnd);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void PanelWindow::scaleTo(UINT dpi) {
    m_fonts.setDpi(dpi == 0 ? USER_DEFAULT_SCREEN_DPI : dpi);
    m_twipsPerPixel = twipsPerPixelAt(m_fonts.dpi());
}

void PanelWindow::layOut(bool place) {
    for (auto& [name, c] : m_controls) {
        if (place) {
            const PixelRect r = pixelRect(*c.row, m_twipsPerPixel);
            SetWindowPos(c.hwnd, nullptr, r.left, r.top, r.width, r.height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        c.fitted = false;
        if (c.row->kind == ControlKind::Option || c.row->kind == ControlKind::TextBox)
            SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts.font(c.row->font)),
                         place);
    }
    // The logo's own pixels at 100 %; above that, the sharper bitmap of twice the size.
    const bool twice = m_fonts.dpi() > USER_DEFAULT_SCREEN_DPI;
    if (m_logo == nullptr || twice != m_logo2x) {
        if (m_logo)
            DeleteObject(m_logo);
        m_logo = static_cast<HBITMAP>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(twice ? R7K_IDB_LOGO_2X : R7K_IDB_LOGO),
            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        m_logo2x = twice;
    }
    setClientHeight();
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void PanelWindow::setClientHeight() {
    // The client band keeps its laid-out height whatever this platform's frame takes.
    RECT r{0, 0, toPixels(kClientWidth, m_twipsPerPixel),
           clientPixelsForOuterHeight(m_outerHeight, m_twipsPerPixel)};
    AdjustWindowRectExForDpi(&r, kWindowStyle, FALSE, 0, m_fonts.dpi());
    SetWindowPos(m_hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PanelWindow::Control* PanelWindow::find(std::string_view name) {
    auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : &it->second;
}

const PanelWindow::Control* PanelWindow::find(std::string_view name) const {
    auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : &it->second;
}

PanelWindow::Control* PanelWindow::find(HWND hwnd) {
    for (auto& [name, c] : m_controls) {
        if (c.hwnd == hwnd)
            return &c;
    }
    return nullptr;
}

HWND PanelWindow::control(std::string_view name) const {
    const Control* c = find(name);
    return c ? c->hwnd : nullptr;
}

LRESULT CALLBACK PanelWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PanelWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || message == WM_NCDESTROY) {
        if (self)
            self->m_hwnd = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK PanelWindow::frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (auto* self = reinterpret_cast<PanelWindow*>(
                    GetWindowLongPtrW(GetAncestor(hwnd, GA_ROOT), GWLP_USERDATA)))
                self->paintFrame(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_NOTIFY:
            // The window handles its controls' notifications, whatever group they are in.
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT PanelWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hwnd, &ps);
            paintWindow(dc);
            EndPaint(m_hwnd, &ps);
            return 0;
        }
        case WM_DRAWITEM:
            drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (const Control* c = find(reinterpret_cast<HWND>(lParam))) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                const Colour& back = c->row->back;
                SetBkColor(dc, RGB(back.red, back.green, back.blue));
                SetTextColor(dc, RGB(c->row->fore.red, c->row->fore.green, c->row->fore.blue));
                return reinterpret_cast<LRESULT>(brushFor(back));
            }
            break;
        case WM_COMMAND:
            onCommand(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                // Another window took the input: the release will not come here.
                endHold();
                if (const HWND focus = GetFocus(); focus && IsChild(m_hwnd, focus))
                    m_lastFocus = focus;
            } else if (m_lastFocus && !HIWORD(wParam)) {
                SetFocus(m_lastFocus);
            }
            return 0;
        case WM_SHOWWINDOW:
            if (!wParam)
                endHold();
            break;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED)
                endHold();
            break;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            scaleTo(HIWORD(wParam));
            layOut(true);
            SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            // The operator closed the window: the program ends, as it does on every platform.
            quit(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

}  // namespace r7k::win
