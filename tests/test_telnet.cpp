// Gateways row by row: the Telnet codec (what a gateway sends, split anywhere), the session's
// decisions, and the port's connects and timers in virtual time.
#include <QtTest>
#include <deque>

#include "fakes/fake_clock.h"
#include "transport/gateway_port.h"
#include "transport/gateway_session.h"
#include "transport/line_settings.h"
#include "transport/port_address.h"
#include "transport/telnet.h"

namespace {

// Bytes from a readable list: Telnet's names, CR, decimal byte values and plain words.
QByteArray wire(const QString& list) {
    static const QHash<QString, char> names{{"IAC", '\xFF'}, {"WILL", '\xFB'}, {"WONT", '\xFC'},
                                            {"DO", '\xFD'},  {"DONT", '\xFE'}, {"SB", '\xFA'},
                                            {"SE", '\xF0'},  {"CR", '\r'}};
    QByteArray out;
    for (const QString& word : list.split(' ', Qt::SkipEmptyParts)) {
        bool number = false;
        const int n = word.toInt(&number);
        out += names.contains(word) ? QByteArray(1, names[word])
               : number             ? QByteArray(1, char(n))
                                    : word.toLatin1();
    }
    return out;
}

// A gateway connection the row drives (a connect waits for it to report up or ended); what the
// port posts runs when the event loop turns.
struct FakeLink : r7k::GatewayLink {
    using GatewayLink::events;
    int connects = 0;
    bool isLive = false, isUp = false;
    std::string rx;
    std::deque<std::function<void()>> queue;

    void connect(const std::string&, std::uint16_t) override { ++connects, isLive = true; }
    void drop() override { isLive = isUp = false, rx.clear(); }
    bool live() const override { return isLive; }
    bool connected() const override { return isUp; }
    std::size_t available() const override { return rx.size(); }
    std::string read(std::size_t limit) override {
        std::string bytes = rx.substr(0, limit);
        rx.erase(0, limit);
        return bytes;
    }
    std::size_t unsent() const override { return 0; }
    void write(std::string_view) override {}
    void post(std::function<void()> work) override { queue.push_back(std::move(work)); }
    void turn() {
        for (; !queue.empty(); queue.pop_front())
            queue.front()();
    }
};

}  // namespace

class TestTelnet : public QObject {
    Q_OBJECT
  private slots:
    void decode_data();
    void decode();
    void session_data();
    void session();
    void port_data();
    void port();
    // The COM-PORT-OPTION settings: speed as four bytes (0xFF doubled), data bits, parity,
    // stop bits.
    void comPortSettings() {
        QStringList got;
        // clang-format off
        for (const char* line : {"9600,N,8,1", "65535,E,7,2", "300,O,5,1", "1200,M,6,1", "2400,S,8,1"})
            got << QString(QByteArray::fromStdString(r7k::TelnetCodec::comPortSettings(*r7k::parseLineSettings(line))).toHex(' '))
                       .replace("ff fa 2c ", "[").replace(" ff f0 ", "]").replace(" ff f0", "]");
        QCOMPARE(got, (QStringList{"[01 00 00 25 80][02 08][03 01][04 01]", "[01 00 00 ff ff ff ff][02 07][03 03][04 02]",
                                   "[01 00 00 01 2c][02 05][03 02][04 01]", "[01 00 00 04 b0][02 06][03 04][04 01]",
                                   "[01 00 00 09 60][02 08][03 05][04 01]"}));
        // clang-format on
    }
    // Where a gateway is: its canonical address, or why the text is none.
    void addresses() {
        // clang-format off
        QStringList got;
        for (const char* text : {"TCP://gw.example:1", "rfc2217://[fd00::50]:65535", "rfc2217://10.0.0.5:4001",
                                 "/dev/ttyUSB0", "", "udp://gw:1", "tcp://gw", "tcp://gw:0", "tcp://gw:65536",
                                 "tcp://gw:1x", "tcp://:1", "tcp://::1:1", "tcp://[::1:1", "tcp://[gw]:1",
                                 "tcp://[::g]:1", "tcp://[::1]1", "tcp://g w:1", "tcp://[fe80::1%]:1",
                                 "tcp://[fe80::1%e/0]:1", "tcp://[::ffff:10.0.0.5]:2", "tcp://[fe80::1%eth0]:4001"}) {
            const r7k::PortAddressResult r = r7k::parsePortAddress(text);
            got << QString::fromStdString(r.address ? r.address->text() : r.error);
        }
        const QString noPort = "no port after the host; the address is tcp://HOST:PORT";
        const QString range = "\" is not a number from 1 to 65535", notIpv6 = "\" is not an IPv6 address";
        QCOMPARE(got, (QStringList{"tcp://gw.example:1", "rfc2217://[fd00::50]:65535", "rfc2217://10.0.0.5:4001",
                                   "/dev/ttyUSB0", "no device or address given",
                                   "unknown scheme \"udp://\"; a gateway is tcp://HOST:PORT or rfc2217://HOST:PORT",
                                   noPort, "port \"0" + range, "port \"65536" + range, "port \"1x" + range,
                                   "no host before the port", "an IPv6 address goes in brackets, as in tcp://[::1]:4001",
                                   "no \"]\" after the IPv6 address", "\"gw" + notIpv6, "\"::g" + notIpv6, noPort,
                                   "\"g w\" is not a host name, an IPv4 address or a bracketed IPv6 address",
                                   "\"fe80::1%" + notIpv6, "\"fe80::1%e/0" + notIpv6, "tcp://[::ffff:10.0.0.5]:2",
                                   "tcp://[fe80::1%eth0]:4001"}));
        // clang-format on
    }
};

