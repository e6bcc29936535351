// r7k-panel.exe under Wine, driven through its real window as an operator drives it, with a
// pseudo-terminal the test plays as the projector on COM1.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include "panel/layout.h"
#include "panel/pixels.h"
#include "pty_pair.h"

using namespace r7k;

class WinPanel : public QObject {
    Q_OBJECT

    QString m_exe, m_prefix;
    QProcess m_xvfb, m_panel;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QString m_window;
    QByteArray m_trace;

    QString xdotool(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("xdotool", args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString findWindow(const QString& title, int ms) {
        QElapsedTimer t;
        t.start();
        for (QString id; t.elapsed() < ms; QTest::qWait(200)) {
            if (!(id = xdotool({"search", "--onlyvisible", "--name", title})).isEmpty())
                return id;
        }
        return {};
    }
    // A control's place in the window, its containers' places added, at `scale` times 96 DPI.
    static QRect placeOf(std::string_view name, int scale = 1) {
        const ControlSpec* row = findControl(name);
        const PixelRect r = pixelRect(*row, 15.0 / scale);
        QRect place(r.left, r.top, r.width, r.height);
        for (const ControlSpec* in = findControl(row->container); in;
             in = findControl(in->container))
            place.translate(pixelRect(*in, 15.0 / scale).left, pixelRect(*in, 15.0 / scale).top);
        return place;
    }
    QStringList at(std::string_view name, int scale = 1) {
        const QPoint centre = placeOf(name, scale).center();
        return {"mousemove", "--window", m_window, QString::number(centre.x()),
                QString::number(centre.y())};
    }
    // Waits for a --trace line holding `text` after what was already matched.
    bool traced(const QByteArray& text, int ms) {
        QElapsedTimer t;
        t.start();
        for (; t.elapsed() < ms; QTest::qWait(20)) {
            m_trace += m_panel.readAllStandardOutput();
            if (const qsizetype i = m_trace.indexOf(text); i >= 0) {
                m_trace.remove(0, i + text.size());
                return true;
            }
        }
        return false;
    }
    void link(const PtyPair& pty, const char* com = "com5") {
        const QString path = m_prefix + "/dosdevices/" + com;
        QFile::remove(path);
        // Wine's processes must not inherit the projector's end: a hang-up would not be one.
        fcntl(pty.master, F_SETFD, FD_CLOEXEC);
        QVERIFY(QFile::link(QString::fromStdString(pty.slave), path));
    }
    QString registry() {
        QProcess reg;
        reg.setProcessEnvironment(m_env);
        reg.start("wine", {"reg", "query", "HKCU\\Software\\r7k-panel\\ports"});
        reg.waitForFinished(30000);
        return QString::fromUtf8(reg.readAllStandardOutput());
    }

  private slots:
    void initTestCase() {
        m_exe = qEnvironmentVariable("R7K_WIN_BUILD") + "/r7k-panel.exe";
        m_prefix = qEnvironmentVariable("WINEPREFIX");
        if (m_prefix.isEmpty() || !QFile::exists(m_exe)) {
            if (qEnvironmentVariable("R7K_REQUIRE_WINE") == "1")
                QFAIL("R7K_WIN_BUILD (with r7k-panel.exe) and WINEPREFIX are required");
            QSKIP("set R7K_WIN_BUILD and WINEPREFIX to run r7k-panel.exe under Wine");
        }
        if (m_env.value("DISPLAY").isEmpty()) {  // a screen of our own
            m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24"});
            QVERIFY(m_xvfb.waitForReadyRead(10000));
            m_env.insert("DISPLAY", ":" + QString(m_xvfb.readLine()).trimmed());
        }
        m_env.insert("WINEDEBUG", "-all");
        m_env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    }
    void cleanupTestCase() {
        m_panel.kill();
        m_panel.waitForFinished();
        QProcess::execute("wineserver", {"-k"});
        m_xvfb.kill();
        m_xvfb.waitForFinished();
    }

    void operatorSession() {
        // Only this test's ports and no remembered choice.
        for (const QString& com : QDir(m_prefix + "/dosdevices").entryList({"com*"}, QDir::System))
            QFile::remove(m_prefix + "/dosdevices/" + com);
        QProcess::execute("wine", {"reg", "delete", "HKCU\\Software\\r7k-panel", "/f"});
        PtyPair projector;
        link(projector);
        m_panel.setProcessEnvironment(m_env);
        m_panel.start("wine", {m_exe, "--com1", "COM5", "--trace"});
        m_window = findWindow("^TOVA", 30000);
        QVERIFY2(!m_window.isEmpty(), "the panel's window did not come up");
        QTest::qWait(1000);
        // Ctrl+J and a double-click on the logo: the full view, where
        // every button is in reach.
        xdotool({"key", "--window", m_window, "ctrl+j"});
        xdotool(at("Image1") << "click"
                             << "--repeat"
                             << "2"
                             << "--delay"
                             << "60"
                             << "1");
        QTRY_VERIFY_WITH_TIMEOUT(xdotool({"getwindowgeometry", m_window})
                                     .contains("633x" + QString::number(toPixels(kFullBand, 15))),
                                 3000);

        // Clicks: exactly the command on the line, and what the reply (or none) shows, the
        // trace in Windows' line ends. A reply may come in pieces a millisecond apart ('|'),
        // or after a flood of bytes one at a time: the panel then reads them gathered, and
        // still shows the reply whole, nothing lost.
        const struct {
            const char* button;
            const char* sent;
            int flood;  // 'a's before the reply, one every half millisecond
            const char* reply;
            const char* shown;
        } kClicks[] = {{"Command17", "C00\r", 0, "", "RXD\t X X X X\r\n"},
                       {"Command44", "CR0\r", 0, "00\r", "STATUS\t Power ON\r\n"},
                       {"Command44", "CR0\r", 0, "0|0|\r", "RXD\t 0 0 CR \r\n"},
                       {"Command44", "CR0\r", 400, "00\r", " a a 0 0 CR \r\n"}};
        for (const auto& c : kClicks) {
            xdotool(at(c.button) << "click"
                                 << "1");
            const std::string sent = projector.read(std::strlen(c.sent), 1000);
            QVERIFY2(sent == c.sent, sent.c_str());
            for (int i = 0; i < c.flood; ++i, QThread::usleep(500))
                projector.write("a");
            for (const QByteArray& piece : QByteArray(c.reply).split('|'))
                projector.write(piece.toStdString()), QThread::usleep(1000);
            if (!traced(c.shown, 3000))
                QFAIL(m_trace.constData());
            QVERIFY(traced("STATUS\t\r\n", 3000));  // the display clears: the panel is idle
        }

        // A held VOL + repeats every 250 ms and stops on release.
        xdotool(at("Command1") << "mousedown"
                               << "1");
        const std::string held = projector.read(1000, 1100);
        xdotool({"mouseup", "1"});
        const std::string after = projector.read(1000, 700);
        const auto count = [](const std::string& s) { return int(s.size() / 4); };
        QVERIFY2(count(held) >= 4 && count(held) <= 6 &&
                     held.find_first_not_of("C09\r") == std::string::npos,
                 held.c_str());
        QVERIFY2(count(after) <= 1, after.c_str());

        // A hang-up gives one box; once it is closed and a new line is there, the panel
        // reconnects.
        projector.hangUp();
        const QString box = findWindow("^R7KM & R7K CONTROL$", 10000);
        QVERIFY2(!box.isEmpty(), "no box for the lost line");
        QCOMPARE(box.split('\n').size(), 1);
        xdotool({"key", "--window", box, "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(xdotool({"search", "--name", "^R7KM & R7K CONTROL$"}).isEmpty(),
                                 5000);
        PtyPair again;
        link(again);
        QVERIFY(traced(" COM1 (COM5) reconnected", 10000));

        // The port menu closes when its group hides itself, 5 s after COM was pressed: a choice
        // from it would change a port the operator no longer sees.
        const auto shown = [this] {
            return xdotool({"search", "--onlyvisible", "--classname", "r7k-panel.exe"})
                .split('\n')
                .size();
        };
        xdotool(at("Command33") << "click"
                                << "1");
        xdotool(at("Option1") << "click"
                              << "3");
        QTRY_COMPARE_WITH_TIMEOUT(shown(), 2, 3000);  // the window and its menu
        QTRY_COMPARE_WITH_TIMEOUT(shown(), 1, 8000);

        // COM1 mapped to the port "COM1" from the port menu (COM, a right-click on COM1; it is
        // the menu's first entry): the link moves there at once and the choice is remembered
        // for the next start.
        PtyPair moved;
        link(moved, "com1");
        xdotool(at("Command33") << "click"
                                << "1");
        xdotool(at("Option1") << "click"
                              << "3");
        QTest::qWait(1000);
        xdotool({"key", "Down", "Return"});
        QTest::qWait(1000);
        xdotool(at("Command17") << "click"
                                << "1");
        QCOMPARE(moved.read(4, 3000), std::string("C00\r"));
        QVERIFY2(registry().contains(QRegularExpression("com1\\s+REG_SZ\\s+COM1")),
                 qPrintable(registry()));

        if (const QString shot = qEnvironmentVariable("R7K_WIN_SCREENSHOT"); !shot.isEmpty())
            QProcess::execute("import",
                              {"-display", m_env.value("DISPLAY"), "-window", m_window, shot});
        m_panel.kill();
        m_panel.waitForFinished();
    }

    // The view button's two-line caption in the data view, inside its face at either density:
    // no ink (dark pixels) on its raised edge or on the face's first row, and some within.
    void viewCaption_data() {
        QTest::addColumn<int>("scale");
        QTest::addRow("96 dpi") << 1;
        QTest::addRow("192 dpi") << 2;
    }
    void viewCaption() {
        QFETCH(int, scale);
        const auto dpi = [this](int value) {
            QProcess reg;
            reg.setProcessEnvironment(m_env);
            reg.start("wine", {"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                               "/t", "REG_DWORD", "/d", QString::number(value), "/f"});
            reg.waitForFinished(30000);
        };
        dpi(96 * scale);
        PtyPair projector;
        link(projector);
        m_panel.setProcessEnvironment(m_env);
        m_panel.start("wine", {m_exe, "--com1", "COM5"});
        m_window = findWindow("^TOVA", 30000);
        QVERIFY2(!m_window.isEmpty(), "the panel's window did not come up");
        QTest::qWait(1000);
        // Ctrl+J, then the view button (CLOSE) and Space on it: the data view.
        xdotool({"key", "--window", m_window, "ctrl+j"});
        QTest::qWait(500);
        xdotool(at("Command34", scale) << "click"
                                       << "1");
        QTest::qWait(500);
        xdotool({"key", "--window", m_window, "space"});
        QTest::qWait(1000);
        // Whole on the screen, so that the shot is the whole window.
        xdotool({"windowmove", m_window, "0", "0"});
        QTest::qWait(500);
        const QString shot = QDir::temp().filePath(QString("r7k-view-%1.png").arg(::getpid()));
        QProcess::execute("import",
                          {"-display", m_env.value("DISPLAY"), "-window", m_window, shot});
        const QImage image(shot);
        QFile::remove(shot);
        m_panel.kill();
        m_panel.waitForFinished();
        dpi(96);
        QCOMPARE(image.height(), toPixels(kDataBand, 15.0 / scale));
        const QRect face = placeOf("Command34", scale);
        const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 96; };
        int inkOutside = 0, inkInside = 0;
        for (int y = face.top(); y <= face.bottom(); ++y) {
            for (int x = face.left() + 2; x <= face.right() - 2; ++x) {
                const bool rim = y <= face.top() + 2 || y >= face.bottom() - 2;
                (rim ? inkOutside : inkInside) += dark(x, y) ? 1 : 0;
            }
        }
        QVERIFY2(inkInside > 0, "no caption");
        QCOMPARE(inkOutside, 0);
    }

    // The boxes an operator meets outside the panel's work: each within the screen, with the
    // text in full on standard error; a usage error without a console in a box of its own.
    // Wine's trace of each box's text is read from standard error.
    void boxes_data() {
        QTest::addColumn<QString>("registry");  // the value of com1 remembered
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("shortcut");  // started as from a shortcut: no console, no redirect
        QTest::addColumn<QString>("title");  // of the box; empty: none comes
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("printed");  // on standard error
        QTest::addColumn<int>("exit");         // -1: the panel runs on
        const QString x1500 = QString(1500, 'x');
        QStringList lines;
        for (int i = 1; i <= 100; ++i)
            lines << QString("line %1 of a value written by hand").arg(i);
        // clang-format off
        QTest::addRow("1,500-character value: cut in the middle") << x1500 << QStringList() << false
            << "R7KM & R7K CONTROL"
            << "com1 = \\\"" + QString(29, 'x') + "\\2026" + QString(28, 'x') + "\\\" was skipped"
            << "com1 = \"" + x1500 + "\" was skipped" << -1;
        QTest::addRow("100 lines: cut in the middle") << lines.join('\n') << QStringList() << false
            << "R7KM & R7K CONTROL" << "com1 = \\\"line 1 of a value written by hand\\nline 2"
            << "by hand; line 100 of a value written by hand\" was skipped" << -1;
        QTest::addRow("10,000 characters in words: cut in the middle")
            << QString("x ").repeated(5000) << QStringList() << false << "R7KM & R7K CONTROL" << "com1 = \\\"x x x"
            << "x x x \" was skipped" << -1;
        QTest::addRow("unknown option, no console: a box") << "" << QStringList{"--bogus"} << true
            << "r7k-panel" << "r7k-panel: unknown option '--bogus'\\n\\nUsage: r7k-panel" << ""
            << 2;
        QTest::addRow("unknown option, redirected: printed") << "" << QStringList{"--bogus"}
            << false << "" << "" << "r7k-panel: unknown option '--bogus'\r\n\r\nUsage: r7k-panel"
            << 2;
        QTest::addRow("--com2 by the registry's rule") << "" << QStringList{"--com2", "/dev/ttyUSB0"}
            << false << "" << "" << "r7k-panel: --com2 /dev/ttyUSB0: not a COM port name (COM1 to COM255" << 2;
        QTest::addRow("/?, as --help") << "" << QStringList{"/?"} << false << "" << "" << "" << 0;
        // clang-format on
    }
    void boxes() {
        QFETCH(QString, registry);
        QFETCH(QStringList, args);
        QFETCH(bool, shortcut);
        QFETCH(QString, title);
        // A usage error comes before the registry is read; the other rows replace com1.
        if (!registry.isEmpty())
            QProcess::execute("wine", {"reg", "add", "HKCU\\Software\\r7k-panel\\ports", "/v",
                                       "com1", "/d", registry, "/f"});
        QProcess panel;
        QProcessEnvironment env = m_env;
        env.insert("WINEDEBUG", "-all,trace+msgbox");
        panel.setProcessEnvironment(env);
        // start.exe gives the program no standard handles, as a shortcut does.
        panel.start("wine", (shortcut ? QStringList{"start", "/wait", "/unix"} : QStringList()) +
                                QStringList{m_exe} + args);
        if (!title.isEmpty()) {
            const QString box = findWindow("^" + title + "$", 20000);
            QVERIFY2(!box.isEmpty(), qPrintable(title));
            const QStringList size =
                xdotool({"getwindowgeometry", box}).section("Geometry: ", 1).split('x');
            QVERIFY2(size.value(0).toInt() <= 1280 && size.value(1).toInt() <= 1024,
                     qPrintable(size.join('x')));
            xdotool({"key", "--window", box, "Return"});
        }
        QFETCH(int, exit);
        QCOMPARE(panel.waitForFinished(exit < 0 ? 500 : 20000), exit >= 0);
        panel.kill();
        panel.waitForFinished();
        const QString err = QString::fromUtf8(panel.readAllStandardError());
        QFETCH(QString, boxText);
        QFETCH(QString, printed);
        QVERIFY2(err.contains("MSGBOX_OnInit") == !title.isEmpty() && err.contains(boxText) &&
                     err.contains(printed),
                 qPrintable(err));
        if (exit >= 0)
            QCOMPARE(panel.exitCode(), exit);
    }
};

QTEST_GUILESS_MAIN(WinPanel)
#include "test_win_panel.moc"
