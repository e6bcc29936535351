#include <QtTest>

#include <string>

#include "link/traffic.h"
#include "replies/decoders.h"

using namespace r7k;

namespace {

// Stand for "the status line keeps its text" and "PressureValue unchanged" in the tables.
const QByteArray kUnchanged = "<unchanged>";
constexpr int kSame = -99999;

QByteArray statusOf(const DecodeResult& result) {
    return result.status ? QByteArray::fromStdString(*result.status) : kUnchanged;
}

// The dispatch after the panel sent `query` (no prefix) and received `rxd` as RXD text.
DecodeResult decode(const QByteArray& query, const QByteArray& rxd) {
    return decodeReply("", (query + "\r").toStdString(), rxd.toStdString());
}

QByteArray rxdOf(const QByteArray& reply) {
    return QByteArray::fromStdString(trafficText(reply.toStdString()));
}

struct ExpectedRow {
    const char* query;
    const char* reply;
    const char* status;
};

// Every row of every reply table, written out independently of the tables themselves.
constexpr ExpectedRow kExpectedRows[] = {
    {"CR0", "00", " Power ON"},
    {"CR0", "80", " Stand by"},
    {"CR0", "40", " Count down"},
    {"CR0", "20", " Cooling down"},
    {"CR0", "10", " Power Fail"},
    {"CR0", "08", " Temperature Warning(Power ON)"},
    {"CR0", "02", " NO Key input "},
    {"CR0", "04", " Lamp OFF by PWR Management"},
    {"CR0", "28", " Temperature Warning & cooling down"},
    {"CR0", "24", " Lamp OFF & Tempereture Warning by PWR Management"},
    {"CR0", "88", " Temperature Warning and recoverd"},
    {"CR0", "21", " Cooling down (All Lamp FAIL)"},
    {"CR0", "81", " Cooling down & sutandby (All Lamp FAIL)"},
    {"CR1", "1", " Input mode 1"},
    {"CR1", "2", " Input mode 2"},
    {"CR1", "3", " Input mode 3"},
    {"CR1", "4", " Input mode 4"},
    {"CR4", "11", " Normally"},
    {"CR4", "10", " Top/Bottom reversal"},
    {"CR4", "01", " Left/Right reversal"},
    {"CR4", "00", " Top/Bottom , Left/Right reversal"},
    {"CRA", "00", " Video & Audio mute OFF"},
    {"CRA", "01", " Video mute ON"},
    {"CRA", "02", " Audio mute ON"},
    {"CRA", "03", " Video & Audio mute ON"},
    {"CRA", "80", " No signal"},
    {"CRA", "FF", " Stand by"},
    {"CR7", "00", " All OFF : 2 Lamp mode"},
    {"CR7", "01", " No1 ON  : 2 Lamp mode"},
    {"CR7", "02", " No2 ON  : 2 Lamp mode"},
    {"CR7", "03", " No1,2 ON  : 2 Lamp mode"},
    {"CR7", "10", " All OFF : 1 Lamp mode(No1 USE)"},
    {"CR7", "11", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {"CR7", "20", " All OFF : 1 Lamp mode(No2 USE)"},
    {"CR7", "22", " No2 ON  : 1 Lamp mode(No2 USE)"},
};

constexpr const char* kTableQueries[] = {"CR0", "CR1", "CR4", "CRA", "CR7"};

}  // namespace

// Reply decoding from the received bytes to the status line and PressureValue.
class TestDecoders : public QObject {
    Q_OBJECT

  private slots:
    void decodes_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("rxd");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("pressure");
        const auto reply = [](const QByteArray& name, const QByteArray& query,
                              const QByteArray& bytes, const QByteArray& status,
                              int pressure = kSame) {
            QTest::addRow("%s", name.constData()) << query << rxdOf(bytes) << status << pressure;
        };
        // RXD texts handed over as they stand, also ones no reply renders to.
        const auto rxd = [](const QByteArray& name, const QByteArray& query, const QByteArray& text,
                            const QByteArray& status) {
            QTest::addRow("%s", name.constData()) << query << text << status << kSame;
        };
        for (const ExpectedRow& row : kExpectedRows) {
            reply(QByteArray(row.query) + " reply " + row.reply + " gives \"" + row.status + "\"",
                  row.query, QByteArray(row.reply) + "\r", row.status);
        }

        reply("STATUS 008 ignores the third char", "CR0", "008\r", " Power ON");
        reply("STATUS 0 alone: code ' 0 C' in no row", "CR0", "0\r", kUnchanged);
        reply("STATUS 99 unknown", "CR0", "99\r", kUnchanged);
        reply("STATUS reply led by ACK", "CR0", QByteArray("\x06") + "00\r", kUnchanged);
        reply("STATUS reply led by 0x80", "CR0", QByteArray("\x80") + "0\r", kUnchanged);
        reply("STATUS empty reply", "CR0", "", kUnchanged);
        reply("MODE 12 looks at first char only", "CR1", "12\r", " Input mode 1");
        reply("MODE 5 unknown", "CR1", "5\r", kUnchanged);
        reply("mute ff lower case unknown", "CRA", "ff\r", kUnchanged);
        reply("lamp mode 21 unknown", "CR7", "21\r", kUnchanged);
        reply("STATUS code then flood", "CR0", "80" + QByteArray(50000, 'A'), " Stand by");
        reply("MODE then flood", "CR1", "4" + QByteArray(50000, 'A'), " Input mode 4");

