// r7k-floor.exe: what any plain Win32 window costs, the floor r7k-panel.exe's start-up is
// measured against. One fixed-size window holding as many standard controls of the same kinds
// as the panel's layout, in the default font, placed as the layout places them, with the same
// application manifest (bench/win_floor.rc); nothing else.
#include <windows.h>

#include <string>

#include "panel/layout.h"

namespace {

std::wstring wide(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), int(out.size()));
    out.resize(std::size_t(n > 0 ? n : 0));
    return out;
}

LRESULT CALLBACK floorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = floorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"r7k-floor";
    RegisterClassW(&wc);
    RECT r{0, 0, r7k::kClientWidth / 15, r7k::kCompactBand / 15};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&r, style, FALSE);
    HWND window =
        CreateWindowW(L"r7k-floor", L"r7k-floor", style, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    for (const r7k::ControlSpec& row : r7k::kControls) {
        const wchar_t* cls = L"STATIC";
        DWORD kind = 0;
        switch (row.kind) {
            case r7k::ControlKind::Button:
                cls = L"BUTTON";
                kind = BS_PUSHBUTTON;
                break;
            case r7k::ControlKind::Option:
                cls = L"BUTTON";
                kind = BS_RADIOBUTTON;
                break;
            case r7k::ControlKind::TextBox:
                cls = L"EDIT";
                kind = ES_AUTOHSCROLL | WS_BORDER;
                break;
            case r7k::ControlKind::Frame:
                cls = L"BUTTON";
                kind = BS_GROUPBOX;
                break;
            default:
                break;
        }
        // All on the window itself, at the place their container gives them.
        int left = row.left, top = row.top;
        for (auto* c = r7k::findControl(row.container); c; c = r7k::findControl(c->container)) {
            left += c->left;
            top += c->top;
        }
        CreateWindowW(cls, wide(row.caption).c_str(), WS_CHILD | WS_VISIBLE | kind, left / 15,
                      top / 15, row.width / 15, row.height / 15, window, nullptr, instance,
                      nullptr);
    }
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
