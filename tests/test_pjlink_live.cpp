// r7k-pjlink against r7k-sim, with controllers written from the protocol and behaving as room
// controllers do: several at once, a password, bad lines, scanners, search and notification,
// a gateway, a silent projector, and option values refused.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QUdpSocket>
#include <QtTest>

#include "sim_process.h"

namespace {

// A controller: reads the greeting, sends lines, reads answers (CR removed; "closed" when the
// service has closed the connection).
struct Controller {
    QTcpSocket socket;
    QByteArray greeting;

    bool connectTo(quint16 port) {
        socket.connectToHost("127.0.0.1", port);
        socket.waitForConnected(5000);
        greeting = next().toLatin1();
        return greeting.startsWith("PJLINK");
    }
    QString next(int ms = 8000) {
        QDeadlineTimer deadline(ms);
        while (!socket.bytesAvailable() || !socket.peek(4096).contains('\r')) {
            if (socket.state() != QAbstractSocket::ConnectedState && !socket.bytesAvailable())
                return "closed";
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
                return socket.state() == QAbstractSocket::ConnectedState ? "silent" : "closed";
        }
        const QByteArray all = socket.peek(4096);
        return QString::fromLatin1(socket.read(all.indexOf('\r') + 1)).chopped(1);
    }
    void send(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();  // no event loop runs here to send it later
    }
    QString ask(const QByteArray& line) {
        send(line + "\r");
        return next();
    }
};

// The next datagram that arrives within `ms`, CR removed; "none" when none does.
QString datagram(QUdpSocket& socket, int ms = 3000) {
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(ms))
        return "none";
    QByteArray data(int(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(data.data(), data.size());
    return QString::fromLatin1(data).chopped(data.endsWith('\r') ? 1 : 0);
}

// A controller that closes its sending side after `bytes` (as socat does at the end of its
// input): all it reads until the service closes, or "(open)" after it when it does not.
QString sendThenHalfClose(quint16 port, const QByteArray& bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    QByteArray got;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size() &&
        ::shutdown(fd, SHUT_WR) == 0) {
        char buffer[512];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            got.append(buffer, n);
        if (n < 0)
            got += "(open)";
    }
    ::close(fd);
    return QString::fromLatin1(got).replace('\r', '|');
}

// r7k-pjlink on a free port for the simulator's line.
struct Service {
    QProcess process;
    quint16 port = 0;
    Service(const QString& device, const QStringList& args) {
        process.setReadChannel(QProcess::StandardError);
        process.start(qEnvironmentVariable("R7K_PJLINK"),
                      QStringList{"--port", device, "--listen", "127.0.0.1:0"} + args);
        while (!process.canReadLine() && process.waitForReadyRead(5000)) {
        }
        port = quint16(
            QString::fromLatin1(process.readLine()).section(':', 2).section(' ', 0, 0).toUInt());
    }
    ~Service() {
        process.terminate();
        process.waitForFinished(3000);
    }
};

}  // namespace

