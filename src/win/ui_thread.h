#pragma once

#include <windows.h>

#include <functional>

namespace r7k::win {

// The UI thread's own queue. Timer and serial threads hand their events to the UI thread
// through it, so the panel's handlers all run there, one at a time, as on every platform.

// Once, on the UI thread, before anything is posted.
void initUiThread();
// Runs `work` on the UI thread, after what the same thread posted before. Safe from any thread,
// also while a modal box runs its own loop (the box's loop delivers it).
void postToUi(std::function<void()> work);
// Runs the message loop until quitMessageLoop(); `preview` sees each message first and returns
// true when it took it (the window's key preview and dialog navigation). Returns the status
// given to quitMessageLoop.
int runMessageLoop(const std::function<bool(MSG&)>& preview = {});
void quitMessageLoop(int status);

}  // namespace r7k::win
