// r7k-pjlink.exe: the projector on a COM port or gateway, answering PJLink on the network; in
// a console, or as the Windows service (`r7k-pjlink service ...`).
#include <windows.h>

#include <atomic>

#include "pjlink/options.h"
#include "pjlink/win/bridge.h"
#include "pjlink/win/log.h"
#include "pjlink/win/service_host.h"
#include "pjlink/win/service_setup.h"
#include "win/console.h"
#include "win/ui_thread.h"

namespace {

using r7k::pjlink::win::logLine;

constexpr int kUsage = 2;
int serviceUsage(const std::string& message) {
    r7k::win::writeErr("r7k-pjlink: " + message +
                       "\nTry 'r7k-pjlink --help' for more information.\n");
    return kUsage;
}

// What a stop from the console does on the UI thread; set while the loop runs.
std::atomic<bool> g_running = false;
HANDLE g_stopped = nullptr;  // set once the UI thread has closed the port after a stop
r7k::pjlink::win::Bridge* g_bridge = nullptr;

const char* stopName(DWORD kind) {
    switch (kind) {
        case CTRL_C_EVENT:
            return "Ctrl+C";
        case CTRL_BREAK_EVENT:
            return "Ctrl+Break";
        case CTRL_CLOSE_EVENT:
            return "the console's closing";
        default:
            return "the end of the session";
    }
}

BOOL WINAPI onConsoleStop(DWORD kind) {
    if (!g_running)
        ExitProcess(0);  // nothing is open yet
    r7k::win::postToUi([kind] {
        if (g_bridge) {
            logLine(std::string("stopped by ") + stopName(kind) + "; the port is closed");
            g_bridge->stop();
            g_bridge = nullptr;
            r7k::win::quitMessageLoop(0);
        }
        SetEvent(g_stopped);
    });
    // A closing console ends the process as soon as this returns: let the port close first.
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_stopped, 3000);
    return TRUE;
}

// The options read, as the Linux program reads them; none after help, version or an error,
// which `status` then holds.
std::optional<r7k::pjlink::Config> readConfig(const std::vector<std::string>& args, int& status) {
    r7k::pjlink::Invocation call = r7k::pjlink::readOptions(args, R7K_VERSION);
    if (!call.out.empty())
        r7k::win::writeOut(call.out);
    if (!call.err.empty())
        r7k::win::writeErr(call.err);
    status = call.status;
    return call.config;
}

int runConsole(const r7k::pjlink::Config& config) {
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleStop, TRUE);
    r7k::win::initUiThread();
    r7k::pjlink::win::Bridge bridge(config);
    std::string error;
    if (!bridge.start(error)) {
        logLine(error);
        return 1;
    }
    g_bridge = &bridge;
    g_running = true;
    const int status = r7k::win::runMessageLoop();
    g_running = false;
    g_bridge = nullptr;
    return status;
}

// Under the service manager: the messages go to the log file, STOP closes the port and the
// sockets.
int runService(const std::vector<std::string>& options) {
    using namespace r7k::pjlink::win;
    const bool dispatched = runAsService([&options](ServiceRun& control) {
        std::string error;
        if (!openLogFile(logFile(), error))
            return 1;  // with nowhere to tell why; the service manager records the status
        r7k::pjlink::Invocation call = r7k::pjlink::readOptions(options, R7K_VERSION);
        if (!call.config) {
            // Its first line, without the program's name that every log line has.
            std::string why = call.err.substr(0, call.err.find('\n'));
            if (why.rfind("r7k-pjlink: ", 0) == 0)
                why.erase(0, 12);
            if (!why.empty())
                logLine(why);
            return call.status == 0 ? kUsage : call.status;
        }
        r7k::win::initUiThread();
        Bridge bridge(*call.config);
        control.onStop = [&bridge] {
            r7k::win::postToUi([&bridge] {
                logLine("stopped by the service manager; the port is closed");
                bridge.stop();
                r7k::win::quitMessageLoop(0);
            });
        };
        if (!bridge.start(error)) {
            logLine(error);
            return 1;
        }
        control.running();
        // A STOP after the loop has ended posts to a loop that no longer runs: harmless.
        return r7k::win::runMessageLoop();
    });
    if (dispatched)
        return 0;
    return serviceUsage(
        "service run: only the service manager runs this ('r7k-pjlink service "
        "start' asks it to)");
}

int serviceCommand(const std::vector<std::string>& args) {
    using namespace r7k::pjlink::win;
    if (args.size() < 2)
        return serviceUsage("service: expected install, start, stop or remove");
    const std::string& what = args[1];
    const std::vector<std::string> rest(args.begin() + 2, args.end());
    if (what == "run")
        return runService(rest);
    if (what == "install") {
        int status = 0;
        if (!readConfig(rest, status))
            return status;
        return installService(rest);
    }
    if (!rest.empty())
        return serviceUsage("service " + what + ": unexpected argument '" + rest[0] + "'");
    if (what == "start")
        return startService();
    if (what == "stop")
        return stopService();
    if (what == "remove")
        return removeService();
    return serviceUsage("service " + what + ": expected install, start, stop or remove");
}

}  // namespace

int wmain() {
    std::vector<std::string> args = r7k::win::utf8Arguments();
    if (!args.empty())
        args.erase(args.begin());
    if (!args.empty() && args[0] == "service")
        return serviceCommand(args);
    int status = 0;
    const auto config = readConfig(args, status);
    return config ? runConsole(*config) : status;
}