class TestPjlinkLive : public QObject {
    Q_OBJECT
  private slots:
    // The service against the simulator: what a controller meets.
    void service() {
        SimProcess sim({"--fast"});
        QTemporaryFile password;
        QVERIFY(password.open());
        password.write("secret\n");
        password.flush();
        Service service(sim.path, {"--password-file", password.fileName(), "--max-clients", "11",
                                   "--name", "Hall 2"});
        QVERIFY(service.port != 0);
        const auto digest = [](const QByteArray& greeting) {
            return QCryptographicHash::hash(greeting.mid(9) + "secret", QCryptographicHash::Md5)
                .toHex();
        };
        Controller wrong, right;
        QVERIFY(wrong.connectTo(service.port) && wrong.greeting.startsWith("PJLINK 1 "));
        QCOMPARE(wrong.ask(QByteArray(32, '0') + "%1POWR 1"), QString("PJLINK ERRA"));
        QCOMPARE(wrong.next(), QString("closed"));
        QTest::qWait(300);  // nothing of the refused request reaches the line
        QVERIFY(!sim.process.readAllStandardError().contains("C00"));
        QVERIFY(right.connectTo(service.port));
        QCOMPARE(right.ask(digest(right.greeting) + "%1POWR 1"), QString("%1POWR=OK"));
        QCOMPARE(right.ask("%1NAME ?"), QString("%1NAME=Hall 2"));
        // Ten controllers at once, each with its answers in order.
        std::vector<std::unique_ptr<Controller>> many;
        for (int i = 0; i < 10; ++i) {
            many.push_back(std::make_unique<Controller>());
            QVERIFY(many.back()->connectTo(service.port));
            many.back()->send(digest(many.back()->greeting) + "%1POWR ?\r%1INST ?\r%2SNUM ?\r");
        }
        Controller extra;  // one more than allowed is turned away
        QVERIFY(!extra.connectTo(service.port));
        for (auto& c : many) {
            const QString power = c->next();
            QVERIFY2(power.startsWith("%1POWR="), qPrintable(power));
            const QString inputs = c->next();
            QCOMPARE(inputs + "|" + c->next(), QString("%1INST=11 12 21 22|%2SNUM="));
        }
        // Bad lines close their connection alone; what was asked before them is done, the
        // one in the bad line's piece too, unanswered.
        many[0]->send("%1LAMP ?\r");
        QVERIFY(many[0]->next().startsWith("%1LAMP="));
        many[0]->send("%1AVMT ?\r" + QByteArray(200, 'A'));
        many[1]->send(QByteArray("\x00\xff\x13garbage\r", 11));
        many[2]->send("%1POW");  // a half line, left open
        QCOMPARE(many[0]->next(), QString("closed"));
        QCOMPARE(many[1]->next(), QString("closed"));
        // Cooling down refuses power on.
        QTRY_COMPARE_WITH_TIMEOUT(right.ask("%1POWR ?"), QString("%1POWR=1"), 5000);
        QByteArray simLog;
        QTRY_VERIFY((simLog += sim.process.readAllStandardError()).contains("\"CR3\"") &&
                    simLog.contains("\"CRA\""));
        QCOMPARE(many[3]->ask("%1INPT ?"), QString("%1INPT=11"));
        // Input, mute, errors and lamps, as a room controller uses them.
        for (const auto& [line, answer] : {std::pair{"%1INPT 21", "%1INPT=OK"},
                                           {"%1INPT ?", "%1INPT=21"},
                                           {"%1AVMT 31", "%1AVMT=OK"},
                                           {"%1AVMT ?", "%1AVMT=31"},
                                           {"%1ERST ?", "%1ERST=000000"}})
            QCOMPARE(right.ask(line), QString(answer));
        const QString lamps = right.ask("%1LAMP ?");
        QVERIFY2(QRegularExpression("^%1LAMP=\\d+ 1( \\d+ [01])?$").match(lamps).hasMatch(),
                 qPrintable(lamps));
        QCOMPARE(right.ask("%1POWR 0"), QString("%1POWR=OK"));
        QCOMPARE(right.ask("%1POWR 1"), QString("%1POWR=ERR3"));
        // A lost line is a projector failure once the service knows it; the service lives on.
        Controller last;
        QVERIFY(last.connectTo(service.port));
        sim.stop();
        QByteArray said;
        QTRY_VERIFY((said += service.process.readAllStandardError()).contains("trying again"));
        QCOMPARE(last.ask(digest(last.greeting) + "%1POWR ?"), QString("%1POWR=ERR4"));
        QCOMPARE(last.ask("%1CLSS ?"), QString("%1CLSS=1"));
    }

    // Controllers as they are met in rooms: lines ended by LF, blanks before a request, a
    // digest on every line (with and without a password), an over-long line, a subnet scanner's
    // burst of connections, and one that never reads its answers.
    void interop() {
        SimProcess sim({"--fast"});
        Service open(sim.path, {"--max-clients", "4"});
        const std::pair<QByteArray, QString> rows[] = {
            {"%1CLSS ?\n", "%1CLSS=1"},
            {" \t%1CLSS ?\r", "%1CLSS=1"},
            {QByteArray(32, 'f') + "%1CLSS ?\r", "%1CLSS=1"},
            {"%1POWR " + QByteArray(130, '0') + "\r", "%1POWR=ERR2"},
            {"%1INST ?\r", "%1INST=11 12 21 22"},
        };
        Controller c;
        QVERIFY(c.connectTo(open.port));
        for (const auto& [line, answer] : rows) {
            c.send(line);
            QCOMPARE(c.next(), answer);
        }
        for (int i = 0; i < 40; ++i) {  // connected and closed at once, as a scanner does
            QTcpSocket scan;
            scan.connectToHost("127.0.0.1", open.port);
            scan.waitForConnected(1000);
            scan.abort();
        }
        QTcpSocket idle;  // reads nothing, sends much
        idle.connectToHost("127.0.0.1", open.port);
        QVERIFY(idle.waitForConnected(1000));
        idle.setReadBufferSize(1);
        for (int i = 0; i < 200; ++i)
            idle.write(QByteArray("%1INST ?\r").repeated(100));
        Controller after;
        QVERIFY(after.connectTo(open.port));
        QCOMPARE(after.ask("%1CLSS ?"), QString("%1CLSS=1"));
        QTemporaryFile password;
        QVERIFY(password.open());
        password.write("secret\n");
        password.flush();
        Service guarded(sim.path, {"--password-file", password.fileName()});
        Controller g;
        QVERIFY(g.connectTo(guarded.port));
        const QByteArray digest =
            QCryptographicHash::hash(g.greeting.mid(9) + "secret", QCryptographicHash::Md5).toHex();
        QCOMPARE(g.ask(digest + "%1CLSS ?"), QString("%1CLSS=1"));
        QCOMPARE(g.ask(digest + "%1NAME ?"), QString("%1NAME=r7k"));
        QCOMPARE(g.ask(QByteArray(32, '0') + "%1NAME ?"), QString("PJLINK ERRA"));
    }

