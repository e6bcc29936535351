// r7k-ctl.exe: the panel's commands and queries from scripts, run on the panel's own core.
#include <windows.h>

#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>

#include "cli/command_line.h"
#include "ctl/json_line.h"
#include "ctl/runner.h"
#include "ctl/steps.h"
#include "link/port_address.h"
#include "win/console.h"
#include "win/perf_clock.h"
#include "win/ui_thread.h"
#include "win/win_port_router.h"
#include "win/win_timer.h"

namespace {

using r7k::ctl::kExitUsage;

// The usage line, the description every platform shares, then this build's options.
constexpr const char* kOptionsHelp =
    "\n"
    "Options:\n"
    "  --port <DEVICE>  the projector's COM port (COM7, or \\\\.\\NAME) or gateway\n"
    "                   (tcp://HOST:PORT, rfc2217://HOST:PORT), as the panel's --com1\n"
    "                   (default COM1)\n"
    "  --speed <BAUD>   line speed: 19200 (default) or 9600\n"
    "  --timeout <MS>   wait this long for each reply instead of the panel's reply\n"
    "                   time-out\n"
    "  --json           print one JSON object per step (JSON Lines)\n"
    "  -h, --help       show this help, then exit\n"
    "  -v, --version    show the version, then exit\n"
    "\n"
    "Arguments:\n"
    "  steps            the steps to run, in order; or 'list'\n";

constexpr int kMaxTimeoutMs = 3'600'000;
constexpr int kInterrupted = 130;  // as a shell reports a program ended by Ctrl+C

constexpr std::array<r7k::cli::OptionSpec, 6> kOptions{{
    {"port", 0, true},
    {"speed", 0, true},
    {"timeout", 0, true},
    {"json", 0, false},
    {"help", 'h', false},
    {"version", 'v', false},
}};

int usageError(const std::string& message) {
    r7k::win::writeErr("r7k-ctl: " + message + "\nTry 'r7k-ctl --help' for more information.\n");
    return kExitUsage;
}

// Set by the run: what a stop from the console does on the UI thread.
r7k::ctl::Runner* g_runner = nullptr;
std::atomic<bool> g_running = false;  // the message loop runs and g_runner is set
HANDLE g_stopped = nullptr;           // set once the UI thread has closed the port after a stop

BOOL WINAPI onConsoleStop(DWORD kind) {
    if (!g_running)
        ExitProcess(kInterrupted);  // nothing is open yet
    r7k::win::postToUi([] {
        if (g_runner)
            g_runner->interrupt(kInterrupted);
        SetEvent(g_stopped);
    });
    // A closing console ends the process as soon as this returns: let the port close first.
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_stopped, 3000);
    return TRUE;
}

}  // namespace

int wmain() {
    using r7k::win::writeOut;
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleStop, TRUE);
    std::vector<std::string> args = r7k::win::utf8Arguments();
    if (!args.empty())
        args.erase(args.begin());
    // Everything after the first step is a step, so "send -X" or "wait -1" are read as steps.
    const r7k::cli::CommandLine line = r7k::cli::parseCommandLine(args, kOptions, true);
    if (!line.error.empty())
        return usageError(line.error);
    if (line.has("help")) {
        writeOut(std::string("Usage: r7k-ctl [options] STEP...|list\n") + r7k::ctl::kDescription +
                 "\n" + kOptionsHelp);
        return 0;
    }
    if (line.has("version")) {
        writeOut(std::string("r7k-ctl ") + R7K_VERSION + "\n");
        return 0;
    }
    if (line.positional == std::vector<std::string>{"list"}) {
        writeOut(r7k::ctl::stepListing());
        return 0;
    }
    if (line.positional.empty())
        return usageError("no steps given");
    const r7k::ctl::ParsedSteps parsed = r7k::ctl::parseSteps(line.positional);
    if (!parsed.error.empty())
        return usageError(parsed.error);

    r7k::ctl::RunOptions options;
    const std::string baud = line.value("speed").value_or("19200");
    if (baud != "19200" && baud != "9600")
        return usageError("--speed " + baud + ": expected 19200 or 9600");
    options.speed9600 = baud == "9600";
    if (const auto timeout = line.value("timeout")) {
        int ms = 0;
        const auto [end, ec] =
            std::from_chars(timeout->data(), timeout->data() + timeout->size(), ms);
        if (ec != std::errc{} || end != timeout->data() + timeout->size() || ms < 1 ||
            ms > kMaxTimeoutMs)
            return usageError("--timeout " + *timeout +
                              ": expected milliseconds from 1 to 3600000");
        options.timeout = std::chrono::milliseconds{ms};
    }
    const std::string device = line.value("port").value_or("COM1");
    const r7k::PortAddressResult address = r7k::parsePortAddress(device);
    if (!address.address)
        return usageError("--port " + device + ": " + address.error);

    r7k::win::initUiThread();
    // COM2 is never used by a run.
    r7k::win::WinPortRouter serial(*address.address, *r7k::parsePortAddress("NUL").address);
    r7k::HeadlessWindow window;
    r7k::win::WinTimer timer1, timer2, timer3, timer4, relink, pace;
    r7k::ctl::Runner runner({timer1, timer2, timer3, timer4, relink}, serial, window, pace,
                            [] { return r7k::ctl::microseconds{r7k::win::counterMicroseconds()}; });
    g_runner = &runner;
    g_running = true;

    const bool asJson = line.has("json");
    r7k::win::postToUi([&] {
        runner.start(
            parsed.steps, options,
            [asJson](const r7k::ctl::StepResult& result) {
                writeOut(asJson ? r7k::ctl::jsonLine(result) : humanLine(result) + '\n');
            },
            [](int status, const std::string& message) {
                if (!message.empty())
                    r7k::win::writeErr("r7k-ctl: " + message + "\n");
                r7k::win::quitMessageLoop(status);
            });
    });
    const int status = r7k::win::runMessageLoop();
    g_running = false;
    g_runner = nullptr;
    return status;
}
