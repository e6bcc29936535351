#include "pjlink/win/socket_events.h"

#include <windows.h>

#include <map>
#include <string>

#include "win/console.h"

namespace r7k::pjlink::win {
namespace {

constexpr UINT kSocketMessage = WM_APP + 0x52;
constexpr wchar_t kClassName[] = L"r7k.pjlink.sockets";

HWND g_window = nullptr;

std::map<SOCKET, SocketEvents::Handler>& handlers() {
    static std::map<SOCKET, SocketEvents::Handler> map;
    return map;
}

LRESULT CALLBACK socketProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kSocketMessage)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    const auto it = handlers().find(static_cast<SOCKET>(wParam));
    // A message may arrive after its socket was forgotten (and a new one may have its number);
    // a copy of the handler survives the handler's own forget().
    if (it != handlers().end()) {
        const SocketEvents::Handler handler = it->second;
        handler(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    }
    return 0;
}

}  // namespace

bool SocketEvents::start(std::string* error) {
    if (g_window)
        return true;
    WSADATA data;
    if (const int code = WSAStartup(MAKEWORD(2, 2), &data); code != 0) {
        *error = "Winsock cannot be started: " + socketError(code);
        return false;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = socketProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    g_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    if (!g_window)
        *error = "the sockets' message window cannot be made";
    return g_window != nullptr;
}

bool SocketEvents::watch(SOCKET socket, long events, Handler handler) {
    handlers()[socket] = std::move(handler);
    if (WSAAsyncSelect(socket, g_window, kSocketMessage, events) == 0)
        return true;
    handlers().erase(socket);
    return false;
}

void SocketEvents::select(SOCKET socket, long events) {
    WSAAsyncSelect(socket, g_window, kSocketMessage, events);
}

void SocketEvents::forget(SOCKET socket) {
    WSAAsyncSelect(socket, g_window, 0, 0);
    handlers().erase(socket);
}

std::string socketError(int code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = text ? r7k::win::toUtf8(text) : std::string();
    LocalFree(text);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out.empty() ? "Winsock error " + std::to_string(code) : out;
}

}  // namespace r7k::pjlink::win
