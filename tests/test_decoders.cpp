// Reply decoding: from the received bytes to the status line and PressureValue.
#include <QtTest>

#include "protocol/decoders.h"
#include "protocol/traffic.h"
#include "timeline.h"

using namespace r7k;
using namespace r7k::fakes;

namespace {

const QByteArray kUnchanged = "<unchanged>";
constexpr int kSame = -99999;

QByteArray statusOf(const DecodeResult& r) {
    return r.status ? QByteArray::fromStdString(*r.status) : kUnchanged;
}

QByteArray rxdOf(const QByteArray& reply) {
    return QByteArray::fromStdString(trafficText(reply.toStdString()));
}

// The dispatch after the panel sent `query` and a CR, on an RXD text.
DecodeResult decode(const QByteArray& query, const QByteArray& rxd) {
    return decodeReply("", (query + "\r").toStdString(), rxd.toStdString());
}

}  // namespace

class TestDecoders : public QObject {
    Q_OBJECT
  private slots:
    void decodes_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("rxd");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("pressure");
        const auto reply = [](const QByteArray& query, const QByteArray& bytes,
                              const QByteArray& status, int pressure = kSame) {
            QTest::addRow("%s %s", query.constData(), bytes.left(20).toPercentEncoding().data())
                << query << rxdOf(bytes) << status << pressure;
        };
        const auto rxd = [](const QByteArray& query, const QByteArray& text,
                            const QByteArray& status) {
            QTest::addRow("%s on RXD text '%s'", query.constData(), text.constData())
                << query << text << status << kSame;
        };
        reply("CR0", "80\r", " Stand by");
        reply("CR0", "24\r", " Lamp OFF & Tempereture Warning by PWR Management");
        reply("CR0", "02\r", " NO Key input ");
        reply("CR0", "008\r", " Power ON");
        reply("CR0", "0\r", kUnchanged);
        reply("CR0", "99\r", kUnchanged);
        reply("CR0", QByteArray("\x06") + "00\r", kUnchanged);
        reply("CR0", "80" + QByteArray(50000, 'A'), " Stand by");
        reply("CR1", "3\r", " Input mode 3");
        reply("CR1", "12\r", " Input mode 1");
        reply("CR1", "5\r", kUnchanged);
        reply("CR4", "10\r", " Top/Bottom reversal");
        reply("CRA", "FF\r", " Stand by");
        reply("CRA", "ff\r", kUnchanged);
        reply("CR7", "03\r", " No1,2 ON  : 2 Lamp mode");
        reply("CR7", "21\r", kUnchanged);
        for (const char* query : {"CR0", "CR4", "CRA", "CR7"})
            rxd(query, " 1", kUnchanged);  // a code is never read past the text
        rxd("CR1", "", kUnchanged);
        reply("CR3", "00123\r", " 0 0 1 2 3 CR  Hour Use");
        reply("CR3", "ABCDEFGHIJKLMNOPQR\r", " A B C D E F G H I J K L M N O P Q R C Hour Use");
        reply("CR3", QByteArray(50000, 'A'), QByteArray(" A").repeated(19) + " Hour Use");
        reply("CR6", "ABCDEFGHIJKLMNOPQ\r",
              "  S1= A B C D E C  ,   S2=  H I J K C , S3= M N O P Q C");
        reply("CR6", "12\r", "  S1= 1 2 CR  C  ,   S2=  C , S3= C");
        rxd("CR6", "ABCDEFGHIJKLMNO", "  S1=ABCDEFGHIJ C  ,   S2= O C , S3= C");
        reply("CR9", "\x14\r\n{", " &CR LF ? ");
        const QByteArray p = "CR PRESSURE";
        reply(p, "512\r", "650 hPa", 650);
        reply(p, "ABC\r", "106 hPa", 106);
        reply(p, "-10\r", "95 hPa", 95);
        reply(p, "2.5\r", "108 hPa", 108);
        reply(p, "6553\r", "7077 hPa", 7077);
        reply(p, "-6553\r", "-6865 hPa", -6865);
        reply(p, "6554\r", kUnchanged);
        reply(p, "6553.5\r", kUnchanged);
        reply(p, QByteArray(400, '9') + "\r", kUnchanged);
        reply(p, QByteArray(10000, '0') + "512\r", "650 hPa", 650);
        reply("CR INFPFAIL", "00\r", kUnchanged);
    }
    void decodes() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, rxd);
        QFETCH(QByteArray, status);
        QFETCH(int, pressure);
        const DecodeResult result = decode(query, rxd);
        QCOMPARE(statusOf(result), status);
        QCOMPARE(result.pressure ? int(*result.pressure) : kSame, pressure);
    }

    // Each piece is decoded with all before it; PressureValue keeps the last accepted reading.
    void pressureInPieces() {
        PanelRig rig;
        const QStringList lines =
            runTimeline(rig,
                        {"0 type CR PRESSURE", "0 click Command95", "10 rx 5", "20 rx 12%0D",
                         "3000 click Command95", "3010 rx 6554%0D"},
                        3020);
        QCOMPARE(lines.filter("Label22"),
                 (QStringList{"10 Label22 |111 hPa|", "20 Label22 |650 hPa|", "2500 Label22 ||"}));
        QCOMPARE(rig.form.state().pressure, 650);
    }

    // Only the exact command string selects a decoder (the reply is "00" CR).
    void dispatchIsExact() {
        QStringList got;
        // clang-format off
        for (const auto& [prefix, sent] : {
                 std::pair{"", "CR0\r"}, {"", "CRA\r"}, {"", "CR7\r"}, {"X", "XCR0\r"}, {"X", "CR0\r"}, {"", "cr0\r"},
                 {"", "CR0"}, {"", "CR0\n"}, {"", "CR0\r\r"}, {"", " CR0\r"}, {"", "CRA \r"}, {"", "\r"}, {"", ""},
                 {"", "CR  PRESSURE\r"}, {"", "XCR0\r"}})
            got << statusOf(decodeReply(prefix, sent, " 0 0 CR "));
        // clang-format on
        QCOMPARE(got.join('|'),
                 " Power ON| Video & Audio mute OFF| All OFF : 2 Lamp mode| Power ON|" +
                     QByteArray("|<unchanged>").repeated(11).mid(1));
    }

    // The reading before the formula: blanks skipped, half to even.
    void pressureReading_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("reading");
        const std::pair<const char*, int> rows[] = {
            {"+7", 7},          {"\t1\n3 .\t5", 14}, {"\r5", 0},         {" . 7 5", 1},
            {"7.x", 7},         {"2.5.9", 2},        {"&H10", 0},        {"1e9", 1},
            {"--5", 0},         {"-2.5", -2},        {"-3.5", -4},       {"2.5000001", 3},
            {"32767.4", 32767}, {"32768", kSame},    {"-32768", -32768}, {"-32769", kSame}};
        for (const auto& [text, reading] : rows)
            QTest::addRow("%s", QByteArray(text).toPercentEncoding().data())
                << QByteArray(text) << reading;
        QTest::addRow("tiny fraction") << "0." + QByteArray(10000, '0') + "1" << 0;
        QTest::addRow("7. (no digits after the point)") << QByteArray("7.") << 7;
    }
    void pressureReading() {
        QFETCH(QByteArray, text);
        QFETCH(int, reading);
        // Read from a view that stops where the text does, with more digits beyond it.
        const QByteArray beyond = text + "99.9";
        const std::optional<std::int16_t> r =
            roundToInt16(readNumber(std::string_view(beyond.constData(), text.size())));
        QCOMPARE(r ? int(*r) : kSame, reading);
    }
};

QTEST_APPLESS_MAIN(TestDecoders)
#include "test_decoders.moc"
