// The panel's start as both front ends take it from the core: the command line, the port list
// and the order of the start itself.
#include <QtTest>

#include "fakes/fake_serial.h"
#include "fakes/fake_store.h"
#include "panel/headless_window.h"
#include "panel/panel_start.h"

using namespace r7k;

namespace {

QStringList g_log;  // what the start did, in order

struct TestWindow : HeadlessWindow {
    using TraceSink = std::function<void(std::string_view, std::string_view)>;
    TraceSink sink;
    TestWindow() { g_log << "window"; }
    void attach(PanelController* form) { g_log << (form ? "attach" : "detach"); }
    void setTraceSink(TraceSink s) { sink = std::move(s); }
    void show() { g_log << "show"; }
    void warn(std::string_view text) override {
        g_log << "warn " + QString::fromStdString(std::string(text));
    }
};

struct TestRouter : fakes::FakeSerial {
    TestRouter(const PortAddress& com1, const PortAddress& com2) {
        g_log << QString::fromStdString("ports " + com1.text() + " " + com2.text());
    }
    SerialResult setPortOpen(bool open) override {
        if (open && !g_log.contains("open"))
            g_log << "open";
        return FakeSerial::setPortOpen(open);
    }
};

struct NullTimer : Timer {
    void setInterval(std::chrono::milliseconds) override {}
    std::chrono::milliseconds interval() const override { return {}; }
    void setEnabled(bool) override {}
    bool isEnabled() const override { return false; }
    void setHandler(std::function<void()>) override {}
};

struct TestMenu {
    TestMenu(TestWindow&, TestRouter&, PanelController&, StoredPorts&) { g_log << "menu"; }
};

struct TestFront {
    using Window = TestWindow;
    using PortRouter = TestRouter;
    using Timer = NullTimer;
    using PortMenu = TestMenu;
    fakes::FakeStore store;
    QString said;
    QStringList traced;
    TestWindow::TraceSink sink;

    TestFront() {
        store.name = "STORE";
        store.onRead = [] { g_log << "settings"; };
    }
    std::string workingFolder() { return "/home/op"; }
    void say(const std::string& text, bool error) {
        said = (error ? "ERR " : "OUT ") + QString::fromStdString(text);
        g_log << said.section('\n', 0, 0);
    }
    void stamp(const char*) {}
    SettingsStore& settingsStore() { return store; }
    std::vector<ListedPort> serialPorts() { return {{"/dev/ttyUSB0", {}, {}}}; }
    void openDisplay() { g_log << "display"; }
    void trace(const std::string& line) { traced << QString::fromStdString(line); }
    int run(TestWindow& window) {
        g_log << "run";
        sink = window.sink;
        return 7;
    }
};

}  // namespace