        reply("L-TIME 00123 shows CR mark, two blanks before Hour", "CR3", "00123\r",
              " 0 0 1 2 3 CR  Hour Use");
        reply("L-TIME 17 chars fit with whole CR mark", "CR3", "ABCDEFGHIJKLMNOPQ\r",
              " A B C D E F G H I J K L M N O P Q CR  Hour Use");
        reply("L-TIME 18 chars cut inside CR mark", "CR3", "ABCDEFGHIJKLMNOPQR\r",
              " A B C D E F G H I J K L M N O P Q R C Hour Use");
        reply("L-TIME flood shows 19 chars", "CR3", QByteArray(50000, 'A'),
              QByteArray(" A").repeated(19) + " Hour Use");
        rxd("L-TIME empty", "CR3", "", " Hour Use");
        rxd("L-TIME one char", "CR3", "7", "7 Hour Use");
        reply("TEMP 17 chars drop 6, 7 and 12", "CR6", "ABCDEFGHIJKLMNOPQ\r",
              "  S1= A B C D E C  ,   S2=  H I J K C , S3= M N O P Q C");
        reply("TEMP 12 leaves S2 and S3 empty", "CR6", "12\r",
              "  S1= 1 2 CR  C  ,   S2=  C , S3= C");
        rxd("TEMP empty", "CR6", "", "  S1= C  ,   S2=  C , S3= C");
        rxd("TEMP 14 chars: S2 starts past end", "CR6", "ABCDEFGHIJKLMN",
            "  S1=ABCDEFGHIJ C  ,   S2=  C , S3= C");
        rxd("TEMP 15 chars: S2 one char", "CR6", "ABCDEFGHIJKLMNO",
            "  S1=ABCDEFGHIJ C  ,   S2= O C , S3= C");
        reply("CR9 AB whole text", "CR9", "AB\r", " A B CR ");
        reply("CR9 marks kept", "CR9", "\x14\r\n{", " &CR LF ? ");
        reply("CR9 flood shown whole", "CR9", QByteArray(50000, 'A'),
              rxdOf(QByteArray(50000, 'A')));
        rxd("CR9 empty is written", "CR9", "", "");
        // A table code needs its first reply characters; shorter texts must not be read past.
        for (const char* query : kTableQueries) {
            for (const char* text : {"", " ", " 0", " 1 "}) {
                const bool modeOne =
                    QByteArray(query) == "CR1" && QByteArray(text).startsWith(" 1");
                rxd(QByteArray(query) + " on \"" + text + "\"", query, text,
                    modeOne ? " Input mode 1" : kUnchanged);
            }
        }

        const QByteArray pressure = "CR PRESSURE";
        reply("pressure 512", pressure, "512\r", "650 hPa", 650);
        reply("pressure 0", pressure, "0\r", "106 hPa", 106);
        reply("pressure no number reads 0", pressure, "ABC\r", "106 hPa", 106);
        reply("pressure empty reply reads 0", pressure, "", "106 hPa", 106);
        reply("pressure 1023", pressure, "1023\r", "1194 hPa", 1194);
        reply("pressure -10", pressure, "-10\r", "95 hPa", 95);
        reply("pressure 2.5 reads 2", pressure, "2.5\r", "108 hPa", 108);
        reply("pressure 3.5 reads 4", pressure, "3.5\r", "110 hPa", 110);
        reply("pressure 1e9 reads 1", pressure, "1e9\r", "107 hPa", 107);
        reply("pressure 6553 highest", pressure, "6553\r", "7077 hPa", 7077);
        reply("pressure -6553 lowest", pressure, "-6553\r", "-6865 hPa", -6865);
        reply("pressure 6553.4 rounds into range", pressure, "6553.4\r", "7077 hPa", 7077);
        reply("pressure 6554 overflows", pressure, "6554\r", kUnchanged);
        reply("pressure -6554 overflows", pressure, "-6554\r", kUnchanged);
        reply("pressure 6553.5 rounds to 6554", pressure, "6553.5\r", kUnchanged);
        reply("pressure 32768 beyond 16 bits", pressure, "32768\r", kUnchanged);
        reply("pressure 10000 digits", pressure, QByteArray(10000, '9') + "\r", kUnchanged);
        reply("pressure -10000 digits", pressure, "-" + QByteArray(10000, '9') + "\r", kUnchanged);
        reply("pressure after 10000 zeros", pressure, QByteArray(10000, '0') + "512\r", "650 hPa",
              650);
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