void TestTelnet::decode_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");
    QTest::addRow("ser2net's greeting: what the panel asked for is not answered again")
        << wire("IAC WILL 3 IAC DO 3 IAC WILL 1 IAC DONT 1 IAC DO 0 IAC WILL 0 IAC DO 44")
        << wire("") << wire("IAC DO 3 IAC WILL 3 IAC DONT 1");
    QTest::addRow("doubled IAC in data is one 0xFF, other commands mean nothing")
        << wire("a IAC IAC IAC 241 IAC IAC b IAC SE") << wire("a 255 255 b") << wire("");
    QTest::addRow("negotiation amid data, repeated: answered once")
        << wire("a IAC WILL 3 b IAC WILL 3 CR") << wire("ab CR") << wire("IAC DO 3");
    QTest::addRow("an accepted option turned off and on again is answered again")
        << wire("IAC DO 0 IAC DONT 0 IAC DO 0") << wire("") << wire("IAC WONT 0 IAC WILL 0");
    QTest::addRow("options of no use refused, an accepted one turned off")
        << wire("IAC DO 24 IAC WILL 5 IAC DONT 7 IAC DO 0 IAC DONT 0") << wire("")
        << wire("IAC WONT 24 IAC DONT 5 IAC WONT 0");
    QTest::addRow("speed answer holding a doubled IAC, data after it")
        << wire("IAC SB 44 101 0 1 IAC IAC 0 IAC SE x") << wire("x") << wire("");
    QTest::addRow("subnegotiation cut short by a command")
        << wire("IAC SB 44 101 0 IAC WILL 3 ok") << wire("ok") << wire("IAC DO 3");
    QTest::addRow("an option asked for again after its refusal is not answered again")
        << wire("IAC WILL 5 IAC WILL 5 IAC DO 24 IAC DO 24 IAC WILL 5") << wire("")
        << wire("IAC DONT 5 IAC WONT 24");
    QTest::addRow("an option switched without end is left as it is after a few changes")
        << wire(QString("IAC DO 0 IAC DONT 0 ").repeated(10)) << wire("")
        << wire(QString("IAC WONT 0 IAC WILL 0 ").repeated(3) + "IAC WONT 0");
    QTest::addRow("a long subnegotiation is skipped")
        << wire("IAC SB " + QString("z ").repeated(500) + "IAC SE 1") << wire("1") << wire("");
}

void TestTelnet::decode() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    // In one piece and one byte at a time: a command may be split anywhere.
    for (const qsizetype piece : {in.size(), qsizetype(1)}) {
        r7k::TelnetCodec codec;
        QCOMPARE(QByteArray::fromStdString(codec.begin()), wire("IAC WILL 0 IAC DO 0 IAC WILL 44"));
        std::string gotData, gotReply;
        for (qsizetype at = 0; at < in.size(); at += piece)
            codec.decode(in.mid(at, piece).toStdString(), gotData, gotReply);
        QCOMPARE(QByteArray::fromStdString(gotData), data);
        QCOMPARE(QByteArray::fromStdString(gotReply), reply);
        // Only the answer to our COM-PORT offer decides it, no other option's.
        using ComPort = r7k::TelnetCodec::ComPort;
        const ComPort com = in.contains(wire("IAC DO 44"))     ? ComPort::Agreed
                            : in.contains(wire("IAC DONT 44")) ? ComPort::Refused
                                                               : ComPort::Asked;
        QCOMPARE(int(codec.comPort()), int(com));
    }
}

