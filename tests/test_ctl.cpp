// r7k-ctl: its step names, its runner on virtual time, and the binary against r7k-sim.
#include <signal.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <numeric>

#include "ctl/invocation.h"
#include "ctl/output.h"
#include "fakes/ctl_rig.h"

using namespace r7k;
using namespace r7k::ctl;
using namespace r7k::session;

using fakes::CtlRig;

class TestCtl : public QObject {
    Q_OBJECT
  private slots:
    void runs_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("replies");  // "command=reply;...", pieces split at '|'
        QTest::addColumn<QString>("options");  // "9600" for --speed 9600
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("lines");   // human output, '|' between lines
        QTest::addColumn<QString>("writes");  // "ms command|...", then the end time
        // clang-format off
        QTest::addRow("queries, each after the last reply window")
            << "status,lamp-time,send,CR PRESSURE,send,CR7"
            << "CR0=80\r;CR3=01234\r;CR PRESSURE=5|12\r;CR7=03\r" << "" << 0
            << "Stand by|0 1 2 3 4 CR  Hour Use|650 hPa|No1,2 ON  : 2 Lamp mode"
            << "0 CR0|500 CR3|1000 CR PRESSURE|3000 CR7|3001 end";
        QTest::addRow("dropped: exit 3 at the inherited time-out") << "image-real,status,power-off"
            << "CF IMAGE REAL=\x06" << "" << 3 << "ACK|X X X X"
            << "0 CF IMAGE REAL|2000 CR0|4000 end";
        QTest::addRow("held: counted sends at their pace") << "vol-up:3,zoom-up:2"
            << "C09=\x06;C47=\x06" << "" << 0 << "ACK|ACK"
            << "0 C09|250 C09|500 C09|501 C47|551 C47|552 end";
        QTest::addRow("wait, at 9600") << "power-on,wait,2.5,status" << "C00=\x06;CR0=00\r"
            << "9600" << 0 << "ACK||Power ON" << "0 C00|2501 CR0|2502 end";
        QTest::addRow("lost: exit 4") << "power-on,status" << "C00=hangup" << "" << 4 << ""
            << "0 C00|1 end";
        // clang-format on
    }

    void runs() {
        QFETCH(QString, replies);
        QFETCH(QString, options);
        CtlRig rig;
        for (const QString& entry : replies.split(';', Qt::SkipEmptyParts))
            rig.replies[entry.section('=', 0, 0)] = entry.section('=', 1).split('|');
        QFETCH(QString, words);
        rig.run(words, RunOptions{options == "9600", std::nullopt});
        QStringList lines, writes;
        for (const StepResult& r : rig.results)
            lines << QString::fromStdString(humanLine(r));
        for (const auto& w : rig.serial.writes)
            writes << QString::number(w.at.count()) + " " + QString::fromLatin1(w.bytes).chopped(1);
        QTEST(rig.status, "exit");
        QTEST(lines.join('|'), "lines");
        QTEST((writes << QString::number(rig.clock.now().count()) + " end").join('|'), "writes");
        QCOMPARE(rig.serial.settings(),
                 std::string(options == "9600" ? "9600,N,8,1" : "19200,N,8,1"));
    }

    // Every step kind against the right answer, an echo of its command, NAK and silence.
    void answers_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("replies");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("value");  // JSON, then the plain value after '|'
        // clang-format off
        const std::tuple<const char*, const char*, int, const char*, const char*> rows[] = {
            {"power-on", "C00=\x06", 0, "ack", "null"}, {"power-on", "C00=C00\r", 6, "unexpected", "null"},
            {"power-on", "C00=\x15", 5, "nak", "null"}, {"power-on", "", 3, "timeout", "null"},
            {"vol-up:2", "C09=\x06", 0, "ack", "null"}, {"vol-up:2", "C09=C09\r", 6, "unexpected", "null"},
            {"status", "CR0=80\r", 0, "reply", R"({"power":"standby","warnings":[]}|standby)"},
            {"status", "CR0=24\r", 0, "reply", R"({"power":"cooling-down","warnings":["lamp-off-by-power-management","temperature"]}|cooling-down lamp-off-by-power-management,temperature)"},
            {"status", "CR0=CR0\r", 6, "unexpected", "null"}, {"status", "CR0=\x06", 6, "unexpected", "null"},
            {"status", "CR0=0\r", 6, "unexpected", "null"}, {"status", "CR0=\x15", 5, "nak", "null"},
            {"mode", "CR1=12\r", 0, "reply", "1|1"}, {"mode", "CR1=5\r", 6, "unexpected", "null"},
            {"setting", "CR4=10\r", 0, "reply", R"({"left_right":false,"top_bottom":true}|top-bottom)"},
            {"lamp-time", "CR3=01234\r", 0, "reply", "1234|1234"}, {"lamp-time", "CR3=12a\r", 6, "unexpected", "null"},
            {"lamp-time", "CR3=\r", 6, "unexpected", "null"}, {"lamp-time", "CR3=12", 3, "timeout", "null"}, {"lamp-time", "CR3=1234567890\r", 6, "unexpected", "null"},
            {"temp", "CR6=+24.0 -05.5 +25.0\r", 0, "reply", "[24.0,-5.5,25.0]|24.0 -5.5 25.0"},
            {"temp", "CR6=-0.0 1  2\r", 0, "reply", "[0.0,1,2]|0.0 1 2"},
            {"temp", "CR6=+24.0 +25.5\r", 6, "unexpected", "null"}, {"temp", "CR6=1 2 3 4\r", 6, "unexpected", "null"},
            {"temp", "CR6=1. 2 3\r", 6, "unexpected", "null"}, {"temp", "CR6=CR6\r", 6, "unexpected", "null"},
            {"send,CRA", "CRA=FF\r", 0, "reply", R"({"audio":null,"state":"standby","video":null}|standby)"},
            {"send,CRA", "CRA=03\r", 0, "reply", R"({"audio":true,"state":"active","video":true}|video,audio)"},
            {"send,CRA", "CRA=ff\r", 6, "unexpected", "null"},
            {"send,CR PRESSURE", "CR PRESSURE=2.5\r", 0, "reply", "108|108"},
            {"send,CR PRESSURE", "CR PRESSURE=-6553\r", 0, "reply", "-6865|-6865"},
            {"send,CR PRESSURE", "CR PRESSURE=6554\r", 6, "unexpected", "null"},
            {"send,CR PRESSURE", "CR PRESSURE=ABC\r", 6, "unexpected", "null"},
            {"send,CR7", "CR7=22\r", 0, "reply", R"({"in_use":[2],"lit":[2],"mode":"1-lamp"}|1-lamp-no2 2)"},
            {"send,CR7", "CR7=21\r", 6, "unexpected", "null"},
            {"send,CR9", "CR9=A\"\\ B\r", 0, "reply", R"("A\"\\ B"|A"\ B)"},
            {"pfail", "CR INFPFAIL=CR INFPFAIL\r", 0, "reply", R"("CR INFPFAIL"|CR INFPFAIL)"},
            {"send,C99", "C99=\x06", 0, "ack", "null"}, {"send,C99", "C99=zz\r", 0, "reply", "null"},
        };
        // clang-format on
        for (const auto& [words, replies, exit, outcome, value] : rows)
            QTest::addRow("%s %s", words, replies) << words << replies << exit << outcome << value;
    }
    void answers() {
        QFETCH(QString, replies);
        QFETCH(QString, value);
        CtlRig rig;
        if (!replies.isEmpty())
            rig.replies[replies.section('=', 0, 0)] = QStringList{replies.section('=', 1)};
        QFETCH(QString, words);
        rig.run(words);
        QTEST(rig.status, "exit");
        QCOMPARE(rig.results.size(), std::size_t(1));
        const StepResult& r = rig.results[0];
        QTEST(QString::fromStdString(std::string(outcomeName(r.outcome))), "outcome");
        const QByteArray line = QByteArray::fromStdString(jsonLine(r));
        QVERIFY(QJsonDocument::fromJson(line).isObject());
        QCOMPARE(line.mid(line.indexOf(",\"value\":") + 9).chopped(2), value.section('|', 0, 0));
        QCOMPARE(QString::fromStdString(outputLine(r, Output::Value)),
                 value == "null" ? QString() : value.section('|', 1) + "\n");
        // Whichever time-out runs out first, a silent projector reads the same.
        if (r.outcome == Outcome::Timeout)
            QCOMPARE(humanLine(r), std::string("X X X X"));
    }

    void invocation_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("got");  // the error, or the port, its panel number and output
        // clang-format off
        for (const auto& [args, got] : {
                 std::pair{"--port,--json,status", "--port needs a value"},
                 {"--json,--value,status", "--json and --value cannot be used together"},
                 {"-x,status", "unknown option '-x'"}, {"--port=,status", "--port needs a device"},
                 {"send,CR0\rC01", "control character 0x0D at position 4"},
                 {"send,\x7f", "control character 0x7F at position 1"},
                 {"send,", "send: the command is empty"}, {"status,--json", "options go before"},
                 {"--timeout,0,status", "--timeout 0: expected"}, {"--speed,4800,list", "--speed 4800"},
                 {"--timeout,-5,status", "--timeout -5: expected milliseconds from 1"},
                 {"--port=com2,--value,status", "com2 COM2 2"}, {"--port,COM1,--json,list", "COM1 COM1 1"},
                 {"--port,COM3,STATUS,Send,CR0", "COM3  0"}, {"--port,/dev/COM1,status", "/dev/COM1  0"},
                 {"status", " COM1 0"}})
            QTest::addRow("%s", args) << QString(args) << QString(got);
        // clang-format on
    }
    void invocation() {
        QFETCH(QString, args);
        std::vector<std::string> words;
        for (const QString& w : args.split(','))
            words.push_back(w.toStdString());
        const Invocation call = readInvocation(words);
        const std::string result = call.error.empty() ? call.port + " " + runPortName(call.port) +
                                                            " " + std::to_string(int(call.output))
                                                      : call.error;
        QFETCH(QString, got);
        QVERIFY2(QString::fromStdString(result).contains(got), result.c_str());
    }

    // Without --port, or with COM1 or COM2, r7k-ctl goes where the panel's settings file says.
    void settingsFile() {
        QProcess simulator;
        simulator.start(qEnvironmentVariable("R7K_SIM"), {});
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString pty = QString::fromLatin1(simulator.readLine()).trimmed().section("on ", 1);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("r7k-panel"));
        QFile file(home.filePath("r7k-panel/r7k-panel.conf"));
        const auto run = [&](const QString& contents, const QString& args) {
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(contents.toUtf8());
            file.close();
            QProcess ctl;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", home.path());
            ctl.setProcessEnvironment(env);
            ctl.start(qEnvironmentVariable("R7K_CTL"), ("--timeout,300," + args).split(','));
            ctl.waitForFinished(10000);
            return QString::number(ctl.exitCode()) + " " + ctl.readAllStandardOutput().trimmed() +
                   ctl.readAllStandardError();
        };
        const QString ports = "[ports]\ncom1=" + pty + "\ncom2=/dev/r7k-none\n";
        QCOMPARE(run(ports, "status"), "0 Stand by");
        QCOMPARE(run(ports, "--port,com1,status"), "0 Stand by");
        QVERIFY(run(ports, "--port,COM2,status").startsWith("4 r7k-ctl: COM2 (/dev/r7k-none)"));
        QCOMPARE(run("[ports]\ncom1=/dev/r7k-none\n", "--port," + pty + ",status"), "0 Stand by");
        QVERIFY(run("[ports]\ncom1=r7k\n", "--port," + pty + ",status").startsWith("0 Stand by"));
        QVERIFY(run("[ports]\ncom1=r7k\n", "status").contains(file.fileName() + ": "));
        simulator.terminate();
        simulator.waitForFinished(3000);
    }

    void jsonKeepsEveryByte() {
        QByteArray all(256, 0);
        std::iota(all.begin(), all.end(), 0);
        CtlRig rig;
        rig.replies[QString::fromLatin1("\xff\x80 x")] = QStringList{QString::fromLatin1(all)};
        rig.run(QString::fromLatin1("send,\xff\x80 x"));
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(jsonLine(rig.results.at(0))))
                .object();
        QCOMPARE(o["received"].toString().toLatin1(), all);
        QCOMPARE(o["sent"].toString().toLatin1(), QByteArray("\xff\x80 x\r"));
    }

    void binary_data() {
        QTest::addColumn<QString>("sim");   // r7k-sim options, ',' between words
        QTest::addColumn<QString>("args");  // r7k-ctl steps after --json --port PTY, likewise
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("results");  // per step "outcome:status" ("-" for none), '|'
        QTest::addColumn<QString>("message");  // in standard error
        // clang-format off
        QTest::addRow("power on, wait, queries around a hold") << "--fast"
            << "power-on,wait,2.5,status,vol-up:2,lamp-time" << 0
            << "ack:-|waited:-|reply: Power ON|ack:-|reply: 0 1 2 3 4 CR  Hour Use" << "";
        QTest::addRow("over the network") << "--listen,0" << "status" << 0 << "reply: Stand by" << "";
        QTest::addRow("replies in pieces decode the same") << "--pieces,3,--gap,20"
            << "mode,setting,temp,send,CRA,send,CR9" << 0
            << "reply: Input mode 1|reply: Normally|"
               "reply:  S1= + 2 4 . 0 C  ,   S2=  2 5 . 5 C , S3= + 2 5 . 0 C|reply: Stand by|"
               "reply: R 7 K   S I M   V 1 . 4 0 CR " << "";
        QTest::addRow("dropped, --timeout: exit 3, the rest not run") << "--drop-all"
            << "--timeout,100,status,power-off" << 3 << "timeout:-"
            << "status: no reply within 100 ms on /dev/pts/";
        QTest::addRow("NAK: exit 5") << "" << "send,cr0,status" << 5 << "nak:-"
            << "send cr0: the projector answered NAK";
        QTest::addRow("unknown step: exit 2, port untouched") << "" << "status,power-of" << 2 << ""
            << "did you mean power-off or power-on?";
        QTest::addRow("bad count") << "" << "vol-up:0" << 2 << "" << "vol-up:0: the count";
        QTest::addRow("send, no code") << "" << "status,send" << 2 << "" << "'send' needs";
        QTest::addRow("bad wait") << "" << "wait,-1" << 2 << "" << "wait -1: expected seconds";
        QTest::addRow("no such device: exit 4") << "" << "--port,/dev/r7k-none,status" << 4 << ""
            << "r7k-ctl: /dev/r7k-none cannot be opened: No such file or directory";
        QTest::addRow("a folder: exit 4") << "" << "--port,/tmp,status" << 4 << ""
            << "\n/tmp is a folder, not a serial port.";
        QTest::addRow("the projector's line hangs up: exit 4") << "" << "wait,30" << 4 << "lost:-"
            << "r7k-ctl: /dev/pts/";
        QTest::addRow("SIGHUP: as SIGTERM") << "" << "wait,30" << 128 + SIGHUP << ""
            << "stopped by Hangup; the port is closed";
        QTest::addRow("SIGINT in a wait: at once, port closed") << "" << "wait,30" << 128 + SIGINT
            << "" << "stopped by Interrupt; the port is closed";
        // clang-format on
    }

    void binary() {
        QFETCH(QString, sim);
        QFETCH(QString, args);
        QFETCH(int, exit);
        QProcess simulator;
        simulator.start(qEnvironmentVariable("R7K_SIM"), sim.split(',', Qt::SkipEmptyParts));
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString pty = QString::fromLatin1(simulator.readLine()).trimmed().section("on ", 1);
        QProcess ctl;  // a later --port overrides this one
        ctl.start(qEnvironmentVariable("R7K_CTL"),
                  QStringList{"--json", "--port", pty} + args.split(','));
        QByteArray log;  // the simulator's
        const bool hangUp = exit == kExitPort && args.startsWith("wait");
        if (exit > 128 || hangUp) {
            QTRY_VERIFY((log += simulator.readAllStandardError()).contains("the line was opened"));
            hangUp ? simulator.kill() : (void)::kill(pid_t(ctl.processId()), exit - 128);
        }
        QVERIFY(ctl.waitForFinished(exit > 128 ? 2000 : 30000));
        QStringList results;
        for (const QByteArray& line : ctl.readAllStandardOutput().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!line.isEmpty())
                results << o["outcome"].toString() + ":" + o["status"].toString("-");
        }
        QTEST(results.join('|'), "results");
        QTEST(ctl.exitCode(), "exit");
        QFETCH(QString, message);
        const QString said = QString::fromLocal8Bit(ctl.readAllStandardError());
        QVERIFY2(said.contains(message), qPrintable(said));
        if (hangUp) {
            QVERIFY2(said.endsWith(" was lost: the device hung up.\n"), qPrintable(said));
            return;
        }
        // The port is closed at the end, and never opened when the words or the device were wrong.
        const bool opened = exit != 2 && exit != 4;
        if (opened)
            QTRY_VERIFY((log += simulator.readAllStandardError()).contains("the line was closed"));
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(3000));
        QCOMPARE((log + simulator.readAllStandardError()).contains("opened"), opened);
    }
};

QTEST_MAIN(TestCtl)
#include "test_ctl.moc"
