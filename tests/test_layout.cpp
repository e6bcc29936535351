// The control layout against the window's design: every control row by row, the pad's outline,
// and the catalogue's buttons present in it.
#include <QtTest>

#include "commands/catalogue.h"
#include "panel/layout.h"

using namespace r7k;

namespace {

// One row as the design tables write it: colour and font in their words.
struct DesignRow {
    const char* name;
    const char* kind;
    const char* container;
    const char* caption;
    int left, top, width, height;
    const char* back;
    const char* font;
    int tab;
};

// clang-format off
constexpr DesignRow kDesign[] = {
    {"Frame1", "frame", "", "", 120, 240, 1695, 975, "grey", "-", 0},
    {"Label1", "label", "Frame1", "POWER", 240, 240, 1095, 255, "grey", "default", 2},
    {"Command17", "button", "Frame1", "ON", 120, 600, 615, 300, "green", "P-Gothic 9 bold", 1},
    {"Command18", "button", "Frame1", "OFF", 960, 600, 615, 300, "pink", "P-Gothic 9 bold", 27},
    {"Frame2", "frame", "", "", 2520, 240, 2895, 975, "grey", "-", 3},
    {"Label2", "label", "Frame2", "INPUT MODE SET", 480, 240, 1935, 255, "grey", "default", 4},
    {"Command27", "button", "Frame2", "1", 240, 600, 495, 300, "cyan", "P-Gothic 9 bold", 36},
    {"Command28", "button", "Frame2", "2", 960, 600, 495, 300, "cyan", "P-Gothic 9 bold", 37},
    {"Command29", "button", "Frame2", "3", 1680, 600, 495, 300, "cyan", "P-Gothic 9 bold", 38},
    {"Command43", "button", "Frame2", "4", 2280, 600, 495, 300, "cyan", "default", 112},
    {"Frame6", "frame", "", "", 5640, 240, 1695, 975, "grey", "-", 14},
    {"Label7", "label", "Frame6", "MENU", 360, 240, 975, 255, "grey", "default", 15},
    {"Command23", "button", "Frame6", "ON", 120, 600, 615, 300, "green", "P-Gothic 9 bold", 32},
    {"Command24", "button", "Frame6", "OFF", 960, 600, 615, 300, "pink", "P-Gothic 9 bold", 33},
    {"Image1", "image", "", "", 8160, 120, 1200, 390, "-", "-", -1},
    {"Frame10", "frame", "", "", 7680, 600, 1692, 1695, "grey", "-", 72},
    {"Label20", "label", "Frame10", "LENS SHIFT", 120, 195, 1455, 300, "grey", "default", 75},
    {"Command59", "button", "Frame10", "↑", 600, 720, 492, 252, "peach", "P-Gothic 7.5", 73},
    {"Command62", "button", "Frame10", "↓", 588, 1320, 492, 252, "peach", "P-Gothic 7.5", 74},
    {"Frame3", "frame", "", "", 120, 1440, 1695, 855, "grey", "-", 8},
    {"Label4", "label", "Frame3", "SOUND MUTE", 120, 195, 1455, 300, "grey", "default", 9},
    {"Command19", "button", "Frame3", "ON", 120, 480, 615, 300, "green", "P-Gothic 9 bold", 28},
    {"Command20", "button", "Frame3", "OFF", 960, 480, 615, 300, "pink", "P-Gothic 9 bold", 29},
    {"Frame4", "frame", "", "", 1920, 1440, 1695, 855, "grey", "-", 10},
    {"Label5", "label", "Frame4", "NO SHOW", 360, 210, 1095, 285, "grey", "default", 11},
    {"Command21", "button", "Frame4", "ON", 120, 480, 615, 300, "green", "P-Gothic 9 bold", 30},
    {"Command22", "button", "Frame4", "OFF", 960, 480, 615, 300, "pink", "P-Gothic 9 bold", 31},
    {"Frame7", "frame", "", "", 3720, 1440, 1695, 855, "grey", "-", 22},
    {"Label8", "label", "Frame7", "FREEZE", 240, 210, 1215, 285, "grey", "default", 23},
    {"Command25", "button", "Frame7", "ON", 120, 480, 615, 300, "green", "P-Gothic 9 bold", 34},
    {"Command26", "button", "Frame7", "OFF", 960, 480, 615, 300, "pink", "P-Gothic 9 bold", 35},
    {"Frame5", "frame", "", "", 5520, 1440, 1815, 855, "grey", "-", 12},
    {"Label6", "label", "Frame5", "AV Size", 240, 210, 1335, 285, "grey", "default", 13},
    {"Command31", "button", "Frame5", "Regular", 120, 480, 855, 300, "cyan", "P-Gothic 9", 39},
    {"Command32", "button", "Frame5", "Wide", 1080, 480, 615, 300, "cyan", "P-Gothic 9", 40},
    {"Command5", "button", "", "↑", 1200, 2520, 855, 375, "peach", "P-Gothic 9 bold", 17},
    {"Command9", "button", "", "←", 240, 3000, 855, 375, "peach", "P-Gothic 9 bold", 21},
    {"Command6", "button", "", "SELECT", 1200, 3000, 855, 375, "orange", "Gothic 9", 18},
    {"Command8", "button", "", "→", 2160, 3000, 855, 375, "peach", "P-Gothic 9 bold", 20},
    {"Command7", "button", "", "↓", 1200, 3480, 855, 375, "peach", "P-Gothic 9 bold", 19},
    {"Label3", "label", "", "VOL", 3600, 2520, 495, 255, "grey", "default", 7},
    {"Command1", "button", "", "+", 3600, 2880, 375, 255, "apricot", "default", 5},
    {"Command2", "button", "", "-", 3600, 3240, 375, 255, "apricot", "default", 6},
    {"Label13", "label", "", "Zoom", 4440, 2520, 492, 252, "grey", "Gothic 9", 53},
    {"Command15", "button", "", "+", 4440, 2880, 375, 255, "cyan", "Gothic 9", 51},
    {"Command35", "button", "", "-", 4440, 3240, 375, 255, "cyan", "Gothic 9", 52},
    {"Label14", "label", "", "Focus", 5280, 2520, 615, 255, "grey", "Gothic 9", 56},
    {"Command36", "button", "", "+", 5280, 2880, 375, 255, "cyan", "Gothic 9", 54},
    {"Command37", "button", "", "-", 5280, 3240, 375, 255, "cyan", "Gothic 9", 55},
    {"Label17", "label", "", "D.Zoom", 6360, 2520, 735, 255, "grey", "Gothic 9", 63},
    {"Command48", "button", "", "+", 6480, 2880, 375, 255, "cyan", "P-Gothic 9", 61},
    {"Command49", "button", "", "-", 6480, 3240, 375, 255, "cyan", "Gothic 9", 62},
    {"Label18", "label", "", "Keystone", 7320, 2520, 855, 255, "grey", "Gothic 9", 66},
    {"Command50", "button", "", "+", 7440, 2880, 375, 255, "cyan", "Gothic 9", 64},
    {"Command51", "button", "", "-", 7440, 3240, 375, 255, "cyan", "Gothic 9", 65},
    {"Command13", "button", "", "A-IMAGE", 8400, 2760, 975, 250, "teal", "Gothic 9", 24},
    {"Command30", "button", "", "IMAGE", 8400, 3120, 975, 255, "lavender", "Gothic 9", 76},
    {"Command14", "button", "", "P-TIMER", 8400, 3360, 975, 250, "lavender", "Gothic 9", 25},
    {"Command3", "button", "", "DISPLAY CLEAR", 8400, 3600, 975, 492, "lavender", "Gothic 9", 16},
    {"Command16", "button", "", "END", 8400, 4320, 975, 375, "grey", "default", 26},
    {"Label19", "label", "", "R/C KEY OFF", 6600, 3720, 1332, 252, "grey", "Gothic 9", 71},
    {"Command56", "button", "", "NONE", 6600, 3960, 1200, 372, "cyan", "Gothic 9", 68},
    {"Command57", "button", "", "R/C", 6600, 4320, 606, 372, "cyan", "Gothic 9", 69},
    {"Command58", "button", "", "KEY", 7200, 4320, 606, 372, "cyan", "Gothic 9", 70},
    {"Command4", "button", "", "STAND", 240, 4080, 975, 255, "cyan", "Gothic 9", 80},
    {"Command10", "button", "", "REAL", 1200, 4080, 975, 255, "cyan", "Gothic 9", 81},
    {"Command11", "button", "", "CINEMA", 2160, 4080, 975, 255, "cyan", "Gothic 9", 82},
    {"Command39", "button", "", "IMAGE1", 240, 4320, 975, 255, "cyan", "Gothic 9", 83},
    {"Command40", "button", "", "IMAGE2", 1200, 4320, 975, 255, "cyan", "Gothic 9", 84},
    {"Command41", "button", "", "IMAGE3", 2160, 4320, 975, 255, "cyan", "Gothic 9", 85},
    {"Command42", "button", "", "IMAGE4", 240, 4560, 975, 255, "cyan", "Gothic 9", 86},
    {"Command33", "button", "", "COM", 4080, 4200, 1815, 375, "button face", "P-Gothic 9", 41},
    {"Frame8", "frame", "", "", 3480, 3600, 2775, 1185, "grey", "-", 42},
    {"Option1", "option", "Frame8", "COM1", 240, 240, 1215, 255, "grey", "default", 43},
    {"Option2", "option", "Frame8", "COM2", 1560, 240, 1095, 255, "grey", "default", 44},
    {"Frame13", "frame", "Frame8", "", 120, 480, 2535, 615, "grey", "-", 77},
    {"Option9", "option", "Frame13", "19200", 120, 240, 1095, 255, "grey", "default", 78},
    {"Option10", "option", "Frame13", "9600", 1440, 240, 975, 300, "grey", "default", 79},
    {"Frame9", "frame", "", "", 45, 4920, 6312, 1290, "grey", "-", 45},
    {"Label9", "label", "Frame9", "TXD", 105, 210, 390, 285, "grey", "Gothic 9", 46},
    {"Label11", "label", "Frame9", "", 600, 180, 5610, 300, "white", "P-Gothic 9.75 bold", 48},
    {"Label10", "label", "Frame9", "RXD", 75, 555, 450, 300, "grey", "Gothic 9", 47},
    {"Label12", "label", "Frame9", "", 600, 540, 5616, 300, "white", "P-Gothic 9.75 bold", 49},
    {"Label23", "label", "Frame9", "STATUS", 120, 960, 735, 225, "grey", "Gothic 8.25", 111},
    {"Label22", "label", "Frame9", "", 930, 915, 5295, 300, "white", "P-Gothic 9 bold", 110},
    {"Command34", "button", "", "データを表示する", 6600, 5040, 1200, 375, "grey", "P-Gothic 9", 50},
    {"Command52", "button", "", "P-FAIL", 8400, 5160, 975, 255, "peach", "default", 87},
    {"Command54", "button", "", "TEMP", 8400, 5640, 975, 252, "cyan", "Gothic 8.25 bold", 67},
    {"Command44", "button", "", "STATUS", 6480, 5640, 975, 255, "cyan", "Gothic 8.25 bold", 57},
    {"Command46", "button", "", "L-TIME", 7440, 5640, 975, 255, "cyan", "Gothic 8.25 bold", 59},
    {"Command45", "button", "", "MODE", 6480, 5880, 975, 255, "cyan", "Gothic 8.25 bold", 58},
    {"Command47", "button", "", "SETTING", 7440, 5880, 975, 255, "cyan", "Gothic 8.25 bold", 60},
    {"Frame14", "frame", "", "", 120, 6735, 7215, 1320, "grey", "-", 88},
    {"Label15", "label", "Frame14", "1", 120, 240, 255, 255, "grey", "default", 98},
    {"Command64", "button", "Frame14", "RGB", 480, 240, 975, 255, "cyan", "Gothic 9", 89},
    {"Command65", "button", "Frame14", "SCART", 1440, 240, 975, 255, "cyan", "Gothic 9", 90},
    {"Label16", "label", "Frame14", "2", 120, 480, 255, 255, "grey", "default", 99},
    {"Command72", "button", "Frame14", "RGB", 480, 480, 975, 255, "cyan", "Gothic 9", 91},
    {"Command76", "button", "Frame14", "Monitor OUT", 1680, 480, 2415, 255, "peach", "Gothic 9", 92},
    {"Label24", "label", "Frame14", "3", 120, 720, 255, 255, "grey", "default", 100},
    {"Command81", "button", "Frame14", "VIDEO", 480, 720, 975, 255, "cyan", "Gothic 9", 94},
    {"Command82", "button", "Frame14", "Y,Pb/Cb,Pr/Cr", 1440, 720, 1695, 255, "cyan", "Gothic 9", 95},
    {"Label21", "label", "Frame14", "4", 120, 960, 375, 255, "grey", "default", 113},
    {"Command85", "button", "Frame14", "VIDEO", 480, 960, 975, 255, "cyan", "Gothic 9", 97},
    {"Command84", "button", "Frame14", "S-VIDEO", 1440, 960, 975, 255, "cyan", "Gothic 9", 96},
    {"Command80", "button", "Frame14", "Y,Pb/Cb,Pr/Cr", 2400, 960, 1695, 255, "cyan", "Gothic 9", 93},
    {"Frame16", "frame", "", "", 7440, 6750, 1935, 945, "grey", "-", 106},
    {"Label27", "label", "Frame16", "FAN SPEED", 345, 285, 1215, 255, "grey", "default", 107},
    {"Command97", "button", "Frame16", "MAX", 120, 600, 855, 255, "green", "default", 108},
    {"Command98", "button", "Frame16", "NOR", 960, 600, 855, 255, "green", "default", 109},
    {"Frame15", "frame", "", "", 120, 8040, 7215, 570, "grey", "-", 101},
    {"Label26", "label", "Frame15", "CMD", 120, 240, 495, 255, "grey", "Gothic 9.75", 105},
    {"Text1", "text box", "Frame15", "", 600, 165, 5055, 345, "platform default", "Gothic 9.75 bold", 102},
    {"Command95", "button", "Frame15", "SEND", 5760, 240, 735, 255, "green", "default", 103},
    {"Command96", "button", "Frame15", "CLS", 6480, 240, 615, 255, "pink", "default", 104},
};
// clang-format on

Colour designColour(const QString& word) {
    static const QHash<QString, Colour> words{
        {"grey", rgb(192, 192, 192)},    {"green", rgb(192, 255, 192)},
        {"pink", rgb(255, 192, 192)},    {"cyan", rgb(192, 255, 255)},
        {"peach", rgb(255, 224, 192)},   {"lavender", rgb(192, 192, 255)},
        {"teal", rgb(0, 192, 192)},      {"orange", rgb(255, 128, 0)},
        {"apricot", rgb(255, 192, 128)}, {"white", rgb(255, 255, 255)},
        {"button face", kButtonFace},    {"platform default", kPlatformColour},
        {"-", kPlatformColour}};
    return words.value(word);
}

// "P-Gothic 9.75 bold", "Gothic 9", "default" and "-" (no text) as a font.
FontSpec designFont(const QString& words) {
    const QStringList w = words.split(' ');
    if (w.first() == "default" || w.first() == "-")
        return {};
    return {w[0] == "Gothic" ? Face::Gothic : Face::PGothic, w[1].toDouble(),
            w.size() > 2 && w[2] == "bold"};
}

QString kindWord(ControlKind kind) {
    static const QHash<int, QString> words{
        {int(ControlKind::Frame), "frame"},      {int(ControlKind::Label), "label"},
        {int(ControlKind::Button), "button"},    {int(ControlKind::Option), "option"},
        {int(ControlKind::TextBox), "text box"}, {int(ControlKind::Image), "image"}};
    return words.value(int(kind), "?");
}

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString rgbText(const Colour& c) {
    if (c.paint != Paint::Rgb)
        return c.paint == Paint::ButtonFace ? "button face" : "platform";
    return QString("%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue);
}

// What the design says beside the table columns.
const QSet<QString> kCentredLabels{"Label1", "Label2", "Label7", "Label20", "Label4",
                                   "Label5", "Label8", "Label6", "Label3"};
const QSet<QString> kRightLabels{"Label9", "Label10"};
const QSet<QString> kBordered{"Label11", "Label12", "Label22"};
const QSet<QString> kHiddenAtStart{"Frame8", "Command34"};
const QHash<QString, QString> kTextColour{{"Label1", "192,0,0"}, {"Label22", "255,0,0"}};

}  // namespace

class TestLayout : public QObject {
    Q_OBJECT
  private slots:
    void rows_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kDesign)); ++i)
            QTest::addRow("%s", kDesign[i].name) << i;
    }
    // The table against the design, row by row and in the same order.
    void rows() {
        QFETCH(int, row);
        const DesignRow& d = kDesign[row];
        QVERIFY(row < int(kControls.size()));
        const ControlSpec& c = kControls[row];
        const QString name = d.name, kind = d.kind;
        QCOMPARE(qs(c.name), name);
        QCOMPARE(kindWord(c.kind), kind);
        QCOMPARE(qs(c.container), QString(d.container));
        QCOMPARE(qs(c.caption), QString::fromUtf8(d.caption));
        QCOMPARE(QList<int>({c.left, c.top, c.width, c.height}),
                 QList<int>({d.left, d.top, d.width, d.height}));
        QCOMPARE(rgbText(c.back), rgbText(designColour(d.back)));
        const FontSpec font = designFont(d.font);
        QCOMPARE(int(c.font.face), int(font.face));
        QCOMPARE(c.font.points, font.points);
        QCOMPARE(c.font.bold, font.bold);
        QCOMPARE(c.tab, d.tab);
        // Buttons centre their captions; labels are left-aligned unless the design says not.
        const Align align = kind == "button" || kCentredLabels.contains(name) ? Align::Centre
                            : kRightLabels.contains(name)                     ? Align::Right
                                                                              : Align::Left;
        QCOMPARE(int(c.align), int(align));
        QCOMPARE(c.border, kBordered.contains(name));
        const bool ownColours = kind == "text box" || kind == "image";
        QCOMPARE(rgbText(c.fore), ownColours ? "platform" : kTextColour.value(name, "0,0,0"));
        QCOMPARE(c.visible, !kHiddenAtStart.contains(name));
        QCOMPARE(c.selected, name == "Option9");  // COM1 is selected by start-up, not here
    }

    void window() {
        QCOMPARE(kControls.size(), std::size(kDesign));  // no control beyond the design
        QVERIFY(kWindowFont == (FontSpec{Face::Gothic, 9, true}));
        QCOMPARE(rgbText(kWindowFore), QString("0,0,0"));
        QCOMPARE(qs(kGothicFace), QString::fromUtf8("ＭＳ ゴシック"));
        QCOMPARE(qs(kPGothicFace), QString::fromUtf8("ＭＳ Ｐゴシック"));
    }

    // The twelve lines of the outline around the cursor pad, in window coordinates.
    void padOutline() {
        QCOMPARE(rgbText(kLineColour), QString("128,128,255"));
        QCOMPARE(kLinePixels, 2);
        QStringList lines;
        for (const LineSpec& l : kLines)
            lines << QString("%1 %2,%3 %4,%5")
                         .arg(qs(l.name))
                         .arg(l.x1)
                         .arg(l.y1)
                         .arg(l.x2)
                         .arg(l.y2);
        const QStringList design{
            "Line7 1080,2400 2160,2400", "Line1 1080,2400 1080,2880", "Line2 2160,2400 2160,2880",
            "Line8 120,2880 1080,2880",  "Line9 2160,2880 3120,2880", "Line6 120,2880 120,3480",
            "Line3 3120,2880 3120,3480", "Line10 120,3480 1080,3480", "Line12 2160,3480 3120,3480",
            "Line5 1080,3480 1080,3960", "Line4 2160,3480 2160,3960", "Line11 1080,3960 2160,3960"};
        QCOMPARE(lines, design);
    }

    // A catalogue button missing from the layout, or laid out under another caption, would
    // never be pressed.
    void catalogueButtonsLaidOut_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        for (const auto& b : kOneShotButtons)
            QTest::addRow("one-shot %s", b.name.data()) << qs(b.name) << qs(b.caption);
        for (const auto& b : kHoldButtons)
            QTest::addRow("hold %s", b.name.data()) << qs(b.name) << qs(b.caption);
    }
    void catalogueButtonsLaidOut() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        const ControlSpec* c = findControl(name.toStdString());
        QVERIFY(c);
        QCOMPARE(kindWord(c->kind), QString("button"));
        QCOMPARE(qs(c->caption), caption);
    }
};

QTEST_APPLESS_MAIN(TestLayout)
#include "test_layout.moc"