    // Class 2 on UDP: searches answered, LKUP at start, changes told to the set controller or
    // else to the one that sent the latest request (on the PJLink port), and both switched off.
    void classTwoOnUdp_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("told");  // where notifications arrive: set, latest, none
        QTest::newRow("set") << QStringList{"--notify-to", "127.0.0.2:{Q}"} << "set";
        QTest::newRow("latest") << QStringList{} << "latest";
        QTest::newRow("off") << QStringList{"--no-search", "--no-notify"} << "none";
    }
    void classTwoOnUdp() {
        QFETCH(QStringList, args);
        QFETCH(QString, told);
        SimProcess sim({"--fast"});
        QUdpSocket set;  // the controller's notification port given with --notify-to
        QVERIFY(set.bind(QHostAddress("127.0.0.2"), 0));
        args.replaceInStrings("{Q}", QString::number(set.localPort()));
        Service service(sim.path, args);
        QVERIFY(service.port != 0);
        const QString mac = "%2LKUP=[0-9A-F]{2}(:[0-9A-F]{2}){5}";
        QVERIFY(QRegularExpression(told == "set" ? "^" + mac + "$" : "^none$")
                    .match(datagram(set, told == "set" ? 3000 : 300))
                    .hasMatch());
        QUdpSocket latest;  // the PJLink port at the controller's address
        QVERIFY(latest.bind(QHostAddress("127.0.0.2"), service.port));
        QUdpSocket searcher;
        QVERIFY(searcher.bind(QHostAddress("127.0.0.3"), service.port));
        for (const char* bytes : {"%1POWR ?\r", "%2SRCH\r"})
            searcher.writeDatagram(bytes, QHostAddress::LocalHost, service.port);
        const QString found = datagram(searcher, told == "none" ? 300 : 3000);
        QVERIFY2(found.startsWith(told == "none" ? "none" : "%2ACKN="), qPrintable(found));
        QCOMPARE(datagram(searcher, 200), QString("none"));  // one answer, to the search alone
        Controller c;
        QVERIFY(c.socket.bind(QHostAddress("127.0.0.2"), 0));
        QVERIFY(c.connectTo(service.port));
        QCOMPARE(c.ask("%1POWR 1"), QString("%1POWR=OK"));
        QUdpSocket& heard = told == "set" ? set : latest;
        QCOMPARE(datagram(heard, told == "none" ? 600 : 3000),
                 told == "none" ? QString("none") : QString("%2POWR=3"));
        QCOMPARE(datagram(told == "set" ? latest : set, 100), QString("none"));
        if (told != "set")
            return;
        // The service's own look at the status sees the warm-up end, and after an input switch
        // the input's change.
        QCOMPARE(datagram(set, 8000), QString("%2POWR=1"));
        QCOMPARE(c.ask("%1INPT 21"), QString("%1INPT=OK"));
        QCOMPARE(datagram(set), QString("%2INPT=21"));
    }

    // Option values refused before anything is opened: exit 2 and the reason.
    void usage() {
        QTcpServer tcp;  // a port taken for TCP, and one for UDP alone
        QUdpSocket udp;
        QVERIFY(tcp.listen(QHostAddress::LocalHost) && udp.bind(QHostAddress::LocalHost, 0));
        const std::pair<const char*, const char*> rows[] = {
            {"--listen 65536", "the port must be a number from 0 to 65535"},
            {"--listen 127.0.0.1:{tcp}",
             "1 cannot listen on 127.0.0.1:{tcp}: The bound address is already in use"},
            {"--listen 127.0.0.1:{udp}",
             "1 cannot listen on 127.0.0.1:{udp} (UDP, for search and notification): The bound "
             "address is already in use; --no-search --no-notify do without"},
            {"--listen 1.2.3.4:", "the port must be a number from 0 to 65535"},
            {"--listen [::1]:43x", "the port must be a number from 0 to 65535"},
            {"--listen ::1:4352",
             "expected an IPv4 address, an IPv6 address in brackets or localhost"},
            {"--listen [127.0.0.1]:1",
             "expected an IPv4 address, an IPv6 address in brackets or localhost"},
            {"--notify-to 0.0.0.0",
             "expected the controller's own address, not every or a broadcast address"},
            {"--notify-to [::]:9",
             "expected the controller's own address, not every or a broadcast address"},
            {"--notify-to 255.255.255.255",
             "expected the controller's own address, not every or a broadcast address"},
            {"--notify-to 127.0.0.2:x", "the port must be a number from 0 to 65535"},
            {"--notify-to 127.0.0.2 --no-notify",
             "--notify-to and --no-notify cannot be used together"},
            {"--max-clients 1001", "--max-clients 1001: expected a number from 1 to 1000"},
            {"--idle-timeout 0", "--idle-timeout 0: expected seconds from 1 to 3600"},
        };
        const auto ports = [&](QString text) {
            return text.replace("{tcp}", QString::number(tcp.serverPort()))
                .replace("{udp}", QString::number(udp.localPort()));
        };
        for (const auto& [args, reason] : rows) {
            QProcess p;
            p.start(qEnvironmentVariable("R7K_PJLINK"),
                    QStringList{"--port", "/dev/null"} + ports(args).split(' '));
            QVERIFY(p.waitForFinished(5000));
            const QString error =
                QString::fromLocal8Bit(p.readAllStandardError()).section('\n', 0, 0);
            // "1 ..." is a failure to start (exit 1), with the whole line; the rest usage
            // errors (exit 2) ending with the reason.
            const bool start = QString(reason).startsWith("1 ");
            const bool right =
                start ? p.exitCode() == 1 && error == "r7k-pjlink: " + ports(reason).mid(2)
                      : p.exitCode() == 2 && error.endsWith(reason);
            QVERIFY2(right, qPrintable(ports(args) + " -> " + error));
        }
    }

    // Through a gateway, and a projector that does not answer; an idle connection is closed.
    void gatewayAndSilence() {
        for (const auto& [simArgs, answer] : {std::pair{QStringList{"--listen", "0"}, "%1POWR=0"},
                                              {QStringList{"--drop-all"}, "%1POWR=ERR4"}}) {
            SimProcess sim(simArgs);
            Service service(sim.path, {"--idle-timeout", "1"});
            Controller c, quiet;  // the second never sends a request
            QVERIFY(c.connectTo(service.port) && quiet.connectTo(service.port));
            QCOMPARE(c.greeting, QByteArray("PJLINK 0"));
            QCOMPARE(c.ask("%1POWR ?"), QString(answer));
            QCOMPARE(c.next(3000), QString("closed"));
            QCOMPARE(quiet.next(100), QString("closed"));
            // A controller that stops sending still gets its answers, then the close.
            QCOMPARE(sendThenHalfClose(service.port, "%1POWR ?\r%1INST ?\r"),
                     "PJLINK 0|" + QString(answer) + "|%1INST=11 12 21 22|");
            // The log names each controller and why its connection closed.
            QTRY_VERIFY_WITH_TIMEOUT(service.process.canReadLine(), 2000);
            QTest::qWait(100);
            const QString log = QString::fromLocal8Bit(service.process.readAll());
            for (const QString& line :
                 {QString("notifications go to 127.0.0.1 port %1 \\(UDP\\), the latest controller")
                      .arg(service.port),
                  QString("127\\.0\\.0\\.1:\\d+: closed after no request for a while"),
                  QString("127\\.0\\.0\\.1:\\d+: closed by the controller(, after its answers)?")})
                QVERIFY2(
                    QRegularExpression("(^|\\n)r7k-pjlink: " + line + "\\n").match(log).hasMatch(),
                    qPrintable(log));
        }
    }
};

QTEST_MAIN(TestPjlinkLive)
#include "test_pjlink_live.moc"
