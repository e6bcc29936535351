// r7k-panel: the control panel window, wired to a serial port and the panel core.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

#include "link/form1.h"
#include "link/port_address.h"
#include "qt/panel_window.h"
#include "qt/port_router.h"
#include "qt/qt_serial.h"
#include "qt/qt_timer.h"

namespace {

constexpr const char* kUsage =
    "Usage: r7k-panel [OPTIONS]\n"
    "Control panel for R7KM and R7K projectors on a serial line (COM1 at 19200,N,8,1 at "
    "start).\n"
    "\n"
    "  --com1 DEVICE   device that stands for COM1 (default %s)\n"
    "  --com2 DEVICE   device that stands for COM2 (default %s)\n"
    "                  any path works: /dev/ttyUSB0, /dev/serial/by-id/..., a pseudo-terminal;\n"
    "                  or a serial-to-network gateway: tcp://HOST:PORT (raw byte stream) or\n"
    "                  rfc2217://HOST:PORT (Telnet, which also sets the gateway's speed)\n"
    "  --trace         print every TXD, RXD and STATUS line as it is set:\n"
    "                  milliseconds since start, a tab, TXD|RXD|STATUS, a tab, the text\n"
    "  --list-ports    list the serial ports this machine knows, then exit\n"
    "  --help          show this help, then exit\n"
    "  --version       show the version, then exit\n";

void usage(FILE* to) {
    std::fprintf(to, kUsage, r7k::QtSerial::defaultDevice(1).toLocal8Bit().constData(),
                 r7k::QtSerial::defaultDevice(2).toLocal8Bit().constData());
}

// The stable /dev/serial/by-id name of a device, if udev made one.
QString stableName(const QString& device) {
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

constexpr const char* kNetworkNote =
    "\nA projector behind a serial-to-network gateway works too: --com1 tcp://HOST:PORT or "
    "rfc2217://HOST:PORT.\n";

int listPorts() {
    const auto ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) {
        std::printf(
            "No serial ports found. Plug in the USB-serial adapter and try again; a "
            "pseudo-terminal is not listed but works with --com1.\n");
        std::fputs(kNetworkNote, stdout);
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
        const QString stable = stableName(p.systemLocation());
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
    std::fputs(kNetworkNote, stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();

    std::string com1 = r7k::QtSerial::defaultDevice(1).toStdString();
    std::string com2 = r7k::QtSerial::defaultDevice(2).toStdString();
    bool trace = false;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--com1" || arg == "--com2") && i + 1 < argc) {
            (arg == "--com1" ? com1 : com2) = argv[++i];
        } else if (arg == "--trace") {
            trace = true;
        } else if (arg == "--list-ports") {
            list = true;
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("r7k-panel %s\n", R7K_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "r7k-panel: %s: %s\n",
                         arg.rfind("--com", 0) == 0 ? "missing device after" : "unknown option",
                         arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (list) {
        QCoreApplication core(argc, argv);
        return listPorts();
    }
    const r7k::PortAddressResult address1 = r7k::parsePortAddress(com1);
    const r7k::PortAddressResult address2 = r7k::parsePortAddress(com2);
    for (const auto& [option, value, parsed] :
         {std::tuple{"--com1", &com1, &address1}, std::tuple{"--com2", &com2, &address2}}) {
        if (!parsed->address) {
            std::fprintf(stderr, "r7k-panel: %s %s: %s\n", option, value->c_str(),
                         parsed->error.c_str());
            usage(stderr);
            return 2;
        }
    }

    QApplication app(argc, argv);
    r7k::PanelWindow window;
    window.setPortDevices(QString::fromStdString(address1.address->text()),
                          QString::fromStdString(address2.address->text()));
    const auto serial = r7k::makeSerialPort(*address1.address, *address2.address);
    r7k::QtTimer timer1, timer2, timer3, timer4, relink;
    r7k::Form1 form({timer1, timer2, timer3, timer4, relink}, *serial, window);
    window.attach(&form);
    if (trace) {
        window.setTraceSink([&sinceStart](std::string_view label, std::string_view text) {
            std::string line = std::to_string(sinceStart.elapsed());
            line += '\t';
            line += label;
            line += '\t';
            line += text;
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        });
    }
    form.Form_Load();
    window.show();
    return app.exec();
}