    // Any two-character reply not in a table leaves the line alone: no default text, no extra
    // row. Case and order of the characters count.
    void onlyTableCodesDecode() {
        const QByteArray chars = " 0123456789ABCDEFf";
        QStringList wrong;
        for (const char* query : kTableQueries) {
            for (char first : chars) {
                for (char second : chars) {
                    const QByteArray bytes = QByteArray{first, second} + "\r";
                    QByteArray expected = kUnchanged;
                    for (const ExpectedRow& row : kExpectedRows) {
                        if (query == QByteArray(row.query) && bytes.startsWith(row.reply))
                            expected = row.status;
                    }
                    if (statusOf(decode(query, rxdOf(bytes))) != expected)
                        wrong << QString("%1 reply \"%2\"").arg(query, bytes.left(2));
                }
            }
        }
        QCOMPARE(wrong, QStringList{});
    }

    void dispatchIsExact_data() {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("lastCommand");
        QTest::addColumn<QByteArray>("status");  // after the reply "00" CR
        const auto row = [](const char* name, const QByteArray& prefix, const QByteArray& sent,
                            const QByteArray& status) {
            QTest::addRow("%s", name) << prefix << sent << status;
        };
        row("CR0 selects power status", "", "CR0\r", " Power ON");
        row("cr0 lower case", "", "cr0\r", kUnchanged);
        row("CR0 without CR", "", "CR0", kUnchanged);
        row("CR0 ended by LF", "", "CR0\n", kUnchanged);
        row("CR0 with two CRs", "", "CR0\r\r", kUnchanged);
        row("CR0 after a blank", "", " CR0\r", kUnchanged);
        row("CRA selects mute", "", "CRA\r", " Video & Audio mute OFF");
        row("cra lower case", "", "cra\r", kUnchanged);
        row("CRA with trailing blank", "", "CRA \r", kUnchanged);
        row("P-FAIL has no decoder", "", "CR INFPFAIL\r", kUnchanged);
        row("power-on command", "", "C00\r", kUnchanged);
        row("unknown query CR2", "", "CR2\r", kUnchanged);
        row("bare CR", "", "\r", kUnchanged);
        row("nothing sent yet", "", "", kUnchanged);
        row("CR PRESSURE with two blanks", "", "CR  PRESSURE\r", kUnchanged);
        row("prefix then CR0", "X", "XCR0\r", " Power ON");
        row("prefix missing from command", "X", "CR0\r", kUnchanged);
        row("prefix in command, none expected", "", "XCR0\r", kUnchanged);
    }
    void dispatchIsExact() {
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, lastCommand);
        QFETCH(QByteArray, status);
        const DecodeResult result =
            decodeReply(prefix.toStdString(), lastCommand.toStdString(), " 0 0 CR ");
        QCOMPARE(statusOf(result), status);
    }

    // The receive path decodes the whole buffer again after every piece.
    void decodedOncePerPiece_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("statuses");
        const auto row = [](const char* name, const QByteArray& query, const QByteArrayList& pieces,
                            const QByteArrayList& statuses) {
            QTest::addRow("%s", name) << query << pieces << statuses;
        };
        row("STATUS 0 then 0 CR", "CR0", {"0", "0\r"}, {kUnchanged, " Power ON"});
        row("STATUS code settles, later reply ignored", "CR0", {"00", "\r", "80\r"},
            {" Power ON", " Power ON", " Power ON"});
        row("pressure 5 then 12 CR", "CR PRESSURE", {"5", "12\r"}, {"111 hPa", "650 hPa"});
    }
    void decodedOncePerPiece() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArrayList, statuses);
        QByteArray buffer;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            buffer += pieces[i];
            QCOMPARE(statusOf(decode(query, rxdOf(buffer))), statuses[i]);
        }
    }

    // The pressure reading: the text read as a number, then rounded half-to-even; what the
    // pressure rows above do not already pin down.
    void pressureReading_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("reading");  // kSame: no reading
        const auto row = [](const char* name, const QByteArray& text, int reading) {
            QTest::addRow("%s", name) << text << reading;
        };
        row("plus sign", "+7", 7);
        row("tabs and line feeds skipped, also in the fraction", "\t1\n3 .\t5", 14);
        row("CR is not skipped", "\r5", 0);
        row("fraction without integer part", " . 7 5", 1);
        row("point without digits after", "7.x", 7);
        row("second point stops", "2.5.9", 2);
        row("no radix prefix", "&H10", 0);
        row("sign alone", "-", 0);
        row("two signs", "--5", 0);
        row("tiny fraction is 0", "0." + QByteArray(10000, '0') + "1", 0);
        row("-2.5 to -2", "-2.5", -2);
        row("-3.5 to -4", "-3.5", -4);
        row("just above half", "2.5000001", 3);
    }
    void pressureReading() {
        QFETCH(QByteArray, text);
        QFETCH(int, reading);
        const std::optional<std::int16_t> result = roundToInt16(readNumber(text.toStdString()));
        QCOMPARE(result ? int(*result) : kSame, reading);
    }
};

QTEST_APPLESS_MAIN(TestDecoders)
#include "test_decoders.moc"
