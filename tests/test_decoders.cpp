#include <QtTest>

#include <cmath>
#include <limits>
#include <string>

#include "link/traffic.h"
#include "replies/decoders.h"

using namespace r7k;

namespace {

// Stands for "status line keeps its text" in the tables below.
const QByteArray kUnchanged = "<unchanged>";

QByteArray statusOf(const DecodeResult& result) {
    return result.status ? QByteArray::fromStdString(*result.status) : kUnchanged;
}

std::string toStd(const QByteArray& bytes) {
    return bytes.toStdString();
}

// A query typed or sent as the panel does: prefix (empty), code, CR.
DecodeResult afterQuery(const QByteArray& code, const QByteArray& reply) {
    return decodeReply("", toStd(code + "\r"), trafficText(toStd(reply)));
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

}  // namespace

// Reply decoding from the received bytes to the status line and PressureValue.
class TestDecoders : public QObject {
    Q_OBJECT

  private slots:
    void tableRowViaDispatch_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("status");
        for (const ExpectedRow& row : kExpectedRows) {
            QTest::addRow("%s reply %s gives \"%s\"", row.query, row.reply, row.status)
                << QByteArray(row.query) << QByteArray(row.reply) + "\r" << QByteArray(row.status);
        }
    }
    void tableRowViaDispatch() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, status);
        const DecodeResult result = afterQuery(query, reply);
        QCOMPARE(statusOf(result), status);
        QVERIFY(!result.pressure);
    }

    // A table row without an expected row above would go untested.
    void everyTableRowHasAnExpectedRow() {
        QStringList untested;
        for (const ReplyTable* table : kReplyTables) {
            for (const ReplyRow& row : table->rows) {
                int found = 0;
                for (const ExpectedRow& expected : kExpectedRows) {
                    if (expected.query == table->query &&
                        cut(trafficText(expected.reply), 1, table->codeLength) == row.code) {
                        ++found;
                    }
                }
                if (found != 1) {
                    untested << QString::fromStdString(std::string(table->query) + " \"" +
                                                       std::string(row.code) + "\"");
                }
            }
        }
        QCOMPARE(untested, QStringList{});
    }

    void replyEdgeCases_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("rxd");
        QTest::addColumn<QByteArray>("status");
        QTest::addRow("STATUS 008 ignores the third char")
            << QByteArray("CR0") << QByteArray("008\r") << QByteArray(" 0 0 8 CR ")
            << QByteArray(" Power ON");
        QTest::addRow("STATUS 0 alone: code ' 0 C' in no row")
            << QByteArray("CR0") << QByteArray("0\r") << QByteArray(" 0 CR ") << kUnchanged;
        QTest::addRow("STATUS 99 unknown")
            << QByteArray("CR0") << QByteArray("99\r") << QByteArray(" 9 9 CR ") << kUnchanged;
        QTest::addRow("STATUS reply led by ACK")
            << QByteArray("CR0") << (QByteArray("\x06") + "00\r") << QByteArray(" ACK 0 0 CR ")
            << kUnchanged;
        QTest::addRow("STATUS reply led by 0x80")
            << QByteArray("CR0") << (QByteArray("\x80") + "0\r") << QByteArray(" ? 0 CR ")
            << kUnchanged;
        QTest::addRow("STATUS empty reply")
            << QByteArray("CR0") << QByteArray("") << QByteArray(" ") << kUnchanged;
        QTest::addRow("MODE 3") << QByteArray("CR1") << QByteArray("3\r") << QByteArray(" 3 CR ")
                                << QByteArray(" Input mode 3");
        QTest::addRow("MODE 12 looks at first char only")
            << QByteArray("CR1") << QByteArray("12\r") << QByteArray(" 1 2 CR ")
            << QByteArray(" Input mode 1");
        QTest::addRow("MODE 5 unknown")
            << QByteArray("CR1") << QByteArray("5\r") << QByteArray(" 5 CR ") << kUnchanged;
        QTest::addRow("SETTING 10") << QByteArray("CR4") << QByteArray("10\r")
                                    << QByteArray(" 1 0 CR ") << QByteArray(" Top/Bottom reversal");
        QTest::addRow("mute ff lower case unknown")
            << QByteArray("CRA") << QByteArray("ff\r") << QByteArray(" f f CR ") << kUnchanged;
        QTest::addRow("lamp mode 21 unknown")
            << QByteArray("CR7") << QByteArray("21\r") << QByteArray(" 2 1 CR ") << kUnchanged;
        QTest::addRow("L-TIME 00123 shows CR mark, two blanks before Hour")
            << QByteArray("CR3") << QByteArray("00123\r") << QByteArray(" 0 0 1 2 3 CR ")
            << QByteArray(" 0 0 1 2 3 CR  Hour Use");
        QTest::addRow("L-TIME 17 chars fit with whole CR mark")
            << QByteArray("CR3") << QByteArray("ABCDEFGHIJKLMNOPQ\r")
            << QByteArray(" A B C D E F G H I J K L M N O P Q CR ")
            << QByteArray(" A B C D E F G H I J K L M N O P Q CR  Hour Use");
        QTest::addRow("L-TIME 18 chars cut inside CR mark")
            << QByteArray("CR3") << QByteArray("ABCDEFGHIJKLMNOPQR\r")
            << QByteArray(" A B C D E F G H I J K L M N O P Q R CR ")
            << QByteArray(" A B C D E F G H I J K L M N O P Q R C Hour Use");
        QTest::addRow("L-TIME 20 chars show first 19")
            << QByteArray("CR3") << QByteArray("ABCDEFGHIJKLMNOPQRST\r")
            << QByteArray(" A B C D E F G H I J K L M N O P Q R S T CR ")
            << QByteArray(" A B C D E F G H I J K L M N O P Q R S Hour Use");
        QTest::addRow("TEMP 17 chars drop 6, 7 and 12")
            << QByteArray("CR6") << QByteArray("ABCDEFGHIJKLMNOPQ\r")
            << QByteArray(" A B C D E F G H I J K L M N O P Q CR ")
            << QByteArray("  S1= A B C D E C  ,   S2=  H I J K C , S3= M N O P Q C");
        QTest::addRow("TEMP 12 leaves S2 and S3 empty")
            << QByteArray("CR6") << QByteArray("12\r") << QByteArray(" 1 2 CR ")
            << QByteArray("  S1= 1 2 CR  C  ,   S2=  C , S3= C");
        QTest::addRow("CR9 AB whole text") << QByteArray("CR9") << QByteArray("AB\r")
                                           << QByteArray(" A B CR ") << QByteArray(" A B CR ");
        QTest::addRow("CR9 marks kept") << QByteArray("CR9") << QByteArray("\x14\r\n{")
                                        << QByteArray(" &CR LF ? ") << QByteArray(" &CR LF ? ");
    }
    void replyEdgeCases() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, rxd);
        QFETCH(QByteArray, status);
        QCOMPARE(QByteArray::fromStdString(trafficText(toStd(reply))), rxd);
        QCOMPARE(statusOf(afterQuery(query, reply)), status);
    }

    void dispatchIsExact_data() {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("lastCommand");
        QTest::addColumn<QByteArray>("status");  // after the reply "00" CR
        const QByteArray none;
        QTest::addRow("CR0 selects power status")
            << none << QByteArray("CR0\r") << QByteArray(" Power ON");
        QTest::addRow("cr0 lower case") << none << QByteArray("cr0\r") << kUnchanged;
        QTest::addRow("CR0 without CR") << none << QByteArray("CR0") << kUnchanged;
        QTest::addRow("CR0 ended by LF") << none << QByteArray("CR0\n") << kUnchanged;
        QTest::addRow("CR0 with two CRs") << none << QByteArray("CR0\r\r") << kUnchanged;
        QTest::addRow("CR0 after a blank") << none << QByteArray(" CR0\r") << kUnchanged;
        QTest::addRow("CRA selects mute")
            << none << QByteArray("CRA\r") << QByteArray(" Video & Audio mute OFF");
        QTest::addRow("cra lower case") << none << QByteArray("cra\r") << kUnchanged;
        QTest::addRow("CRA with trailing blank") << none << QByteArray("CRA \r") << kUnchanged;
        QTest::addRow("P-FAIL has no decoder") << none << QByteArray("CR INFPFAIL\r") << kUnchanged;
        QTest::addRow("power-on command") << none << QByteArray("C00\r") << kUnchanged;
        QTest::addRow("unknown query CR2") << none << QByteArray("CR2\r") << kUnchanged;
        QTest::addRow("bare CR") << none << QByteArray("\r") << kUnchanged;
        QTest::addRow("nothing sent yet") << none << QByteArray("") << kUnchanged;
        QTest::addRow("CR PRESSURE reads 00 as 0")
            << none << QByteArray("CR PRESSURE\r") << QByteArray("106 hPa");
        QTest::addRow("CR PRESSURE with two blanks")
            << none << QByteArray("CR  PRESSURE\r") << kUnchanged;
        QTest::addRow("CR9 whole text") << none << QByteArray("CR9\r") << QByteArray(" 0 0 CR ");
        QTest::addRow("prefix then CR0")
            << QByteArray("X") << QByteArray("XCR0\r") << QByteArray(" Power ON");
        QTest::addRow("prefix missing from command")
            << QByteArray("X") << QByteArray("CR0\r") << kUnchanged;
        QTest::addRow("prefix in command, none expected")
            << none << QByteArray("XCR0\r") << kUnchanged;
    }
    void dispatchIsExact() {
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, lastCommand);
        QFETCH(QByteArray, status);
        QCOMPARE(statusOf(decodeReply(toStd(prefix), toStd(lastCommand), " 0 0 CR ")), status);
    }

    void decodedOncePerPiece_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("statuses");
        QTest::addRow("STATUS 0 then 0 CR") << QByteArray("CR0") << QByteArrayList{"0", "0\r"}
                                            << QByteArrayList{kUnchanged, " Power ON"};
        QTest::addRow("STATUS code settles, later reply ignored")
            << QByteArray("CR0") << QByteArrayList{"00", "\r", "80\r"}
            << QByteArrayList{" Power ON", " Power ON", " Power ON"};
        QTest::addRow("MODE first char decides")
            << QByteArray("CR1") << QByteArrayList{"1", "2\r"}
            << QByteArrayList{" Input mode 1", " Input mode 1"};
        QTest::addRow("pressure 5 then 12 CR")
            << QByteArray("CR PRESSURE") << QByteArrayList{"5", "12\r"}
            << QByteArrayList{"111 hPa", "650 hPa"};
        QTest::addRow("L-TIME grows") << QByteArray("CR3") << QByteArrayList{"0", "01\r"}
                                      << QByteArrayList{" 0  Hour Use", " 0 0 1 CR  Hour Use"};
        QTest::addRow("CR9 grows")
            << QByteArray("CR9") << QByteArrayList{"A", "B\r"} << QByteArrayList{" A ", " A B CR "};
    }
    void decodedOncePerPiece() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArrayList, statuses);
        QByteArray buffer;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            buffer += pieces[i];
            QCOMPARE(statusOf(afterQuery(query, buffer)), statuses[i]);
        }
    }

    // Decoders are handed any text, also ones shorter than every cut they make.
    void shortTexts_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("rxd");
        QTest::addColumn<QByteArray>("status");
        for (const char* query : {"CR0", "CR1", "CR4", "CRA", "CR7"}) {
            for (const char* rxd : {"", " ", " 0", " 1 "}) {
                const bool modeOne = QByteArray(query) == "CR1" && QByteArray(rxd).startsWith(" 1");
                QTest::addRow("%s on \"%s\"", query, rxd)
                    << QByteArray(query) << QByteArray(rxd)
                    << (modeOne ? QByteArray(" Input mode 1") : kUnchanged);
            }
        }
        QTest::addRow("CR3 empty")
            << QByteArray("CR3") << QByteArray("") << QByteArray(" Hour Use");
        QTest::addRow("CR3 one char")
            << QByteArray("CR3") << QByteArray("7") << QByteArray("7 Hour Use");
        QTest::addRow("CR6 empty")
            << QByteArray("CR6") << QByteArray("") << QByteArray("  S1= C  ,   S2=  C , S3= C");
        QTest::addRow("CR6 14 chars: S2 starts past end")
            << QByteArray("CR6") << QByteArray("ABCDEFGHIJKLMN")
            << QByteArray("  S1=ABCDEFGHIJ C  ,   S2=  C , S3= C");
        QTest::addRow("CR6 15 chars: S2 one char")
            << QByteArray("CR6") << QByteArray("ABCDEFGHIJKLMNO")
            << QByteArray("  S1=ABCDEFGHIJ C  ,   S2= O C , S3= C");
        QTest::addRow("CR6 25 chars: S3 one char")
            << QByteArray("CR6") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXY")
            << QByteArray("  S1=ABCDEFGHIJ C  ,   S2= OPQRSTUV C , S3=Y C");
        QTest::addRow("CR6 36 chars: 11-14, 23-24 and 35 on unused")
            << QByteArray("CR6") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")
            << QByteArray("  S1=ABCDEFGHIJ C  ,   S2= OPQRSTUV C , S3=YZ01234567 C");
        QTest::addRow("CR9 empty") << QByteArray("CR9") << QByteArray("") << QByteArray("");
        QTest::addRow("pressure empty")
            << QByteArray("CR PRESSURE") << QByteArray("") << QByteArray("106 hPa");
    }
    void shortTexts() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, rxd);
        QFETCH(QByteArray, status);
        QCOMPARE(statusOf(decodeReply("", toStd(query + "\r"), toStd(rxd))), status);
    }

    void cutPositions_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QByteArray>("part");
        QTest::addRow("inside") << 2 << 4 << QByteArray("bcd");
        QTest::addRow("single char") << 6 << 6 << QByteArray("f");
        QTest::addRow("runs past end") << 5 << 10 << QByteArray("ef");
        QTest::addRow("starts just past end") << 7 << 9 << QByteArray("");
        QTest::addRow("starts far past end") << 100 << 200 << QByteArray("");
        QTest::addRow("to before from") << 4 << 3 << QByteArray("");
    }
    void cutPositions() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QByteArray, part);
        QCOMPARE(QByteArray::fromStdString(std::string(cut("abcdef", from, to))), part);
    }

    void readNumber_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addRow("spaced digits") << QByteArray(" 5 1 2 CR ") << 512.0;
        QTest::addRow("blank between sign and digits") << QByteArray(" - 1 0 CR ") << -10.0;
        QTest::addRow("plus sign") << QByteArray("+7") << 7.0;
        QTest::addRow("tabs and line feeds skipped") << QByteArray("\t1\n2 .\t5") << 12.5;
        QTest::addRow("CR is not skipped") << QByteArray("\r5") << 0.0;
        QTest::addRow("fraction without integer part") << QByteArray(" . 2 5") << 0.25;
        QTest::addRow("point without digits after") << QByteArray("7.x") << 7.0;
        QTest::addRow("second point stops") << QByteArray("1.5.5") << 1.5;
        QTest::addRow("no exponent: 1e9 reads 1") << QByteArray("1e9") << 1.0;
        QTest::addRow("no radix prefix") << QByteArray("&H10") << 0.0;
        QTest::addRow("letters first") << QByteArray(" A B C CR ") << 0.0;
        QTest::addRow("sign alone") << QByteArray("-") << 0.0;
        QTest::addRow("two signs") << QByteArray("--5") << 0.0;
        QTest::addRow("empty") << QByteArray("") << 0.0;
        QTest::addRow("10000 leading zeros") << QByteArray(10000, '0') + "42" << 42.0;
        QTest::addRow("10000 digits is infinite") << "1" + QByteArray(10000, '0') << inf;
        QTest::addRow("10000 negative digits") << "-" + QByteArray(10000, '9') << -inf;
        QTest::addRow("tiny fraction is 0") << "0." + QByteArray(10000, '0') + "1" << 0.0;
    }
    void readNumber() {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        QCOMPARE(r7k::readNumber(toStd(text)), value);
    }

    void roundsHalfToEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");  // -99999: does not fit
        const int none = -99999;
        QTest::addRow("2.5 to 2") << 2.5 << 2;
        QTest::addRow("3.5 to 4") << 3.5 << 4;
        QTest::addRow("-2.5 to -2") << -2.5 << -2;
        QTest::addRow("-3.5 to -4") << -3.5 << -4;
        QTest::addRow("0.5 to 0") << 0.5 << 0;
        QTest::addRow("just above half") << 2.5000001 << 3;
        QTest::addRow("just below half") << 2.4999999 << 2;
        QTest::addRow("largest") << 32767.49 << 32767;
        QTest::addRow("32767.5 rounds to 32768") << 32767.5 << none;
        QTest::addRow("-32768.5 rounds to -32768") << -32768.5 << -32768;
        QTest::addRow("-32768.6 too small") << -32768.6 << none;
        QTest::addRow("1e300") << 1e300 << none;
        QTest::addRow("infinity") << std::numeric_limits<double>::infinity() << none;
        QTest::addRow("NaN") << std::numeric_limits<double>::quiet_NaN() << none;
    }
    void roundsHalfToEven() {
        QFETCH(double, value);
        QFETCH(int, rounded);
        const std::optional<std::int16_t> result = roundToInt16(value);
        QCOMPARE(result ? int(*result) : -99999, rounded);
    }

    void pressure_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("pressureValue");  // -99999: unchanged
        const int same = -99999;
        QTest::addRow("512") << QByteArray("512\r") << QByteArray("650 hPa") << 650;
        QTest::addRow("0") << QByteArray("0\r") << QByteArray("106 hPa") << 106;
        QTest::addRow("no number reads 0") << QByteArray("ABC\r") << QByteArray("106 hPa") << 106;
        QTest::addRow("1023") << QByteArray("1023\r") << QByteArray("1194 hPa") << 1194;
        QTest::addRow("-10") << QByteArray("-10\r") << QByteArray("95 hPa") << 95;
        QTest::addRow("2.5 reads 2") << QByteArray("2.5\r") << QByteArray("108 hPa") << 108;
        QTest::addRow("3.5 reads 4") << QByteArray("3.5\r") << QByteArray("110 hPa") << 110;
        QTest::addRow("1e9 reads 1") << QByteArray("1e9\r") << QByteArray("107 hPa") << 107;
        QTest::addRow("6553 highest") << QByteArray("6553\r") << QByteArray("7077 hPa") << 7077;
        QTest::addRow("-6553 lowest") << QByteArray("-6553\r") << QByteArray("-6865 hPa") << -6865;
        QTest::addRow("6553.4 rounds into range")
            << QByteArray("6553.4\r") << QByteArray("7077 hPa") << 7077;
        QTest::addRow("6554 overflows") << QByteArray("6554\r") << kUnchanged << same;
        QTest::addRow("-6554 overflows") << QByteArray("-6554\r") << kUnchanged << same;
        QTest::addRow("6553.5 rounds to 6554") << QByteArray("6553.5\r") << kUnchanged << same;
        QTest::addRow("32767 fits 16 bits only") << QByteArray("32767\r") << kUnchanged << same;
        QTest::addRow("32768 beyond 16 bits") << QByteArray("32768\r") << kUnchanged << same;
        QTest::addRow("10000 digits") << QByteArray(10000, '9') + "\r" << kUnchanged << same;
        QTest::addRow("-10000 digits") << "-" + QByteArray(10000, '9') + "\r" << kUnchanged << same;
    }
    void pressure() {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, status);
        QFETCH(int, pressureValue);
        const DecodeResult result = afterQuery("CR PRESSURE", reply);
        QCOMPARE(statusOf(result), status);
        QCOMPARE(result.pressure ? int(*result.pressure) : -99999, pressureValue);
    }

    void longReplies_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("status");
        const QByteArray flood(50000, 'A');
        QByteArray nineteen;
        for (int i = 0; i < 19; ++i)
            nineteen += " A";
        QTest::addRow("STATUS code then flood")
            << QByteArray("CR0") << "80" + flood << QByteArray(" Stand by");
        QTest::addRow("MODE then flood")
            << QByteArray("CR1") << "4" + flood << QByteArray(" Input mode 4");
        QTest::addRow("L-TIME flood shows 19 chars")
            << QByteArray("CR3") << flood << nineteen + " Hour Use";
        QTest::addRow("CR9 flood shown whole")
            << QByteArray("CR9") << flood << QByteArray::fromStdString(trafficText(toStd(flood)));
        QTest::addRow("pressure after 10000 zeros")
            << QByteArray("CR PRESSURE") << QByteArray(10000, '0') + "512" + flood
            << QByteArray("650 hPa");
    }
    void longReplies() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, status);
        QCOMPARE(statusOf(afterQuery(query, reply)), status);
    }
};

QTEST_APPLESS_MAIN(TestDecoders)
#include "test_decoders.moc"
