// r7k-pjlink's toolkit-free parts: request lines and authentication, the mapping onto the
// projector's commands on virtual time, the notifications, and connections as the service
// keeps them (greeting, idle, half-close, a controller that does not read, its count).
#include <QHostAddress>
#include <QtTest>
#include <cstring>

#include "fakes/session_rig.h"
#include "pjlink/announcer.h"
#include "pjlink/interfaces.h"
#include "pjlink/md5.h"
#include "pjlink/notices.h"
#include "pjlink/service.h"

using namespace r7k;
using namespace r7k::pjlink;

namespace {

// A connection as the platform would give it: what was written, whether it reads, is closed.
struct FakePeer : Peer {
    std::string out;
    std::size_t held = 0;  // bytes the network does not take
    bool reading = true;
    bool finished = false;
    void write(std::string_view bytes) override { out += bytes; }
    std::size_t unsent() const override { return held; }
    void setReading(bool r) override { reading = r; }
    void finish() override { finished = true; }
    std::string address() const override { return "127.0.0.9"; }
    std::string name() const override { return "127.0.0.9:5000"; }
    QString lines() const { return QString::fromLatin1(out).replace('\r', '|'); }
};

}  // namespace

class TestPjlink : public QObject {
    Q_OBJECT
  private slots:
    // Lines as they arrive one byte at a time: requests read, authentication, what closes.
    void session_data() {
        QTest::addColumn<bool>("password");  // the digest is "aa...a"
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("got");
        const QByteArray digest(32, 'a');
        // clang-format off
        QTest::newRow("CR, CR LF, lower case") << false << QByteArray("%1POWR ?\r%1inpt 11\r\n%2SVER ?") << "1POWR ?|1INPT 11";
        QTest::newRow("LF alone ends a line") << false << QByteArray("%1POWR ?\n%1AVMT ?\n") << "1POWR ?|1AVMT ?";
        QTest::newRow("blanks before a request") << false << QByteArray(" \t%1POWR ?\r") << "1POWR ?";
        QTest::newRow("no blank before the parameter: none taken") << false << QByteArray("%1POWR?\r%3AVMT 31\r\r") << "1POWR \x01|3AVMT 31";
        QTest::newRow("a line that is no request closes") << false << QByteArray("POWR ?\r") << "closed: a line that is no request";
        QTest::newRow("no % before the class") << false << QByteArray("x1POWR ?\r") << "closed: a line that is no request";
        QTest::newRow("a byte no body has") << false << QByteArray("%1PO\xffR ?\r") << "closed: a line that is no request";
        QTest::newRow("the digest, any case") << true << QByteArray(32, 'A') + "%1POWR ?\r%1NAME ?\r" << "1POWR ?|1NAME ?";
        QTest::newRow("the digest before a later line too") << true << digest + "%1POWR ?\r" + digest + "%1NAME ?\r" << "1POWR ?|1NAME ?";
        QTest::newRow("a wrong digest on a later line") << true << digest + "%1POWR ?\r" + QByteArray(32, 'b') + "%1NAME ?\r" << "1POWR ?|PJLINK ERRA closed: a wrong or missing password digest";
        QTest::newRow("a wrong digest") << true << QByteArray(31, 'a') + "b%1POWR ?\r" << "PJLINK ERRA closed: a wrong or missing password digest";
        QTest::newRow("no digest") << true << QByteArray("%1POWR ?\r") << "PJLINK ERRA closed: a wrong or missing password digest";
        QTest::newRow("a digest without a password is ignored") << false << QByteArray(32, 'c') + "%1POWR 1\r" << "1POWR 1";
        QTest::newRow("over 136 bytes: ERR2, the rest skipped") << false << "%1POWR " + QByteArray(200, '0') + "\r%1INPT ?\r" << "1POWR  (over)|1INPT ?";
        QTest::newRow("over 136 bytes of no request") << false << QByteArray(140, 'x') << "closed: a line longer than 136 bytes that is no request";
        QTest::newRow("135 bytes and the CR are a line") << false << "%1POWR " + QByteArray(128, '0') + "\r" << "1POWR " + QString(128, '0');
        QTest::newRow("136 bytes before the CR are over") << false << "%1POWR " + QByteArray(129, '0') + "\r" << "1POWR  (over)";
        QTest::newRow("classes and bodies of every digit") << false << QByteArray("%9AB0C ?\r%0POWR ?\r") << "9AB0C ?|0POWR ?";
        QTest::newRow("every lower-case letter of a body") << false << QByteArray("%2frez 1\r%1abyz ?\r") << "2FREZ 1|1ABYZ ?";
        // clang-format on
    }
    void session() {
        QFETCH(bool, password);
        QFETCH(QByteArray, input);
        Session s(password ? std::string(32, 'a') : "");
        QStringList seen;
        for (const char c : input) {
            const Intake in = s.take(std::string_view(&c, 1));
            for (const Request& r : in.requests)
                seen << QString::fromStdString(r.cls + r.body + " " + r.param) +
                            (r.overLong ? " (over)" : "");
            if (in.close) {
                seen << QString::fromStdString(
                    (in.reply.empty() ? "" : in.reply.substr(0, in.reply.size() - 1) + " ") +
                    "closed: " + in.why);
                QVERIFY(s.take("%1POWR ?\r").close);  // nothing is read after a close
                break;
            }
        }
        QTEST(seen.join('|'), "got");
        // PJLink's own example of a digest.
        QCOMPARE(md5Hex("498e4a67JBMIAProjectorLink"),
                 std::string("5d8409bc1c3fa39749434aa3a5c38682"));
    }

