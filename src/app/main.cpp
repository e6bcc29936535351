// r7k-panel: the control panel window, wired to a serial port and the panel core.
#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <string>
#include <tuple>

#include "panel/controller.h"
#include "panel/trace_line.h"
#include "qt/display_guard.h"
#include "qt/panel_window.h"
#include "qt/port_menu.h"
#include "qt/port_router.h"
#include "qt/port_settings.h"
#include "qt/qt_timer.h"
#include "transport/default_device.h"
#include "transport/port_address.h"

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

// What the command line asks for.
struct Options {
    QString com1;  // empty: the settings file's, or the default
    QString com2;
    bool trace = false;
    bool listPorts = false;
};

// Reads the command line without a display. Returns an exit status when the program is done
// (help, version, a usage error), or -1 to go on.
int parseOptions(int argc, char** argv, Options& options) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Control panel for R7KM and R7K projectors on a serial line (COM1 at 19200,N,8,1 at "
        "start).");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption com1("com1",
                                  "The device that stands for COM1 (default: the settings "
                                  "file's, else " +
                                      QString::fromStdString(r7k::defaultDevice(1)) +
                                      "): /dev/ttyUSB0, /dev/serial/by-id/..., a pseudo-terminal; "
                                      "or a serial-to-network gateway: tcp://HOST:PORT (a raw "
                                      "byte stream) or rfc2217://HOST:PORT (Telnet, which also "
                                      "sets the gateway's speed).",
                                  "DEVICE");
    const QCommandLineOption com2(
        "com2",
        "The device that stands for COM2 (default: the settings file's, else " +
            QString::fromStdString(r7k::defaultDevice(2)) + ").",
        "DEVICE");
    const QCommandLineOption trace("trace",
                                   "Print every TXD, RXD and STATUS line as it is set: "
                                   "milliseconds since start, a tab, TXD, RXD or STATUS, a "
                                   "tab, the text.");
    const QCommandLineOption list(
        "list-ports",
        "List the serial ports this machine knows, what COM1 and COM2 stand "
        "for and why, and the settings file, then exit.");
    const QCommandLineOption help({"h", "help"}, "Show this help, then exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version, then exit.");
    parser.addOptions({com1, com2, trace, list, help, version});
    for (const auto& qt : kQtOptions) {
        QCommandLineOption option(qt.name, QString(), qt.takesValue ? "VALUE" : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    // Without an application object the parser cannot know the program's name.
    const QString usage = parser.helpText().replace("<executable_name>", "r7k-panel");
    const bool parsed = parser.parse(args);
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString why = !parsed
                                ? parser.errorText()
                                : "Unexpected argument '" + parser.positionalArguments()[0] + "'.";
        std::fprintf(stderr, "r7k-panel: %s\n\n%s", qPrintable(why), qPrintable(usage));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(usage), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("r7k-panel %s\n", R7K_VERSION);
        return 0;
    }
    for (const auto& [option, value] : {std::pair{&com1, &options.com1}, {&com2, &options.com2}}) {
        if (!parser.isSet(*option))
            continue;
        *value = parser.value(*option);
        const r7k::PortAddressResult address = r7k::parsePortAddress(value->toStdString());
        if (!address.address) {
            std::fprintf(stderr, "r7k-panel: --%s %s: %s\n\n%s", qPrintable(option->names()[0]),
                         qPrintable(*value), address.error.c_str(), qPrintable(usage));
            return 2;
        }
        *value = QString::fromStdString(address.address->text());
    }
    options.trace = parser.isSet(trace);
    options.listPorts = parser.isSet(list);
    return -1;
}

// What COM1 and COM2 stand for now, where that comes from, and what the settings file had
// that could not be used.
void printMappings(const r7k::PortSettings& settings, const Options& options) {
    std::printf("\n");
    for (int port : {1, 2}) {
        const auto m = settings.mapping(port, port == 1 ? options.com1 : options.com2);
        std::printf("COM%d = %s (%s)\n", port, qPrintable(m.address),
                    std::string(r7k::originText(m.origin)).c_str());
    }
    std::printf("Settings file: %s (%s)\n", qPrintable(settings.file()),
                QFileInfo::exists(settings.file()) ? "exists" : "does not exist");
    for (const QString& problem : settings.problems())
        std::printf("  %s\n", qPrintable(problem));
}

int listPorts(const r7k::PortSettings& settings, const Options& options) {
    const auto ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) {
        std::printf(
            "No serial ports found. Plug in the USB-serial adapter and try again; a "
            "pseudo-terminal is not listed but works with --com1.\n");
        std::fputs(r7k::kGatewayNote, stdout);
        printMappings(settings, options);
        return 0;
    }
    QString example;
    for (const QSerialPortInfo& p : ports) {
        std::printf("%s\n", p.systemLocation().toLocal8Bit().constData());
        auto field = [](const char* name, const QString& value) {
            if (!value.isEmpty()) {
                std::printf("  %-14s %s\n", name, value.toLocal8Bit().constData());
            }
        };
        field("description", p.description());
        field("manufacturer", p.manufacturer());
        field("serial number", p.serialNumber());
        if (p.hasVendorIdentifier() && p.hasProductIdentifier()) {
            field("USB id", QStringLiteral("%1:%2")
                                .arg(p.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                .arg(p.productIdentifier(), 4, 16, QLatin1Char('0')));
        }
        const QString stable = r7k::stablePath(p.systemLocation());
        field("stable path", stable);
        if (example.isEmpty() && !stable.isEmpty())
            example = stable;
    }
    if (!example.isEmpty()) {
        std::printf(
            "\nFor a USB adapter use its stable path, which stays the same in any socket:\n"
            "  r7k-panel --com1 %s\n",
            example.toLocal8Bit().constData());
    }
    std::fputs(r7k::kGatewayNote, stdout);
    printMappings(settings, options);
    return 0;
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

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    stamp("main");

    Options options;
    if (const int status = parseOptions(argc, argv, options); status >= 0)
        return status;
    if (options.listPorts) {
        QCoreApplication core(argc, argv);
        return listPorts(r7k::PortSettings(), options);
    }

    stamp("options read");
    r7k::DisplayGuard noDisplay;
    QApplication app(argc, argv);
    noDisplay.release();
    stamp("application (platform plugin, display)");
    r7k::PortSettings settings;
    stamp("settings file");
    const auto address = [&](int port) {
        const QString value =
            settings.mapping(port, port == 1 ? options.com1 : options.com2).address;
        return *r7k::parsePortAddress(value.toStdString()).address;
    };
    r7k::PanelWindow window;
    stamp("window built");
    r7k::QtPortRouter serial(address(1), address(2));
    r7k::TimerSet<r7k::QtTimer> timers;
    r7k::PanelController form(timers.panel(), serial, window);
    window.attach(&form);
    r7k::PortMenu menu(window, serial, form, settings);
    if (!settings.problems().isEmpty())
        window.warn(settings.problems().join("\n").toStdString());
    if (options.trace) {
        window.setTraceSink([&sinceStart](std::string_view label, std::string_view text) {
            const std::string line = r7k::traceLine(sinceStart.elapsed(), label, text);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        });
    }
    form.load();
    stamp("panel loaded (port opened)");
    window.show();
    stamp("shown");
    QTimer::singleShot(0, [] {
        stamp("event loop");
        // A start-up alone, for a profiler: R7K_STARTUP_TRACE=quit ends once the window is up.
        if (qgetenv("R7K_STARTUP_TRACE") == "quit")
            QCoreApplication::quit();
    });
    return app.exec();
}
