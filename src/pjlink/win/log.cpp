#include "pjlink/win/log.h"

#include <windows.h>

#include <mutex>

#include "win/console.h"

namespace r7k::pjlink::win {
namespace {

HANDLE g_file = INVALID_HANDLE_VALUE;
std::mutex g_mutex;  // the service's control handler logs from another thread

}  // namespace

void logLine(const std::string& text) {
    const std::lock_guard lock(g_mutex);
    if (g_file == INVALID_HANDLE_VALUE)
        return r7k::win::writeErr("r7k-pjlink: " + text + "\n");
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u ", t.wYear, t.wMonth, t.wDay, t.wHour,
              t.wMinute, t.wSecond);
    const std::string line = stamp + text + "\r\n";
    DWORD written = 0;
    WriteFile(g_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool openLogFile(const std::wstring& path, std::string& error) {
    const std::lock_guard lock(g_mutex);
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    // Others may read it while the service writes; each line goes to its end.
    g_file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_file != INVALID_HANDLE_VALUE)
        return true;
    error = r7k::win::toUtf8(path) + " cannot be opened (Windows error " +
            std::to_string(GetLastError()) + ")";
    return false;
}

}  // namespace r7k::pjlink::win
