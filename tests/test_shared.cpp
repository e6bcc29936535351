// What both front ends take from the core: caption fitting, pixels, trace and warning lines,
// what COM1 and COM2 stand for and the Windows programs' command line, checked on any platform.
#include <QtTest>

#include <cerrno>
#include <cmath>
#include <ctime>

#include "base/command_line.h"
#include "panel/caption_fit.h"
#include "panel/pixels.h"
#include "panel/trace_line.h"
#include "panel/warning_line.h"
#include "transport/gateway_causes.h"
#include "transport/open_failure.h"
#include "transport/port_address.h"
#include "transport/port_mapping.h"
#include "transport/serial.h"

using namespace r7k;

class TestShared : public QObject {
    Q_OBJECT
  private slots:
    // The advice after a failed open, chosen by the system's code and a look at the path:
    // the group only where it would open the device, a folder named as one, no Linux advice on
    // Windows, and for a script no port to choose again. Probe: m missing, f folder, l the user
    // may not open it; then the owner's group and mode.
    void openAdvice_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("advice");  // the hint's start; "" for none
        const QString list = "r7k-panel --list-ports shows the ports this machine has.";
        const QString none = "This machine has no such port. Device Manager";
        // clang-format off
        QTest::addRow("denied, dialout") << false << EACCES << "l dialout 0660" << "/dev/x" << "The user needs access to serial ports: add it to the 'dialout' group (sudo adduser $USER dialout), then log out";
        QTest::addRow("denied, uucp") << false << EACCES << "l uucp 0660" << "/dev/x" << "The user needs access to serial ports: add it to the 'uucp' group (sudo adduser $USER uucp)";
        QTest::addRow("denied, owner only") << false << EACCES << "l root 0600" << "/dev/x" << "Only its owner (root) may open it (mode 0600); joining a group would not help";
        QTest::addRow("denied, may open: a lock") << false << EACCES << "- dialout 0660" << "/dev/x" << "Another program has the port open; close it and choose";
        QTest::addRow("busy") << false << EBUSY << "-" << "/dev/x" << "Another program has the port open";
        QTest::addRow("no such file") << false << ENOENT << "-" << "/dev/ttyUSB0" << "Check that the adapter is plugged in; " + list;
        QTest::addRow("gone by the look") << false << 0 << "m" << "/dev/ttyUSB0" << "Check that the adapter is plugged in";
        QTest::addRow("linux folder") << false << 0 << "f" << "/tmp" << "/tmp is a folder, not a serial port. " + list;
        QTest::addRow("linux folder refused") << false << EACCES << "f" << "/root" << "/root is a folder";
        QTest::addRow("linux I/O error") << false << EIO << "-" << "/dev/x" << "";
        QTest::addRow("windows file not found") << true << 2 << "-" << "COM9" << none;
        QTest::addRow("windows path not found") << true << 3 << "-" << "COM9" << none;
        QTest::addRow("windows access denied") << true << 5 << "-" << "COM7" << "Another program has the port open";
        QTest::addRow("windows sharing violation") << true << 32 << "-" << "COM7" << "Another program has the port open";
        QTest::addRow("windows folder") << true << 5 << "f" << "C:\\windows" << "C:\\windows is a folder, not a serial port. Device Manager";
        QTest::addRow("windows invalid name") << true << 123 << "-" << "CO<M" << "This is not a port's name. Device Manager";
        QTest::addRow("windows 13 is no errno") << true << EACCES << "-" << "COM7" << "";
        QTest::addRow("windows 16 is no errno") << true << EBUSY << "-" << "COM7" << "";
        // clang-format on
    }
    void openAdvice() {
        QFETCH(bool, windows);
        QFETCH(int, code);
        QFETCH(QString, probe);
        QFETCH(QString, device);
        QFETCH(QString, advice);
        const QStringList words = probe.split(' ');
        LocalFault fault{windows ? DeviceNaming::Windows : DeviceNaming::Posix, code,
                         PathProbe{words[0].contains('m'), words[0].contains('f'),
                                   !words[0].contains('l'), std::nullopt}};
        if (words.size() == 3)
            fault.probe.access = DeviceAccess{"root", words[1].toStdString(),
                                              words[2].toUInt(nullptr, 8), words[2] == "0660"};
        const QString text = QString::fromStdString(
            openFailureText("COM2 (x)", device.toStdString(), "the system's words", fault));
        QCOMPARE(text.section('\n', 0, 0), "COM2 (x) cannot be opened: the system's words.");
        QVERIFY2(advice.isEmpty() ? !text.contains('\n') : text.section('\n', 1).startsWith(advice),
                 qPrintable(text));
        if (windows)
            QVERIFY2(!text.contains("sudo") && !text.contains("plugged"), qPrintable(text));
        if (advice.startsWith("Another"))
            QVERIFY(QString::fromStdString(forScripts(text.toStdString()))
                        .endsWith("close it, then run again."));
    }

    // Plain words for a hang-up; the gateway's own device trouble is the gateway host's.
    void causes() {
        // clang-format off
        for (const auto& [text, holds] : {
                 std::pair{lostLinkCause("Inappropriate ioctl for device"), "the device hung up"},
                 {lostLinkCause("Input/output error"), "the device hung up"},
                 {lostLinkCause("No such device"), "the device is gone (unplugged or switched off)"},
                 {lostLinkCause("Broken pipe"), "Broken pipe"},
                 {gatewayHint("the gateway closed the connection", "10.0.0.5:2001", "Device open failure: Permission denied"),
                  "\nThe gateway at 10.0.0.5:2001 cannot open the serial device on its host: Device open failure: Permission denied."},
                 {gatewayHint("connection refused", "10.0.0.5:2001"), "\nCheck that the gateway is running"}})
            // clang-format on
            QVERIFY2(text.find(holds) != std::string::npos, text.c_str());
    }

    // A byte a pixel, so a line cut inside a character shows in the lines.
    void wrap_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("lines");
        // clang-format off
        for (const auto& [caption, width, lines] : {
                 std::tuple{"VOL +", 5, "VOL +"}, {"INPUT MODE SET", 10, "INPUT MODE|SET"},
                 {"LENS SHIFT UP", 7, "LENS|SHIFT|UP"}, {"ABCDEFG", 3, "ABC|DEF|G"}, {"AB CD", 0, "AB CD"},
                 {"データを表示する", 8, "デー|タを|表示|する"}, {"入力 RGB", 7, "入力|RGB"},
                 {"ÄÖÜ", 3, "Ä|Ö|Ü"}, {"😀😀", 7, "😀|😀"}, {"データ", 1, "デ|ー|タ"}})
            QTest::addRow("%s/%d", caption, width) << QString(caption) << width << QString(lines);
        // clang-format on
    }
    void wrap() {
        QFETCH(QString, caption);
        QFETCH(int, width);
        QFETCH(QString, lines);
        QStringList got;
        for (const std::string& line : wrapCaption(
                 caption.toStdString(), [](std::string_view t) { return int(t.size()); }, width))
            got << QString::fromStdString(line);
        QCOMPARE(got.join('|'), lines);
    }

    // A quarter point at a time, down to 6 points and no further; a size that is no number ends.
    void fit() {
        // clang-format off
        for (const auto& [start, fitsAt, points, trials] : {
                 std::tuple{9.0, 8.1, 8.0, 5}, {9.0, 0.0, 6.0, 13}, {5.0, 0.0, 5.0, 1}, {9.0, 9.0, 9.0, 1},
                 {NAN, 0.0, NAN, 1}}) {
            // clang-format on
            int tried = 0;
            const FittedCaption got = fitCaption(start, [&, fitsAt = fitsAt](double at) {
                ++tried;
                return CaptionTrial{{"x"}, at <= fitsAt};
            });
            QVERIFY(got.points == points || (std::isnan(points) && std::isnan(got.points)));
            QCOMPARE(tried, trials);
            QCOMPARE(got.lines, std::vector<std::string>{"x"});
        }
    }

    // Edges are rounded, not sizes: controls that touch in twips touch in pixels, at 1x and 2x.
    void pixels() {
        QVERIFY(twipsPerPixelAt(96) == 15 && twipsPerPixelAt(192) == 7.5 &&
                twipsPerPixelAt(0) == 15);
        QVERIFY(toPixels(22.5, 15) == 2 && toPixels(-22.5, 15) == -2);
        for (const double tpp : {15.0, 7.5})
            for (const int left : {0, 7, 100, 3593})
                for (const int width : {7, 16, 1215}) {
                    ControlSpec a, b;
                    a.left = b.top = left, a.width = b.height = width;
                    b.left = a.top = left + width;
                    const PixelRect pa = pixelRect(a, tpp), pb = pixelRect(b, tpp);
                    QCOMPARE(pa.left + pa.width, pb.left);
                    QCOMPARE(pb.top + pb.height, pa.top);
                    QCOMPARE(pa.left, toPixels(left, tpp));
                }
        ControlSpec odd;
        odd.left = odd.top = 7, odd.width = odd.height = 16;  // 0.47 to 1.53 pixels: 2 wide
        QCOMPARE(pixelRect(odd, 15), (PixelRect{0, 0, 2, 2}));
        QCOMPARE(pixelRect(odd, 7.5), (PixelRect{1, 1, 2, 2}));
        QCOMPARE(clientPixelsForOuterHeight(kFrameHeight + 5350, 15), 357);
        QCOMPARE(clientPixelsForOuterHeight(kFrameHeight + 5350, 7.5), 713);
        QCOMPARE(clientPixelsForOuterHeight(kFrameHeight - 300, 15), 1);
    }

    void traceLines() {
        QCOMPARE(traceLine(1234, traceTag("Label12"), "C00\r"), std::string("1234\tRXD\tC00\r\n"));
        QVERIFY(traceTag("Label11") == "TXD" && traceTag("Label22") == "STATUS" &&
                traceTag("Label13").empty());
        const std::string a(kShownBytes - 1, 'a');
        QCOMPARE(shownPart(a + "デ").size(), kShownBytes - 1);  // not cut inside the character
        QCOMPARE(shownPart(a + "aデ").size(), kShownBytes);
        QCOMPARE(shownPart(a + "a").size(), kShownBytes);
        QCOMPARE(shownPart(a.substr(2) + "😀").size(), kShownBytes - 3);
        QCOMPARE(shownPart(std::string(600, '\x80')).size(), kShownBytes - 3);  // not UTF-8
    }

    // A warning box's text as one line of the log: the local time, then its lines joined.
    void warningLines_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("line");
        // clang-format off
        QTest::addRow("one line") << "COM1 (/dev/x) was lost: EIO." << "COM1 (/dev/x) was lost: EIO.";
        QTest::addRow("paragraphs") << "COM1 (/dev/x) was lost.\n\nIt reconnects." << "COM1 (/dev/x) was lost. It reconnects.";
        QTest::addRow("a line without a stop") << "COM1: tcp://gw: no port\nb" << "COM1: tcp://gw: no port; b";
        QTest::addRow("blanks around lines") << "  a.\r\n \t\n b \n" << "a. b";
        // clang-format on
    }
    void warningLines() {
        QFETCH(QString, box);
        QFETCH(QString, line);
        std::tm at{};
        at.tm_year = 126, at.tm_mon = 11, at.tm_mday = 7, at.tm_hour = 14, at.tm_min = 3;
        at.tm_sec = 12, at.tm_isdst = -1;
        const auto when = std::chrono::system_clock::from_time_t(std::mktime(&at));
        QCOMPARE(QString::fromStdString(warningLine("r7k-panel", box.toStdString(), when)),
                 "r7k-panel: 2026-12-07 14:03:12 " + line + "\n");
    }

    // The option, then the stored value, then the default; what a stored value may name.
    void ports() {
        QStringList got;
        // clang-format off
        for (const auto& [option, stored] : {std::pair{"tcp://gw:1", "/dev/pts/9"}, {"", "/dev/pts/9"}, {"", ""}})
            for (int port : {1, 2}) {
                const PortMapping m = mapPort(port, option, stored);
                got << QString::fromStdString(m.address + " (" + std::string(originText(m.origin)) + ")");
            }
        QCOMPARE(got.join(", "), QString("tcp://gw:1 (option), tcp://gw:1 (option), /dev/pts/9 (settings file), "
                                         "/dev/pts/9 (settings file), /dev/ttyS0 (default), /dev/ttyS1 (default)"));
        // clang-format on
        QStringList usable;  // Posix's, then Windows'
        for (const auto naming : {DeviceNaming::Posix, DeviceNaming::Windows}) {
            // clang-format off
            for (const char* value : {"/dev/ttyUSB0", "ttyUSB0", "tcp://gw:4001", "tcp://gw", "", "COM1", "com255",
                                      "COM256", "COM0", "COM01", "COM", "COM1x", "CON1", "XOM1", "COM4294967297", "\\\\.\\COM10", "\\\\.\\"})
                // clang-format on
                if (unusablePortValue(value, naming).empty())
                    usable << value;
            usable << "|";
        }
        QCOMPARE(usable.join(' '), QString("/dev/ttyUSB0 tcp://gw:4001 | tcp://gw:4001 COM1 com255 "
                                           "\\\\.\\COM10 |"));
    }

    // A port named as the operator named it, with its device where that says more; the path
    // Windows opens for a device name.
    void portNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("path");
        // clang-format off
        QTest::addRow("mapped") << "COM2" << "COM8" << "COM2 (COM8)" << "\\\\.\\COM8";
        QTest::addRow("itself") << "COM1" << "COM1" << "COM1" << "\\\\.\\COM1";
        QTest::addRow("itself, any case") << "COM1" << "com1" << "COM1" << "\\\\.\\com1";
        QTest::addRow("given as a device") << "" << "COM9" << "COM9" << "\\\\.\\COM9";
        QTest::addRow("a colon, as Windows writes it") << "" << "COM5:" << "COM5:" << "\\\\.\\COM5";
        QTest::addRow("a full path") << "COM1" << "\\\\.\\COM12" << "COM1 (\\\\.\\COM12)" << "\\\\.\\COM12";
        QTest::addRow("a folder") << "" << "C:\\windows" << "C:\\windows" << "C:\\windows";
        QTest::addRow("a drive keeps its colon") << "" << "C:" << "C:" << "\\\\.\\C:";
        QTest::addRow("linux device") << "COM1" << "/dev/ttyS0" << "COM1 (/dev/ttyS0)" << "\\\\.\\/dev/ttyS0";
        QTest::addRow("linux device given") << "" << "/dev/ttyUSB0" << "/dev/ttyUSB0" << "\\\\.\\/dev/ttyUSB0";
        QTest::addRow("COM10 is not COM1") << "COM1" << "COM10" << "COM1 (COM10)" << "\\\\.\\COM10";
        // clang-format on
    }
    void portNames() {
        QFETCH(QString, name);
        QFETCH(QString, device);
        QTEST(QString::fromStdString(portLabel(name.toStdString(), device.toStdString())), "label");
        QTEST(QString::fromStdString(windowsDevicePath(device.toStdString())), "path");
    }

    // Options with a value, flags, "--" and the first positional word; errors in the user's terms.
    void commandLine() {
        static constexpr cli::OptionSpec kOptions[] = {{"port", 'p', true}, {"json", 'j', false}};
        // clang-format off
        for (const auto& [args, stop, read] : {  // stop: positional after the first positional word
                 std::tuple{"--port=/dev/x send", true, "port=/dev/x|send|"}, {"--port /dev/x", true, "port=/dev/x||"},
                 {"-p - -j", true, "json= port=-||"}, {"--port --json", true, "||--port needs a value"},
                 {"--json --port", true, "json=||--port needs a value"}, {"--port=a --port=b", true, "port=b||"},
                 {"--bogus", true, "||unknown option '--bogus'"}, {"-x", true, "||unknown option '-x'"},
                 {"--json=1", true, "||--json takes no value"}, {"-- --json", true, "|--json|"},
                 {"wait -1 --json", true, "|wait -1 --json|"}, {"send --json x", false, "json=|send x|"},
                 {"send -- --json", false, "|send --json|"}, {"--port -5 x", true, "port=-5|x|"},
                 {"-p -0.5", true, "port=-0.5||"}, {"--port -x", true, "||--port needs a value"}}) {
            // clang-format on
            std::vector<std::string> words;
            for (const QString& w : QString(args).split(' '))
                words.push_back(w.toStdString());
            const cli::CommandLine line = cli::parseCommandLine(words, kOptions, stop);
            QStringList values;  // options given | positional words | error
            for (const auto& [name, value] : line.values)
                values << QString::fromStdString(name + "=" + value);
            std::string positional;
            for (const std::string& word : line.positional)
                positional += (positional.empty() ? "" : " ") + word;
            QCOMPARE(values.join(' ') + QString::fromStdString("|" + positional + "|" + line.error),
                     QString(read));
        }
        // Windows' "/?" asks for the help.
        QCOMPARE(cli::windowsHelpWords({"/?", "status", "/x"}),
                 (std::vector<std::string>{"--help", "status", "/x"}));
    }
};

QTEST_APPLESS_MAIN(TestShared)
#include "test_shared.moc"