class TestPanelStart : public QObject {
    Q_OBJECT
  private slots:
    // One table of options on both platforms; a port's value by the rule of a stored value.
    void commandLine_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("result");  // the text's start, or "COM1|COM2|trace|list"
        // clang-format off
        QTest::addRow("help") << false << QStringList{"-h"} << 0 << "Usage: r7k-panel [options]\n";
        QTest::addRow("version") << true << QStringList{"--version"} << 0 << "r7k-panel 1.";
        QTest::addRow("unknown option") << false << QStringList{"--bogus"} << 2 << "r7k-panel: unknown option '--bogus'\n\nUsage: r7k-panel [options]\n";
        QTest::addRow("an argument") << true << QStringList{"COM3"} << 2 << "r7k-panel: unexpected argument 'COM3'\n\nUsage";
        QTest::addRow("an argument, then an unknown option") << false << QStringList{"x", "--bogus"} << 2 << "r7k-panel: unknown option '--bogus'";
        QTest::addRow("no value") << false << QStringList{"--com1"} << 2 << "r7k-panel: --com1 needs a value\n\nUsage";
        QTest::addRow("gateway without a port") << false << QStringList{"--com2", "tcp://gw"} << 2 << "r7k-panel: --com2 tcp://gw: no port";
        QTest::addRow("nothing") << false << QStringList{} << -1 << "||0|0";
        QTest::addRow("a path from the root") << false << QStringList{"--com1=/dev/ttyUSB0", "--trace"} << -1 << "/dev/ttyUSB0||1|0";
        QTest::addRow("a path from the working folder") << false << QStringList{"--com2", "pty", "--list-ports"} << -1 << "|/home/op/pty|0|1";
        QTest::addRow("./ from the working folder") << false << QStringList{"--com1", "./pts/3"} << -1 << "/home/op/pts/3||0|0";
        QTest::addRow("a gateway") << true << QStringList{"--com1", "rfc2217://localhost:2001"} << -1 << "rfc2217://localhost:2001||0|0";
        QTest::addRow("a COM port, any case") << true << QStringList{"--com2", "com7"} << -1 << "|com7|0|0";
        QTest::addRow("a device name") << true << QStringList{"--com1", "\\\\.\\COM12"} << -1 << "\\\\.\\COM12||0|0";
        QTest::addRow("COM256 and above") << true << QStringList{"--com1", "COM300"} << 2 << "r7k-panel: --com1 COM300: not a COM port name (COM1 to COM255";
        QTest::addRow("a Linux path on Windows") << true << QStringList{"--com2", "/dev/ttyUSB0"} << 2 << "r7k-panel: --com2 /dev/ttyUSB0: not a COM port name";
        QTest::addRow("a file name on Windows") << true << QStringList{"--com2", "pty"} << 2 << "r7k-panel: --com2 pty: not a COM port name";
        // clang-format on
    }
    void commandLine() {
        QFETCH(bool, windows);
        QFETCH(QStringList, args);
        std::vector<std::string> words;
        for (const QString& a : args)
            words.push_back(a.toStdString());
        const auto naming = windows ? DeviceNaming::Windows : DeviceNaming::Posix;
        const PanelCommandLine line = readPanelCommandLine(words, "/home/op", naming);
        QTEST(line.exitStatus, "status");
        QFETCH(QString, result);
        if (line.exitStatus >= 0) {
            QVERIFY2(QString::fromStdString(line.text).startsWith(result), line.text.c_str());
            QCOMPARE(line.isError, line.exitStatus != 0);
            return;
        }
        const PanelOptions& o = line.options;
        QCOMPARE(QString::fromStdString(o.com[0] + "|" + o.com[1] + "|" + (o.trace ? "1" : "0") +
                                        "|" + (o.listPorts ? "1" : "0")),
                 result);
    }

    // The help as operators have known it on Linux; on Windows the same with its ports and the
    // registry.
    void help() {
        const QString posix = QString::fromStdString(panelHelp(DeviceNaming::Posix));
        QCOMPARE(posix,
                 "Usage: r7k-panel [options]\n"
                 "Control panel for R7KM and R7K projectors on a serial line (COM1 at 19200,N,8,1 "
                 "at start).\n\nOptions:\n"
                 "  --com1 <DEVICE>  The device that stands for COM1 (default: the settings\n"
                 "                   file's, else /dev/ttyS0): /dev/ttyUSB0,\n"
                 "                   /dev/serial/by-id/..., a pseudo-terminal; or a\n"
                 "                   serial-to-network gateway: tcp://HOST:PORT (a raw byte\n"
                 "                   stream) or rfc2217://HOST:PORT (Telnet, which also sets the\n"
                 "                   gateway's speed).\n"
                 "  --com2 <DEVICE>  The device that stands for COM2 (default: the settings\n"
                 "                   file's, else /dev/ttyS1).\n"
                 "  --trace          Print every TXD, RXD and STATUS line as it is set:\n"
                 "                   milliseconds since start, a tab, TXD, RXD or STATUS, a tab,\n"
                 "                   the text.\n"
                 "  --list-ports     List the serial ports this machine knows, what COM1 and COM2\n"
                 "                   stand for and why, and the settings file, then exit.\n"
                 "  -h, --help       Show this help, then exit.\n"
                 "  -v, --version    Show the version, then exit.\n");
        const QString windows = QString::fromStdString(panelHelp(DeviceNaming::Windows))
                                    .replace(QRegularExpression("\n +"), " ");
        QVERIFY(windows.contains("the registry's, else COM1): COM7 or \\\\.\\NAME;"));
        QVERIFY(windows.contains("the registry's, else COM2)."));
        QVERIFY(windows.contains("and why, and the registry, then exit."));
    }

    void listing_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("ports");  // DEVICE[:STABLE PATH] ... ; the facts are fixed
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("com1");  // the option
        QTest::addColumn<QString>("expected");
        const QString gateway = QString::fromUtf8(kGatewayNote);
        // clang-format off
        QTest::addRow("none, Linux") << false << "" << QStringList() << ""
            << "No serial ports found. Plug in the USB-serial adapter and try again; a pseudo-terminal is not listed but works with --com1.\n" + gateway +
               "\nCOM1 = /dev/ttyS0 (default)\nCOM2 = /dev/ttyS1 (default)\nSettings file: STORE (does not exist)\n";
        QTest::addRow("none, Windows") << true << "" << QStringList{"com2=tcp://localhost:9", "speed=1"} << "tcp://localhost:4"
            << "No serial ports found. Plug in the USB-serial adapter and try again.\n" + gateway +
               "\nCOM1 = tcp://localhost:4 (option)\nCOM2 = tcp://localhost:9 (registry)\nRegistry: STORE (exists)\n"
               "  STORE: speed = \"1\" was skipped (unknown key; only com1 and com2).\n";
        QTest::addRow("two adapters, the first with a stable path") << false << "/dev/ttyUSB0:/dev/serial/by-id/usb-A /dev/ttyUSB1" << QStringList() << ""
            << "/dev/ttyUSB0\n  description    D\n  USB id         0403:6001\n  stable path    /dev/serial/by-id/usb-A\n"
               "/dev/ttyUSB1\n  description    D\n  USB id         0403:6001\n"
               "\nFor a USB adapter use its stable path, which stays the same in any socket:\n  r7k-panel --com1 /dev/serial/by-id/usb-A\n" + gateway +
               "\nCOM1 = /dev/ttyS0 (default)\nCOM2 = /dev/ttyS1 (default)\nSettings file: STORE (does not exist)\n";
        QTest::addRow("a description that is only the name") << true << "D" << QStringList{"com2=tcp://localhost:9"} << "tcp://localhost:4"
            << "D\n  USB id         0403:6001\n" + gateway +
               "\nCOM1 = tcp://localhost:4 (option)\nCOM2 = tcp://localhost:9 (registry)\nRegistry: STORE (exists)\n";
        // clang-format on
    }
    void listing() {
        QFETCH(bool, windows);
        QFETCH(QString, ports);
        fakes::FakeStore store;
        store.name = "STORE";
        QFETCH(QStringList, stored);
        store.entries = stored;
        std::vector<ListedPort> found;
        for (const QString& p : ports.split(' ', Qt::SkipEmptyParts)) {
            found.push_back({p.section(':', 0, 0).toStdString(),
                             {{"description", "D"}, {"manufacturer", ""}, {"USB id", "0403:6001"}},
                             p.section(':', 1).toStdString()});
        }
        PanelOptions options;
        QFETCH(QString, com1);
        options.com[0] = com1.toStdString();
        const StoredPorts settings(store);
        const std::string text = portListing(found, settings, options,
                                             windows ? DeviceNaming::Windows : DeviceNaming::Posix);
        QTEST(QString::fromStdString(text), "expected");
    }

    // What each start does, in order: nothing is read or opened that its outcome does not need.
    void order_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("log");
        // clang-format off
        QTest::addRow("usage error: no settings") << QStringList{"--bogus"} << QStringList() << 2 << "ERR r7k-panel: unknown option '--bogus'";
        QTest::addRow("help: no settings") << QStringList{"--help"} << QStringList() << 0 << "OUT Usage: r7k-panel [options]";
        QTest::addRow("port list: no display") << QStringList{"--list-ports"} << QStringList() << 0 << "settings|OUT /dev/ttyUSB0";
        QTest::addRow("the window") << QStringList{"--com2", "/dev/pts/4"} << QStringList{"com1=/dev/ttyUSB0"} << 7
            << "settings|display|window|ports /dev/ttyUSB0 /dev/pts/4|attach|menu|open|show|run|detach";
        QTest::addRow("skipped settings: one warning before the port opens") << QStringList() << QStringList{"com1=", "baud=9600"} << 7
            << "settings|display|window|ports /dev/ttyS0 /dev/ttyS1|attach|menu|"
               "warn STORE: com1 = \"\" was skipped (no device or address given); COM1 is /dev/ttyS0.\n"
               "STORE: baud = \"9600\" was skipped (unknown key; only com1 and com2).|open|show|run|detach";
        // clang-format on
    }
    void order() {
        QFETCH(QStringList, args);
        std::vector<std::string> words;
        for (const QString& a : args)
            words.push_back(a.toStdString());
        TestFront front;
        QFETCH(QStringList, stored);
        front.store.entries = stored;
        g_log.clear();
        QTEST(startPanel(front, words), "status");
        QTEST(g_log.join('|'), "log");
        QVERIFY(!front.sink);  // no trace without --trace
    }

    // --trace: each line set goes out as the front end prints, with the time since start.
    void trace() {
        TestFront front;
        QCOMPARE(startPanel(front, {"--trace"}), 7);
        QVERIFY(front.sink);
        front.sink("TXD", "C00");
        QCOMPARE(front.traced.size(), 1);
        QVERIFY2(QRegularExpression("^\\d+\tTXD\tC00\n$").match(front.traced[0]).hasMatch(),
                 qPrintable(front.traced[0]));
    }
};

QTEST_GUILESS_MAIN(TestPanelStart)
#include "test_panel_start.moc"
