// r7k-panel.exe: the control panel window, wired to the COM ports and the panel core.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "base/command_line.h"
#include "panel/controller.h"
#include "panel/trace_line.h"
#include "transport/port_address.h"
#include "transport/port_mapping.h"
#include "win/box_text.h"
#include "win/console.h"
#include "win/panel_window.h"
#include "win/port_menu.h"
#include "win/registry_settings.h"
#include "win/serial_ports.h"
#include "win/ui_thread.h"
#include "win/win_port_router.h"
#include "win/win_timer.h"

namespace {

constexpr const char* kUsage =
    "Usage: r7k-panel [options]\n"
    "Control panel for R7KM and R7K projectors on a serial line (COM1 at 19200,N,8,1 at "
    "start).\n"
    "\n"
    "Options:\n"
    "  --com1 <DEVICE>  The device that stands for COM1 (default: the registry's, else COM1):\n"
    "                   COM7 or \\\\.\\NAME; or a serial-to-network gateway: tcp://HOST:PORT\n"
    "                   (a raw byte stream) or rfc2217://HOST:PORT (Telnet, which also sets\n"
    "                   the gateway's speed).\n"
    "  --com2 <DEVICE>  The device that stands for COM2 (default: the registry's, else COM2).\n"
    "  --trace          Print every TXD, RXD and STATUS line as it is set: milliseconds since\n"
    "                   start, a tab, TXD, RXD or STATUS, a tab, the text.\n"
    "  --list-ports     List the serial ports this machine knows, then exit.\n"
    "  -h, --help       Show this help, then exit.\n"
    "  -v, --version    Show the version, then exit.\n";

constexpr r7k::cli::OptionSpec kOptions[] = {{"com1", 0, true},    {"com2", 0, true},
                                             {"trace", 0, false},  {"list-ports", 0, false},
                                             {"help", 'h', false}, {"version", 'v', false}};

const wchar_t kProgram[] = L"r7k-panel";

// Started from a shortcut or Explorer, the panel has neither a console nor a redirect: what
// it would print is shown in a box instead, or it would vanish without a word.
bool g_canPrint = true;

void tell(const std::string& text, bool error) {
    if (g_canPrint) {
        (error ? r7k::win::writeErr : r7k::win::writeOut)(text);
        return;
    }
    MessageBoxW(nullptr, r7k::win::toWide(r7k::win::boxText(text)).c_str(), kProgram,
                (error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_OK | MB_SETFOREGROUND);
}

int usageError(const std::string& why) {
    tell("r7k-panel: " + why + "\n\n" + kUsage, true);
    return 2;
}

// The COM ports Windows knows, what COM1 and COM2 stand for now and where that comes from,
// and what the registry had that could not be used.
int listPorts(const r7k::win::RegistrySettings& settings, const std::string options[2]) {
    using r7k::win::writeOut;
    const auto ports = r7k::win::availableSerialPorts();
    if (ports.empty())
        writeOut("No serial ports found. Plug in the USB-serial adapter and try again.\n");
    for (const auto& p : ports) {
        writeOut(p.port + "\n");
        if (!p.friendlyName.empty() && p.friendlyName != p.port)
            writeOut("  description    " + p.friendlyName + "\n");
        if (!p.manufacturer.empty())
            writeOut("  manufacturer   " + p.manufacturer + "\n");
    }
    writeOut(std::string(r7k::kGatewayNote) + "\n");
    for (int port : {1, 2}) {
        const r7k::PortMapping m = settings.mapping(port, options[port - 1]);
        writeOut("COM" + std::to_string(port) + " = " + m.address + " (" +
                 std::string(r7k::originText(m.origin)) + ")\n");
    }
    writeOut("Settings: " + settings.where() + "\n");
    for (const std::string& problem : settings.problems())
        writeOut("  " + problem + "\n");
    return 0;
}

// With R7K_STARTUP_TRACE set, the start-up's stages go to standard error with the milliseconds
// since the process was created, for the benchmarks' breakdown of where the time goes.
void stamp(const char* stage) {
    static const bool on = GetEnvironmentVariableW(L"R7K_STARTUP_TRACE", nullptr, 0) > 0;
    if (!on)
        return;
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    char line[160];
    snprintf(line, sizeof line, "startup\t%.1f ms\t%s\n",
             double(ticks(now) - ticks(created)) / 10000.0, stage);
    r7k::win::writeErr(line);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const auto started = std::chrono::steady_clock::now();
    stamp("main");
    g_canPrint = r7k::win::attachConsole();
    stamp("console");
    std::vector<std::string> args = r7k::cli::windowsHelpWords(r7k::win::utf8Arguments());
    if (!args.empty())
        args.erase(args.begin());
    const r7k::cli::CommandLine line = r7k::cli::parseCommandLine(args, kOptions, false);
    if (!line.error.empty())
        return usageError(line.error);
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional.front() + "'");
    if (line.has("help")) {
        tell(kUsage, false);
        return 0;
    }
    if (line.has("version")) {
        tell(std::string("r7k-panel ") + R7K_VERSION + "\n", false);
        return 0;
    }
    std::string options[2];
    for (int port : {1, 2}) {
        const std::string name = "com" + std::to_string(port);
        const auto value = line.value(name);
        if (!value)
            continue;
        // By the rule of a stored value: a name Windows could not open is refused here.
        if (const std::string why = r7k::unusablePortValue(*value); !why.empty())
            return usageError("--" + name + " " + *value + ": " + why);
        options[port - 1] = r7k::parsePortAddress(*value).address->text();
    }
    r7k::win::RegistrySettings settings;
    stamp("registry");
    if (line.has("list-ports"))
        return listPorts(settings, options);

    stamp("options read");
    r7k::win::initUiThread();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    r7k::win::PanelWindow window;
    stamp("window built");
    const auto address = [&](int port) {
        return *r7k::parsePortAddress(settings.mapping(port, options[port - 1]).address).address;
    };
    r7k::win::WinPortRouter serial(address(1), address(2));
    r7k::TimerSet<r7k::win::WinTimer> timers;
    r7k::PanelController form(timers.panel(), serial, window);
    window.attach(&form);
    stamp("timers and port");
    r7k::win::PortMenu menu(window, serial, form, settings);
    if (!settings.problems().empty()) {
        std::string text;
        for (const std::string& problem : settings.problems())
            text += (text.empty() ? "" : "\n") + problem;
        window.warn(text);
    }
    if (line.has("trace")) {
        window.setTraceSink([started](std::string_view tag, std::string_view text) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            r7k::win::writeOut(r7k::traceLine(ms.count(), tag, text));
        });
    }
    form.load();
    stamp("panel loaded (port opened)");
    window.show();
    stamp("shown");
    const int status =
        r7k::win::runMessageLoop([&window](MSG& msg) { return window.preview(msg); });
    window.attach(nullptr);
    return status;
}
