// r7k-panel.exe: the control panel window, wired to the COM ports and the panel core.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "panel/panel_start.h"
#include "win/box_text.h"
#include "win/console.h"
#include "win/panel_window.h"
#include "win/port_menu.h"
#include "win/registry_settings.h"
#include "win/serial_ports.h"
#include "win/ui_thread.h"
#include "win/wide.h"
#include "win/win_port_router.h"
#include "win/win_timer.h"

namespace {

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

// What the panel's start needs of Windows.
struct WinFront {
    using Window = r7k::win::PanelWindow;
    using PortRouter = r7k::win::WinPortRouter;
    using Timer = r7k::win::WinTimer;
    using PortMenu = r7k::win::PortMenu;

    // Started from a shortcut or Explorer, the panel has neither a console nor a redirect: what
    // it would print is shown in a box instead, or it would vanish without a word.
    bool canPrint = true;
    std::optional<r7k::win::RegistryStore> settings;

    std::string workingFolder() { return {}; }  // a COM port is named whole
    void say(const std::string& text, bool error) {
        if (canPrint) {
            (error ? r7k::win::writeErr : r7k::win::writeOut)(text);
            return;
        }
        MessageBoxW(nullptr, r7k::win::toWide(r7k::win::boxText(text)).c_str(), L"r7k-panel",
                    (error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_OK | MB_SETFOREGROUND);
    }
    void stamp(const char* stage) { ::stamp(stage); }
    r7k::SettingsStore& settingsStore() { return settings.emplace(r7k::win::kPortsSubkey); }
    std::vector<r7k::ListedPort> serialPorts() {
        std::vector<r7k::ListedPort> ports;
        for (const auto& p : r7k::win::availableSerialPorts())
            ports.push_back(
                {p.port, {{"description", p.friendlyName}, {"manufacturer", p.manufacturer}}, {}});
        return ports;
    }
    void openDisplay() {
        r7k::win::initUiThread();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void trace(const std::string& line) { r7k::win::writeOut(line); }
    int run(Window& window) {
        return r7k::win::runMessageLoop([&window](MSG& msg) { return window.preview(msg); });
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    stamp("main");
    WinFront front;
    front.canPrint = r7k::win::attachConsole();
    stamp("console");
    std::vector<std::string> args = r7k::cli::windowsHelpWords(r7k::win::utf8Arguments());
    if (!args.empty())
        args.erase(args.begin());
    return r7k::startPanel(front, args);
}
