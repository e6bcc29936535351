// r7k-panel: the control panel window, wired to a serial port and the panel core.
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "panel/panel_start.h"
#include "qt/display_guard.h"
#include "qt/panel_window.h"
#include "qt/port_menu.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"
#include "qt/settings_file.h"

namespace {

// Qt's own options: QApplication takes them out of the command line, so the panel accepts them
// (and shows them nowhere).
constexpr struct {
    const char* name;
    bool takesValue;
} kQtOptions[] = {{"platform", true},
                  {"platformpluginpath", true},
                  {"platformtheme", true},
                  {"plugin", true},
                  {"qwindowgeometry", true},
                  {"qwindowicon", true},
                  {"qwindowtitle", true},
                  {"style", true},
                  {"stylesheet", true},
                  {"session", true},
                  {"display", true},
                  {"geometry", true},
                  {"widgetcount", false},
                  {"reverse", false},
                  {"nograb", false},
                  {"dograb", false},
                  {"sync", false}};

// The command line without Qt's options, which the application object takes (and the panel
// shows nowhere): "-platform offscreen", "--style=fusion".
std::vector<std::string> panelArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") {
            args.insert(args.end(), argv + i, argv + argc);
            break;
        }
        std::string_view name(word);
        if (name.starts_with("--"))
            name.remove_prefix(2);
        else if (name.starts_with('-'))
            name.remove_prefix(1);
        else {
            args.push_back(word);
            continue;
        }
        const std::size_t eq = name.find('=');
        const auto qt = std::find_if(std::begin(kQtOptions), std::end(kQtOptions),
                                     [&](const auto& o) { return o.name == name.substr(0, eq); });
        if (qt == std::end(kQtOptions)) {
            args.push_back(word);
            continue;
        }
        if (qt->takesValue && eq == std::string_view::npos)
            ++i;
    }
    return args;
}

// With R7K_STARTUP_TRACE set, the start-up's stages go to standard error with the
// microseconds since the process began, for the benchmarks' breakdown of where time goes.
void stamp(const char* stage) {
    static const bool on = qEnvironmentVariableIsSet("R7K_STARTUP_TRACE");
    if (!on)
        return;
    timespec now{}, cpu{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    // The process's start, in clock ticks since boot (field 22 of /proc/self/stat).
    static const double started = [] {
        QFile stat(QStringLiteral("/proc/self/stat"));
        (void)stat.open(QIODevice::ReadOnly);
        const QByteArray text = stat.readAll();
        return text.mid(text.lastIndexOf(')') + 2).split(' ').value(19).toDouble() /
               double(sysconf(_SC_CLK_TCK));
    }();
    std::fprintf(stderr, "startup\t%.1f ms\tcpu %.1f ms\t%s\n",
                 (double(now.tv_sec) + now.tv_nsec / 1e9 - started) * 1000,
                 (double(cpu.tv_sec) + cpu.tv_nsec / 1e9) * 1000, stage);
}

// What the panel's start needs of Qt.
struct QtFront {
    using Window = r7k::PanelWindow;
    using PortRouter = r7k::QtPortRouter;
    using Timer = r7k::QtTimer;
    using PortMenu = r7k::PortMenu;

    int argc;
    char** argv;
    std::optional<r7k::SettingsFile> settings;
    std::optional<QCoreApplication> listing;
    std::optional<QApplication> app;

    std::string workingFolder() { return QDir::currentPath().toStdString(); }
    void say(const std::string& text, bool error) {
        std::fputs(text.c_str(), error ? stderr : stdout);
    }
    void stamp(const char* stage) { ::stamp(stage); }
    r7k::SettingsStore& settingsStore() { return settings.emplace(r7k::userSettingsFile()); }
    std::vector<r7k::ListedPort> serialPorts() {
        listing.emplace(argc, argv);
        std::vector<r7k::ListedPort> ports;
        for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
            QString usb;
            if (p.hasVendorIdentifier() && p.hasProductIdentifier()) {
                usb = QStringLiteral("%1:%2")
                          .arg(p.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                          .arg(p.productIdentifier(), 4, 16, QLatin1Char('0'));
            }
            ports.push_back({p.systemLocation().toStdString(),
                             {{"description", p.description().toStdString()},
                              {"manufacturer", p.manufacturer().toStdString()},
                              {"serial number", p.serialNumber().toStdString()},
                              {"USB id", usb.toStdString()}},
                             r7k::stablePath(p.systemLocation()).toStdString()});
        }
        return ports;
    }
    void openDisplay() {
        r7k::DisplayGuard noDisplay;
        app.emplace(argc, argv);
    }
    void trace(const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    int run(Window&) {
        QTimer::singleShot(0, [] {
            ::stamp("event loop");
            // A start-up alone, for a profiler: R7K_STARTUP_TRACE=quit ends once the window is up.
            if (qgetenv("R7K_STARTUP_TRACE") == "quit")
                QCoreApplication::quit();
        });
        return app->exec();
    }
};

}  // namespace

int main(int argc, char** argv) {
    stamp("main");
    QtFront front{argc, argv, {}, {}, {}};
    return r7k::startPanel(front, panelArguments(argc, argv));
}
