// r7k-ctl.exe: the panel's commands and queries from scripts, run on the panel's own core.
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "base/command_line.h"
#include "ctl/invocation.h"
#include "session/script_runner.h"
#include "transport/port_address.h"
#include "win/console.h"
#include "win/perf_clock.h"
#include "win/registry_settings.h"
#include "win/ui_thread.h"
#include "win/win_port_router.h"
#include "win/win_timer.h"

namespace {

using r7k::session::kExitUsage;

constexpr const char* kPortHelp =
    "the projector's COM port (COM7, or \\\\.\\NAME) or gateway (tcp://HOST:PORT,\n"
    "                   rfc2217://HOST:PORT);";
constexpr int kInterrupted = 130;  // as a shell reports a program ended by Ctrl+C

int usageError(const std::string& message) {
    r7k::win::writeErr("r7k-ctl: " + message + "\nTry 'r7k-ctl --help' for more information.\n");
    return kExitUsage;
}

// Set by the run: what a stop from the console does on the UI thread.
r7k::session::ScriptRunner* g_runner = nullptr;
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
    std::vector<std::string> args = r7k::cli::windowsHelpWords(r7k::win::utf8Arguments());
    if (!args.empty())
        args.erase(args.begin());
    const r7k::ctl::Invocation call = r7k::ctl::readInvocation(args);
    if (!call.error.empty())
        return usageError(call.error);
    switch (call.action) {
        case r7k::ctl::Action::Help:
            writeOut(r7k::ctl::helpText(kPortHelp));
            return 0;
        case r7k::ctl::Action::Version:
            writeOut(std::string("r7k-ctl ") + R7K_VERSION + "\n");
            return 0;
        case r7k::ctl::Action::List:
            writeOut(r7k::ctl::stepListing());
            return 0;
        case r7k::ctl::Action::Run:
            break;
    }
    r7k::win::RegistryStore registry(r7k::win::kPortsSubkey);
    const std::string device = r7k::ctl::runDevice(
        call.port, registry,
        [](const std::string& problem) { r7k::win::writeErr("r7k-ctl: " + problem + "\n"); });
    const r7k::PortAddressResult address = r7k::parsePortAddress(device);
    if (!address.address)
        return usageError("--port " + device + ": " + address.error);

    r7k::win::initUiThread();
    // COM2 is never used by a run.
    r7k::win::WinPortRouter serial(*address.address, *r7k::parsePortAddress("NUL").address);
    serial.setPortName(1, r7k::ctl::runPortName(call.port));
    r7k::HeadlessWindow window;
    r7k::TimerSet<r7k::win::WinTimer> timers;
    r7k::win::WinTimer pace;
    r7k::session::ScriptRunner runner(timers.panel(), serial, window, pace, [] {
        return r7k::session::microseconds{r7k::win::counterMicroseconds()};
    });
    g_runner = &runner;
    g_running = true;

    r7k::win::postToUi([&] {
        runner.start(
            call.steps, call.options,
            [&call](const r7k::session::StepResult& result) {
                writeOut(r7k::ctl::outputLine(result, call.output));
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