// One gateway connection, step by step: what goes out (the settings, or other negotiation),
// whether the open worked, the line's bytes, why it failed, what runs otherwise than asked.
void TestTelnet::session_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const QString closed = "close connection closed by the gateway";
    const QString speed = "rx IAC SB 44 101 0 0 37 128 IAC SE";  // 9600
    const QString framing = "IAC SB 44 103 1 IAC SE IAC SB 44 104 1 IAC SE";
    // clang-format off
    QTest::addRow("raw: open once up a while, with what came meanwhile") << "raw;rx a b;settle;rx c" << "usable | - | open ab | c";
    QTest::addRow("raw: text and a close at once: a failed open with the gateway's reason")
        << "raw;text Port's device\x01 already  in use.\r\n;" + closed << "usable | - | the gateway closed the connection: Port's device already in use";
    QTest::addRow("raw: reset at once") << "raw;" + closed << "usable | the gateway closed the connection";
    QTest::addRow("raw: a link that was up is lost with its cause") << "raw;settle;" + closed << "usable | open | connection closed by the gateway";
    QTest::addRow("raw: settings go nowhere, silence fails") << "raw;set 19200,N,8,1;timeout" << "usable | - | the gateway did not answer";
    QTest::addRow("telnet: settings once agreed, open on the speed's answer")
        << "telnet;rx IAC DO 44;" + speed + ";rx IAC SB 44 102 8 IAC SE " + framing << "tx | settings usable | open | -";
    QTest::addRow("telnet: answers unlike the asked: one warning naming both, once all are in")
        << "telnet;rx IAC DO 44;rx IAC SB 44 101 0 0 18 192 IAC SE IAC SB 44 102 7 IAC SE;rx " + framing
        << "tx | settings usable | open | runs at 4800 baud: the gateway refused 9600; runs with 7 data bits: the gateway refused 8";
    QTest::addRow("telnet: framing answers unlike the asked")
        << "telnet;rx IAC DO 44;rx IAC SB 44 103 3 IAC SE IAC SB 44 104 3 IAC SE IAC SB 44 102 8 IAC SE;" + speed
        << "tx | settings usable | - | open runs with parity E: the gateway refused N; runs with 1.5 stop bits: the gateway refused 1";
    QTest::addRow("telnet: COM-PORT-OPTION refused") << "telnet;rx IAC DONT 44" << "tx | the gateway does not offer RFC 2217 port control: use tcp://";
    QTest::addRow("telnet: the gateway's words before it closed are the reason")
        << "telnet;rx IAC DO 44 Device;" + closed << "tx | settings usable | the gateway closed the connection: Device";
    QTest::addRow("telnet: an answer before the question counts for nothing")
        << "telnet;" + speed + ";rx IAC DO 44;timeout" << "tx | - | settings usable | the gateway did not answer the RFC 2217 port settings";
    QTest::addRow("telnet: a speed answer of another length counts for nothing")
        << "telnet;rx IAC DO 44;rx IAC SB 44 101 37 128 IAC SE;timeout" << "tx | settings usable | - | the gateway did not answer the RFC 2217 port settings";
    QTest::addRow("telnet: two speeds in a row: only the answer to the last one counts")
        << "telnet;rx IAC DO 44;set 19200,N,8,1;" + speed + " " + framing + " IAC SB 44 102 8 IAC SE;rx IAC SB 44 101 0 0 75 0 IAC SE IAC SB 44 102 8 IAC SE " + framing
        << "tx | settings usable | settings | open | -";
    QTest::addRow("telnet: silent gateway") << "telnet;timeout" << "tx | the gateway did not answer the RFC 2217 negotiation";
    QTest::addRow("telnet: a new speed is asked, a partial answer warns once settled")
        << "telnet;rx IAC DO 44;" + speed + " x;set 19200,N,8,1;" + speed + ";settle;timeout"
        << "tx | settings usable | open x | settings | - | runs at 9600 baud: the gateway refused 19200 | -";
    QTest::addRow("raw: a write goes at once; an answer then decides the open once the stream stays up")
        << "raw;rx x;write C00;rx y;quiet;settle" << "usable | - | out:C00 | hold | open xy | -";
    QTest::addRow("raw: words after a write that end in a close are its reason, not data")
        << "raw;write C00;text in use;" + closed << "usable | out:C00 | hold | the gateway closed the connection: in use";
    QTest::addRow("raw: without a write nothing is taken in before the open is decided")
        << "raw;rx x;quiet;settle" << "usable | - | - | open x";
    QTest::addRow("telnet: a write waits for the speed's answer, then goes")
        << "telnet;write C00;rx IAC DO 44;" + speed << "tx | - | settings usable | out:C00 open";
    QTest::addRow("telnet: what waits is bounded; a write beyond it is refused")
        << "telnet;write " + QString(4095, 'x') + ";write yy;write z" << "tx | - | refused | -";
    QTest::addRow("a failed session takes nothing") << "raw;" + closed + ";write a" << "usable | the gateway closed the connection | refused";
    // clang-format on
}

