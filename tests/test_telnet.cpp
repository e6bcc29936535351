// The Telnet codec, row by row: what a gateway sends, split anywhere.
#include <QtTest>

#include "link/line_settings.h"
#include "link/port_address.h"
#include "link/telnet.h"

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

}  // namespace

class TestTelnet : public QObject {
    Q_OBJECT
  private slots:
    void decode_data();
    void decode();
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
        QStringList got;
        for (const char* text :
             {"TCP://gw.example:1", "rfc2217://[fd00::50]:65535", "rfc2217://10.0.0.5:4001",
              "/dev/ttyUSB0", "", "udp://gw:1", "tcp://gw", "tcp://gw:0", "tcp://gw:65536",
              "tcp://gw:1x", "tcp://:1", "tcp://::1:1", "tcp://[::1:1", "tcp://[gw]:1",
              "tcp://[::g]:1", "tcp://[::1]1", "tcp://g w:1", "tcp://[::ffff:10.0.0.5]:2"}) {
            const r7k::PortAddressResult r = r7k::parsePortAddress(text);
            got << (r.address ? QString::fromStdString(r.address->text()) : "-");
        }
        QCOMPARE(got.join(' '),
                 "tcp://gw.example:1 rfc2217://[fd00::50]:65535 rfc2217://10.0.0.5:4001 "
                 "/dev/ttyUSB0" +
                     QString(" -").repeated(13) + " tcp://[::ffff:10.0.0.5]:2");
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
    }
}

QTEST_APPLESS_MAIN(TestTelnet)
#include "test_telnet.moc"