    // Each request on a fresh line: what reaches the projector and the answer, the projector
    // answering as in `replies` ("\x06" ACK, "\x15" NAK; no entry: silence).
    void mapping_data() {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("replies");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("answer");
        // clang-format off
        const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
            {"%1POWR ?", "CR0=80\r", "CR0", "0"}, {"%1POWR ?", "CR0=00\r", "CR0", "1"},
            {"%1POWR ?", "CR0=28\r", "CR0", "2"}, {"%1POWR ?", "CR0=40\r", "CR0", "3"},
            {"%1POWR ?", "CR0=10\r", "CR0", "0"}, {"%1powr ?", "CR0=00\r", "CR0", "1"},
            {"%1POWR ?", "", "CR0", "ERR4"}, {"%1POWR ?", "CR0=CR0\r", "CR0", "ERR4"},
            {"%1POWR 1", "CR0=80\r;C00=\x06", "CR0 C00", "OK"}, {"%1POWR 1", "CR0=20\r", "CR0", "ERR3"},
            {"%1POWR 1", "CR0=00\r", "CR0", "OK"}, {"%1POWR 0", "CR0=80\r", "CR0", "OK"},
            {"%1POWR 0", "CR0=40\r", "CR0", "ERR3"}, {"%1POWR 0", "CR0=00\r;C01=\x06", "CR0 C01", "OK"},
            {"%1POWR 1", "CR0=80\r;C00=\x15", "CR0 C00", "ERR4"}, {"%1POWR 2", "", "", "ERR2"},
            {"%1POWR?", "", "", "ERR2"},
            {"%1INPT 21", "CR0=00\r;C07=\x06", "CR0 C07", "OK"}, {"%1INPT 12", "CR0=80\r", "CR0", "ERR3"},
            {"%1INPT 31", "", "", "ERR2"}, {"%1INPT ?", "CR1=3\r", "CR1", "21"},
            {"%1INPT ?", "CR1=4\r", "CR1", "22"}, {"%1INPT ?", "", "CR1", "ERR4"},
            {"%1AVMT 31", "CR0=00\r;C0D=\x06;C0B=\x06", "CR0 C0D C0B", "OK"},
            {"%1AVMT 20", "CR0=40\r;C0C=\x06", "CR0 C0C", "OK"}, {"%1AVMT 12", "", "", "ERR2"},
            {"%1AVMT 10", "CR0=20\r", "CR0", "ERR3"},
            {"%1AVMT ?", "CRA=01\r", "CRA", "11"}, {"%1AVMT ?", "CRA=03\r", "CRA", "31"},
            {"%1AVMT ?", "CRA=02\r", "CRA", "21"}, {"%1AVMT ?", "CRA=80\r", "CRA", "30"},
            {"%1AVMT ?", "CRA=00\r", "CRA", "30"}, {"%1AVMT ?", "CRA=FF\r", "CRA", "ERR3"},
            {"%1ERST ?", "CR0=00\r", "CR0", "000000"}, {"%1ERST ?", "CR0=21\r", "CR0", "020000"},
            {"%1ERST ?", "CR0=28\r", "CR0", "002000"}, {"%1ERST ?", "CR0=08\r", "CR0", "001000"},
            {"%1ERST ?", "CR0=24\r", "CR0", "011000"}, {"%1ERST ?", "CR0=10\r", "CR0", "000002"},
            {"%1ERST ?", "CR0=04\r", "CR0", "010000"}, {"%1ERST ?", "CR0=81\r", "CR0", "020000"},
            {"%1ERST ?", "CR0=88\r", "CR0", "000000"}, {"%1ERST 1", "", "", "ERR2"},
            {"%1LAMP ?", "CR3=01239\r;CR7=01\r", "CR3 CR7", "1239 1 1239 0"},
            {"%1LAMP ?", "CR3=7\r;CR7=22\r", "CR3 CR7", "7 1"},
            {"%1LAMP ?", "CR3=123456\r;CR7=10\r", "CR3 CR7", "99999 0"},
            {"%1LAMP ?", "CR3=12\r;CR7=32\r", "CR3 CR7", "ERR4"},
            {"%1INST ?", "", "", "11 12 21 22"}, {"%1NAME ?", "", "", "r7k"}, {"%1INF1 ?", "", "", ""},
            {"%1INF2 ?", "", "", "R7KM/R7K"}, {"%1CLSS ?", "", "", "1"}, {"%1CLSS 2", "", "", "ERR2"},
            {"%1XXXX ?", "", "", "ERR1"}, {"%1FREZ 1", "", "", "ERR1"}, {"%3POWR ?", "", "", "ERR1"},
            {"%2POWR ?", "CR0=00\r", "CR0", "1"},
            {"%2FREZ 1", "CR0=00\r;C43=\x06", "CR0 C43", "OK"}, {"%2FREZ ?", "", "", "ERR1"},
            {"%2FREZ 1", "CR0=40\r", "CR0", "ERR3"},
            {"%2SVOL 0", "CR0=00\r;C0A=\x06", "CR0 C0A", "OK"}, {"%2SVOL 2", "", "", "ERR2"},
            {"%2INNM ?12", "", "", "Input 2 (RGB)"}, {"%2INNM ?13", "", "", "ERR2"},
            {"%2SNUM ?", "", "", "S1"}, {"%1INFO ?", "", "", "I1"}, {"%2MVOL 1", "", "", "ERR1"},
        };
        // clang-format on
        for (const auto& [request, replies, sent, answer] : rows)
            QTest::addRow("%s %s", request, replies) << request << replies << sent << answer;
    }
    void mapping() {
        QFETCH(QString, request);
        QFETCH(QString, replies);
        fakes::SessionRig rig;
        fakes::setReplies(rig, replies);
        Identity identity;
        identity.serial = "S1";
        identity.info = "I1";
        Requests requests(rig.projector, identity, std::chrono::milliseconds{1000});
        std::optional<std::string> answer;
        requests.carryOut(*parseRequest(request.toStdString()),
                          [&answer](const Answered& a) { answer = a.result; });
        rig.runTo(std::chrono::milliseconds{1200});
        QStringList sent;
        for (const auto& w : rig.serial.writes)
            sent << QString::fromLatin1(w.bytes).chopped(1);
        QTEST(sent.join(' '), "sent");
        QTEST(QString::fromStdString(answer.value_or("(none)")), "answer");
    }

    // Search datagrams, and the notifications that values seen one after another make.
    void notices() {
        for (const auto& [datagram, answer] : {std::pair{"%2SRCH\r", "%2ACKN=0A:0B:0C:0D:0E:0F\r"},
                                               {"%2srch\r\n", "%2ACKN=0A:0B:0C:0D:0E:0F\r"},
                                               {"%2SRCH", ""},
                                               {"%1SRCH\r", ""},
                                               {"%2SRCH \r", ""},
                                               {"", ""}})
            QCOMPARE(
                QString::fromStdString(searchAnswer(datagram, "0A:0B:0C:0D:0E:0F").value_or("")),
                QString(answer));
        SearchPace pace;
        int allowed = 0;
        for (int i = 0; i < 30; ++i)
            allowed += pace.allow(std::chrono::milliseconds{i}) ? 1 : 0;
        QCOMPARE(allowed + (pace.allow(std::chrono::milliseconds{1000}) ? 1 : 0), 21);
        // query=reply seen, or a command taken; then the notifications (| between lines).
        const std::pair<const char*, const char*> seen[] = {
            {"CR0=80", ""},
            {"CR0=80", ""},
            {"C07", ""},
            {"CR1=3", "%2INPT=21"},
            {"CR0=40", "%2POWR=3"},
            {"CR0=00", "%2POWR=1"},
            {"CR1=3", ""},
            {"CR1=9", ""},
            {"CR1=4", "%2INPT=22"},
            {"CR0=08", "%2ERST=001000"},
            {"CR0=28", "%2POWR=2|%2ERST=002000"},
            {"CR0=Z9", ""},
            {"CR0=10", "%2POWR=0|%2ERST=000002"},
        };
        StatusWatch watch;
        for (const auto& [entry, lines] : seen) {
            const QString text = entry;
            if (!text.contains('=')) {
                watch.taken(text.toStdString());
                continue;
            }
            const auto query =
                text.startsWith("CR1") ? session::Query::Input : session::Query::Status;
            QStringList out;
            if (const auto value = session::decode(query, text.section('=', 1).toStdString()))
                for (const std::string& line : watch.see(*value))
                    out << QString::fromStdString(line).chopped(1);
            QCOMPARE(out.join('|') + " after " + text, QString(lines) + " after " + text);
        }
    }

    // The search answer's hardware address: the interface reached, else the one on the
    // controller's network (to the prefix's last bit), else the first one up that is no
    // loopback.
    void macChoice_data() {
        QTest::addColumn<QString>("local");  // "" for every address
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("mac");
        // clang-format off
        QTest::addRow("the address reached") << "192.0.2.7" << "10.1.2.3" << "00:00:00:00:00:0B";
        QTest::addRow("reached over IPv6") << "2001:db8::7" << "10.1.2.3" << "00:00:00:00:00:0B";
        QTest::addRow("the controller's network") << "" << "10.1.2.200" << "00:00:00:00:00:0C";
        QTest::addRow("past the prefix /25") << "" << "10.1.2.127" << "00:00:00:00:00:0B";
        QTest::addRow("an IPv6 network") << "" << "fe80::99" << "00:00:00:00:00:0C";
        QTest::addRow("loopback: its own, no hardware address") << "127.0.0.1" << "127.0.0.1"
            << "00:00:00:00:00:00";
        QTest::addRow("elsewhere: first up, not the loopback") << "" << "198.51.100.1"
            << "00:00:00:00:00:0B";
        // clang-format on
    }

    void macChoice() {
        QFETCH(QString, local);
        QFETCH(QString, peer);
        const auto ip = [](const QString& text) {
            IpAddress out;
            const QHostAddress host(text);
            bool v4 = false;
            const quint32 four = host.toIPv4Address(&v4);
            if (v4)
                for (int i = 0; i < 4; ++i)
                    out.bytes[std::size_t(i)] = std::uint8_t(four >> (24 - 8 * i));
            else
                out.size = 16, std::memcpy(out.bytes.data(), host.toIPv6Address().c, 16);
            return out;
        };
        const std::vector<NetInterface> interfaces{
            {"", true, true, {{ip("127.0.0.1"), 8}}},
            {"00:00:00:00:00:0A", false, false, {}},  // down
            {"00:00:00:00:00:0B", true, false, {{ip("192.0.2.7"), 24}, {ip("2001:db8::7"), 64}}},
            {"00:00:00:00:00:0C", true, false, {{ip("10.1.2.130"), 25}, {ip("fe80::1"), 64}}},
        };
        const std::optional<IpAddress> reached =
            local.isEmpty() ? std::nullopt : std::optional(ip(local));
        QTEST(QString::fromStdString(macFor(interfaces, reached, ip(peer))), "mac");
    }

    // Class 2's decisions on every platform: where notifications go, LKUP, what a datagram gets.
    void announcer_data() {
        QTest::addColumn<QString>("options");  // no-search, no-notify, to=HOST[:PORT]; ','
        // '|' between: start, from=ADDRESS (a request), value=QUERY=REPLY, dgram=FROM:BYTES,
        // socket (whether one is needed)
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("out");  // LINE>HOST:PORT sent, LINE< a datagram's answer
        // clang-format off
        QTest::addRow("no controller yet: nobody told") << "" << "start|value=CR0=80|value=CR0=40"
            << "";
        QTest::addRow("the latest controller is told") << ""
            << "from=10.0.0.1|value=CR0=80|value=CR0=40|from=10.0.0.2|value=CR0=00"
            << "%2POWR=3>10.0.0.1:4352|%2POWR=1>10.0.0.2:4352";
        QTest::addRow("a given one: LKUP, controllers ignored") << "to=192.0.2.9:5000"
            << "start|from=10.0.0.1|value=CR0=80|value=CR0=40"
            << "%2LKUP=M-192.0.2.9>192.0.2.9:5000|%2POWR=3>192.0.2.9:5000";
        QTest::addRow("a given host on the PJLink port") << "to=192.0.2.9" << "start"
            << "%2LKUP=M-192.0.2.9>192.0.2.9:4352";
        QTest::addRow("no notification") << "no-notify" << "start|from=10.0.0.1|value=CR0=80|"
            "value=CR0=40|socket" << "socket=1";
        QTest::addRow("a search is answered") << "" << "dgram=10.0.0.5:%2SRCH\r"
            << "%2ACKN=M-10.0.0.5<";
        QTest::addRow("no search") << "" << "dgram=10.0.0.5:%1SRCH\r" << "";
        QTest::addRow("searches off") << "no-search" << "dgram=10.0.0.5:%2SRCH\r" << "";
        QTest::addRow("both off: no socket") << "no-search,no-notify" << "socket" << "socket=0";
        // clang-format on
    }

    void announcer() {
        QFETCH(QString, options);
        QFETCH(QString, events);
        fakes::SessionRig rig;
        Config config;
        for (const QString& o : options.split(',', Qt::SkipEmptyParts)) {
            config.search = config.search && o != "no-search";
            config.notify = config.notify && o != "no-notify";
            if (o.startsWith("to="))
                config.notifyTo = *parseControllerAddress(o.mid(3).toStdString()).address;
        }
        QStringList out;
        Announcer a(
            rig.projector, config,
            [&out](const std::string& line, const std::string& host, std::uint16_t port) {
                out << QString::fromStdString(line).chopped(1) + ">" +
                           QString::fromStdString(host) + ":" + QString::number(port);
            },
            [](const std::string& peer, const std::string&) { return "M-" + peer; });
        a.bound(4352);
        for (const QString& e : events.split('|')) {
            const QString arg = e.section('=', 1);
            if (e == "start")
                a.start();
            else if (e == "socket")
                out << QString("socket=%1").arg(a.needsSocket());
            else if (e.startsWith("from="))
                a.controllerAt(arg.toStdString());
            else if (e.startsWith("value="))
                a.see(*session::decode(session::Query::Status, arg.section('=', 1).toStdString()));
            else if (const auto answer = a.datagram(arg.section(':', 1).toStdString(),
                                                    arg.section(':', 0, 0).toStdString()))
                out << QString::fromStdString(*answer).chopped(1) + "<";
        }
        QTEST(out.join('|'), "out");
    }

    // A connection through its life: greeting, answers in order, idle close (a bare CR is
    // activity), the end of its input, a controller that does not read, the count of open ones.
    void connections() {
        fakes::SessionRig rig;
        fakes::setReplies(rig, "CR0=00\r");
        fakes::FakeTimer& idle = rig.clock.make("idle");
        Requests requests(rig.projector, {}, std::chrono::milliseconds{1000});
        ServiceOptions options;
        options.maxClients = 2;
        options.idle = std::chrono::milliseconds{1000};
        options.unsentLimit = 20;
        Service service(
            requests, options, idle, [&rig] { return rig.now(); }, [] { return ""; });
        QStringList log;
        service.onLog = [&](const std::string& text) {
            log << QString("%1 %2").arg(rig.now().count() / 1000).arg(QString::fromStdString(text));
        };
        FakePeer a, b, c;
        QVERIFY(service.accept(a) && service.accept(b) && !service.accept(c));
        service.received(a, "%1POWR ?\r%1INST ?\r");
        rig.runTo(std::chrono::milliseconds{10});
        QCOMPARE(a.lines(), QString("PJLINK 0|%1POWR=1|%1INST=11 12 21 22|"));
        rig.runTo(std::chrono::milliseconds{900});
        service.received(b, "\r");  // a bare CR keeps b, not a
        rig.runTo(std::chrono::milliseconds{995});
        QVERIFY(!a.finished);
        rig.runTo(std::chrono::milliseconds{1020});
        QVERIFY(a.finished && !b.finished);
        QCOMPARE(service.connections(), std::size_t(1));
        QVERIFY(service.accept(c));  // a's place is free at once
        service.received(b, "%1POWR 0\r");
        service.gone(b);  // b reset: freed too, and what it asked is done all the same
        QCOMPARE(service.connections(), std::size_t(1));
        rig.runTo(std::chrono::milliseconds{1040});
        QCOMPARE(rig.sent().join('|'), QString("0 CR0|1020 CR0|1025 C01"));
        // c stops reading: answers pile up past the bound, and c is read no more until they go.
        c.held = 30;
        service.received(c, "%1CLSS ?\r");
        QVERIFY(!c.reading);
        c.held = 10;  // half the bound: read again
        service.drained(c);
        QVERIFY(c.reading);
        c.held = 0;
        // The end of c's input: its answers, then the close.
        service.received(c, "%1POWR ?\r");
        service.ended(c);
        rig.runTo(std::chrono::milliseconds{1100});
        QVERIFY2(c.lines().endsWith("%1POWR=1|") && c.finished, qPrintable(c.lines()));
        QCOMPARE(service.connections(), std::size_t(0));
        // Two idle deadlines: each connection closed at its own.
        FakePeer d, e;
        QVERIFY(service.accept(d));
        rig.runTo(std::chrono::milliseconds{1500});
        QVERIFY(service.accept(e));
        rig.runTo(std::chrono::milliseconds{2099});
        QVERIFY(!d.finished);
        rig.runTo(std::chrono::milliseconds{2101});
        QVERIFY(d.finished && !e.finished);
        rig.runTo(std::chrono::milliseconds{2501});
        QVERIFY(e.finished);
        QCOMPARE(log.join('|'),
                 QString("0 127.0.0.9:5000: refused, 2 connections are open already|"
                         "1005 127.0.0.9:5000: closed after no request for a while|"
                         "1020 127.0.0.9:5000: closed by the controller|"
                         "1040 127.0.0.9:5000: not read until it takes its answers "
                         "(30 bytes wait)|"
                         "1040 127.0.0.9:5000: closed by the controller|"
                         "1525 %1POWR 0: power-off: no reply within 500 ms on COM1 (/dev/fake1)|"
                         "2100 127.0.0.9:5000: closed after no request for a while|"
                         "2500 127.0.0.9:5000: closed after no request for a while"));
    }
};

QTEST_APPLESS_MAIN(TestPjlink)
#include "test_pjlink.moc"