void TestTelnet::session() {
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    r7k::GatewaySession session;
    QStringList got;
    for (const QString& step : steps.split(';')) {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
        const auto settings =
            r7k::parseLineSettings(verb == "set" ? arg.toStdString() : "9600,N,8,1");
        r7k::GatewaySession::Step r;
        if (verb == "raw" || verb == "telnet")
            r = session.connected(verb == "telnet", *settings);
        else if (verb == "rx" || verb == "text")
            r = session.received((verb == "rx" ? wire(arg) : arg.toLatin1()).toStdString());
        else if (verb == "set")
            r = session.setSettings(*settings);
        else if (verb == "close")
            r.failure = session.closed(arg.toStdString());
        else if (verb == "write")
            r = session.write(arg.toStdString());
        else if (verb == "quiet")
            r = session.quiet();
        else
            r = verb == "settle" ? session.settled() : session.timedOut();
        const QByteArray tx = QByteArray::fromStdString(r.toGateway);
        const QString sent = tx.contains(wire("SB 44 1")) ? "settings"
                             : tx.contains('\xff')        ? "tx"
                             : tx.isEmpty()               ? ""
                                                          : "out:" + tx;
        QStringList parts{sent,
                          r.usable ? "usable" : "",
                          r.opened ? "open" : "",
                          r.refused ? "refused" : "",
                          r.holdQuiet ? "hold" : "",
                          QString::fromStdString(r.data),
                          QString::fromStdString(r.failure),
                          QString::fromStdString(r.warning)};
        parts.removeAll("");
        got << (parts.isEmpty() ? "-" : parts.join(' '));
    }
    QCOMPARE(got.join(" | "), outcome);
}

// The gateway port in virtual time: per step (its actions in one turn of the event loop), the
// connects it makes and what the panel gets: outcomes of opens ("provisional", "open" or the
// box's text) and the line's bytes ("in ...").
void TestTelnet::port_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const QString early = "was closed before it opened.";
    // clang-format off
    QTest::addRow("raw, undecided: closed and opened in one go, a reply meanwhile: decided a settle time later")
        << "open;up;close,rx x,open;wait 999;wait 1" << "connect | provisional | " + early + " provisional | - | open in x";
    QTest::addRow("raw, open: closed and opened in one go, a reply meanwhile is taken in")
        << "open;up;wait 1000;close,rx x,open" << "connect | provisional | open | in x";
    QTest::addRow("raw, connecting: closed and opened in one go: decided once up a while")
        << "open;close,open;up;wait 1000" << "connect | " + early + " | provisional | open";
    // The pace counts from the last connect in real time: the open again comes well within it.
    QTest::addRow("refused, opened again at once: one connect, a pace later")
        << "open;end connection refused;open;wait 1000;wait 1000;wait 1000"
        << "connect | cannot be opened: connection refused. | - | connect | - | -";
    // clang-format on
}

void TestTelnet::port() {
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    r7k::fakes::FakeClock clock;
    FakeLink link;
    r7k::GatewayPort port(link, {clock.make("connect"), clock.make("settle"), clock.make("pace"),
                                 clock.make("quiet")});
    port.setAddress(1, r7k::parsePortAddress("tcp://127.0.0.1:4001").address);
    QStringList got, now;
    port.setOpenedHandler([&](const r7k::SerialResult& r) {
        now << (r.provisional ? "provisional"
                : r.ok()      ? "open"
                         : QString::fromStdString(r.error).section(") ", 1).section('\n', 0, 0));
    });
    port.setCommHandler([&] { now << "in " + QString::fromStdString(port.input()); });
    for (const QString& step : steps.split(';')) {
        const int connects = link.connects;
        for (const QString& action : step.split(',')) {
            const QString verb = action.section(' ', 0, 0), arg = action.section(' ', 1);
            if (verb == "open" || verb == "close")
                port.setPortOpen(verb == "open");
            else if (verb == "wait")
                clock.advance(std::chrono::milliseconds(arg.toInt()));
            else if (verb == "up")
                link.isUp = true, link.events().connected();
            else if (verb == "end")
                link.isLive = link.isUp = false, link.events().ended(arg.toStdString());
            else if (verb == "rx")
                link.rx += arg.toStdString(), link.events().readable();
        }
        link.turn();
        if (link.connects > connects)
            now.prepend("connect");
        got << (now.isEmpty() ? "-" : now.join(' '));
        now.clear();
    }
    QCOMPARE(got.join(" | "), outcome);
}

QTEST_APPLESS_MAIN(TestTelnet)
#include "test_telnet.moc"
