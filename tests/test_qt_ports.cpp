// Where COM1 and COM2 point: the command line, the settings file and the default, and the
// port option's menu in the real window moving the link and remembering the choice.
#include <QtTest>

#include <QInputDialog>
#include <QMenu>
#include <QTemporaryDir>

#include "panel/controller.h"
#include "qt/panel_window.h"
#include "qt/port_menu.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"
#include "qt/settings_file.h"
#include "sim_process.h"

using namespace r7k;

class TestQtPorts : public QObject {
    Q_OBJECT
  private slots:
    void mapping_data() {
        QTest::addColumn<QString>("file");  // the settings file; "<dir>": a folder in its place
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("mapped");  // both ports, then what was skipped
        const auto row = [](const char* name, const char* file, const char* option,
                            const char* mapped) {
            QTest::addRow("%s", name) << QString(file) << QString(option) << QString(mapped);
        };
        // clang-format off
        row("no file", "", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)");
        row("the file", "[ports]\ncom1=/dev/pts/9\ncom2=rfc2217://[::1]:4001\n", "", "/dev/pts/9 (settings file), rfc2217://[::1]:4001 (settings file)");
        row("not a file", "<dir>", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)|not a file");
        row("not text", "\x7f" "ELF\x02\x01\x01\n[ports]\ncom1=/dev/pts/9\n", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)|: not a text file;");
        row("section in capitals", "[Ports]\ncom1=/dev/pts/9\n", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)|no [ports] section ([Ports] is not [ports]: section names are case-sensitive)");
        row("no section", "com1=/dev/pts/9\n", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)|: no [ports] section;");
        row("key in capitals", "[ports]\nCOM1=/dev/pts/9\ncom2=/dev/pts/8\n", "", "/dev/ttyS0 (default), /dev/pts/8 (settings file)|ports/COM1 = \"/dev/pts/9\" was skipped (unknown key; keys are case-sensitive");
        row("comments only", "; none yet\n", "", "/dev/ttyS0 (default), /dev/ttyS1 (default)");
        // clang-format on
    }
    void mapping() {
        QFETCH(QString, file);
        QFETCH(QString, option);
        QFETCH(QString, mapped);
        QTemporaryDir dir;
        // A folder named like a placeholder of QString::arg(), which must stay as it is.
        const QString path = dir.filePath("%2/r7k-panel.conf");
        QDir().mkpath(file == "<dir>" ? path : dir.filePath("%2"));
        if (!file.isEmpty() && file != "<dir>") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file.toUtf8()) > 0);
        }
        SettingsFile store(path);
        const StoredPorts settings(store);
        QStringList got;
        for (int port : {1, 2}) {
            const auto m = settings.mapping(port, port == 1 ? option.toStdString() : "");
            got << QString::fromStdString(m.address + " (" + std::string(originText(m.origin)) +
                                          ")");
        }
        QCOMPARE(got.join(", "), mapped.section('|', 0, 0));
        // One sentence for each thing skipped, each naming the file.
        const QStringList skipped = mapped.split('|').mid(1);
        QCOMPARE(settings.problems().size(), skipped.size());
        for (int i = 0; i < skipped.size(); ++i) {
            const QString problem = QString::fromStdString(settings.problems()[i]);
            QVERIFY2(problem.startsWith(path + ": ") && problem.contains(skipped[i]),
                     qPrintable(problem));
        }
    }

    // A folder that cannot be made: the choice still applies, and the reason is given.
    void rememberFails() {
        QTemporaryFile notAFolder;
        QVERIFY(notAFolder.open());
        SettingsFile file(notAFolder.fileName() + "/r7k-panel.conf");
        StoredPorts settings(file);
        QVERIFY(settings.remember(2, "/dev/ttyUSB0").find("could not be remembered") !=
                std::string::npos);
        QCOMPARE(settings.mapping(2, {}).address, std::string("/dev/ttyUSB0"));
    }

    // Right-click on COM1 in the real window, "Network address…", the simulator's address: the
    // link moves there from the pseudo-terminal it was on, and the next start is there too.
    void menuMovesTheLink() {
        QTemporaryDir dir;
        SettingsFile file(dir.filePath("r7k-panel/r7k-panel.conf"));
        StoredPorts settings(file);
        SimProcess sim({"--quiet", "--listen", "0"});
        SimProcess first({"--quiet"});
        PanelWindow window;
        QtPortRouter router(*parsePortAddress(first.path.toStdString()).address,
                            *parsePortAddress("/dev/r7k-none").address);
        TimerSet<QtTimer> timers;
        PanelController form(timers.panel(), router, window);
        window.attach(&form);
        PortMenu menu(window, router, form, settings);
        form.load();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && router.portOpen());
        QTimer::singleShot(100, [&] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(popup);
            popup->setActiveAction(popup->actions().at(popup->actions().size() - 2));
            QTest::keyClick(popup, Qt::Key_Return);  // "Network address…"
            QTimer::singleShot(100, [&] {
                auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                QVERIFY(ask);
                ask->setTextValue(sim.path);
                ask->accept();
            });
        });
        QTest::mouseClick(window.control("Command33"), Qt::LeftButton);  // the port group
        QWidget* com1 = window.control("Option1");
        QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                          com1->mapTo(&window, com1->rect().center()));
        QTRY_COMPARE(com1->toolTip(), "COM1 = " + sim.path);
        QTRY_VERIFY(router.portOpen());
        form.click("Command44");
        QTRY_COMPARE(std::string(form.lineText("Label22")), std::string(" Stand by"));
        // Kept once the open is decided, a little after the link carries commands.
        QTRY_COMPARE(QString::fromStdString(StoredPorts(file).mapping(1, {}).address), sim.path);
    }
};

QTEST_MAIN(TestQtPorts)
#include "test_qt_ports.moc"
