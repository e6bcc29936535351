#include "win/console.h"

#include "win/late_library.h"

#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>

#include <algorithm>

namespace r7k::win {
namespace {

bool redirected(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = GetFileType(h);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Where one stream's text goes: a console (UTF-16), anything else (UTF-8 bytes with CR LF line
// ends), or nowhere.
struct Sink {
    HANDLE handle = nullptr;
    bool console = false;
};

bool g_attached = false;

// A line feed not already after a carriage return becomes CR LF: files and pipes get Windows'
// line ends, which Notepad, type, findstr and PowerShell expect.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

Sink sinkFor(DWORD which) {
    HANDLE h = GetStdHandle(which);
    DWORD mode = 0;
    if (h != nullptr && h != INVALID_HANDLE_VALUE) {
        if (redirected(h))
            return {h, false};
        if (GetConsoleMode(h, &mode))
            return {h, true};
        if (GetFileType(h) == FILE_TYPE_CHAR)
            return {h, false};  // a character device such as NUL
    }
    if (g_attached || GetConsoleWindow()) {
        // A GUI program's standard handles stay empty after attaching: write to the console
        // itself.
        h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return {h, true};
    }
    return {};
}

void write(DWORD which, std::string_view utf8) {
    // Decided at the first write, after attachConsole() had its say.
    static const Sink out = sinkFor(STD_OUTPUT_HANDLE);
    static const Sink err = sinkFor(STD_ERROR_HANDLE);
    const Sink& sink = which == STD_ERROR_HANDLE ? err : out;
    if (!sink.handle)
        return;
    if (sink.console) {
        const std::wstring wide = toWide(utf8);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!WriteConsoleW(sink.handle, wide.data() + done, chunk, &n, nullptr) || n == 0)
                return;
            done += n;
        }
        return;
    }
    const std::string bytes = withCrLf(utf8);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 65536));
        if (!WriteFile(sink.handle, bytes.data() + done, chunk, &n, nullptr) || n == 0)
            return;  // a closed pipe: nobody reads any more
        done += n;
    }
}

}  // namespace

bool attachConsole() {
    const bool outRedirected = redirected(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool errRedirected = redirected(GetStdHandle(STD_ERROR_HANDLE));
    if (outRedirected && errRedirected)
        return true;
    if (GetConsoleWindow())
        return true;  // a console program: it has its own
    g_attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    return g_attached || outRedirected || errRedirected;
}

void writeOut(std::string_view utf8) {
    write(STD_OUTPUT_HANDLE, utf8);
}

void writeErr(std::string_view utf8) {
    write(STD_ERROR_HANDLE, utf8);
}

std::vector<std::string> utf8Arguments() {
    std::vector<std::string> args;
    int count = 0;
    static auto* const split =
        lateFunction<decltype(CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
    LPWSTR* argv = split ? split(GetCommandLineW(), &count) : nullptr;
    if (!argv)
        return args;
    for (int i = 0; i < count; ++i)
        args.push_back(toUtf8(argv[i]));
    LocalFree(argv);
    return args;
}

}  // namespace r7k::win
