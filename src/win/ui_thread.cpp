#include "win/ui_thread.h"

#include <atomic>
#include <memory>

namespace r7k::win {
namespace {

constexpr UINT kRunWork = WM_APP + 0x71;
constexpr wchar_t kClassName[] = L"r7k.ui_thread";

std::atomic<HWND> g_queue{nullptr};

// The message-only window's procedure: runs each posted piece of work, once.
LRESULT CALLBACK queueProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunWork) {
        // Owned here from now on, even if the work throws.
        const std::unique_ptr<std::function<void()>> work(
            reinterpret_cast<std::function<void()>*>(lParam));
        if (work && *work)
            (*work)();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void initUiThread() {
    if (g_queue.load())
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = queueProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    // A message-only window: it is never shown, and its messages are dispatched by any loop on
    // this thread, a modal box's included.
    g_queue = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
}

void postToUi(std::function<void()> work) {
    const HWND queue = g_queue.load();
    if (!queue)
        return;
    auto* item = new std::function<void()>(std::move(work));
    // PostMessage keeps the order of one thread's posts. It fails only when the queue is full
    // (10 000 messages) or the window is gone; the work is then dropped rather than leaked.
    if (!PostMessageW(queue, kRunWork, 0, reinterpret_cast<LPARAM>(item)))
        delete item;
}

int runMessageLoop(const std::function<bool(MSG&)>& preview) {
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 1;
        if (preview && preview(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void quitMessageLoop(int status) {
    PostQuitMessage(status);
}

}  // namespace r7k::win
