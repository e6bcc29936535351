// The control layout: every row against the window's design, and the invariants that make the
// arrangement work (containers, the port group over the COM button, tab order, the catalogue).
#include <QtTest>

#include <map>
#include <set>

#include "commands/catalogue.h"
#include "panel/layout.h"
#include "panel/views.h"

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
    switch (kind) {
        case ControlKind::Frame:
            return "frame";
        case ControlKind::Label:
            return "label";
        case ControlKind::Button:
            return "button";
        case ControlKind::Option:
            return "option";
        case ControlKind::TextBox:
            return "text box";
        case ControlKind::Image:
            return "image";
    }
    return "?";
}

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

struct Rect {
    int left, top, right, bottom;
};
Rect windowRect(const ControlSpec& c) {
    const TwipPoint at = windowPosition(c);
    return {at.x, at.y, at.x + c.width, at.y + c.height};
}
bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

class TestLayout : public QObject {
    Q_OBJECT
  private slots:
    void rows_data();
    void rows();
    void everyControlIsDesigned();
    void textStyle_data();
    void textStyle();
    void stateAtStart_data();
    void stateAtStart();
    void window();
    void insideContainer_data();
    void insideContainer();
    void namesAndTabsUnique();
    void portGroupCoversComButtonOnly();
    void rowFourOverlap();
    void catalogueButtonsLaidOut_data();
    void catalogueButtonsLaidOut();
    void linesCloseAroundPad();
    void bands_data();
    void bands();
};

void TestLayout::rows_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kDesign)); ++i)
        QTest::addRow("%s", kDesign[i].name) << i;
}

// The table against the design, row by row and in the same order.
void TestLayout::rows() {
    QFETCH(int, row);
    const DesignRow& d = kDesign[row];
    QVERIFY(row < int(kControls.size()));
    const ControlSpec& c = kControls[row];
    QCOMPARE(qs(c.name), QString(d.name));
    QCOMPARE(kindWord(c.kind), QString(d.kind));
    QCOMPARE(qs(c.container), QString(d.container));
    QCOMPARE(qs(c.caption), QString::fromUtf8(d.caption));
    QCOMPARE(c.left, d.left);
    QCOMPARE(c.top, d.top);
    QCOMPARE(c.width, d.width);
    QCOMPARE(c.height, d.height);
    QVERIFY2(c.back == designColour(d.back), d.back);
    const FontSpec font = designFont(d.font);
    QCOMPARE(int(c.font.face), int(font.face));
    QCOMPARE(c.font.points, font.points);
    QCOMPARE(c.font.bold, font.bold);
    QCOMPARE(c.tab, d.tab);
}

void TestLayout::everyControlIsDesigned() {
    QCOMPARE(kControls.size(), std::size(kDesign));
}

void TestLayout::textStyle_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("border");
    QTest::addColumn<QString>("fore");  // red,green,blue
    const QString black = "0,0,0";
    const int L = int(Align::Left), C = int(Align::Centre), R = int(Align::Right);
    for (const char* centred : {"Label1", "Label2", "Label7", "Label20", "Label4", "Label5",
                                "Label8", "Label6", "Label3"}) {
        QTest::addRow("%s centred", centred)
            << centred << C << false << (QString(centred) == "Label1" ? "192,0,0" : black);
    }
    QTest::addRow("TXD tag right-aligned") << "Label9" << R << false << black;
    QTest::addRow("RXD tag right-aligned") << "Label10" << R << false << black;
    QTest::addRow("TXD line bordered") << "Label11" << L << true << black;
    QTest::addRow("RXD line bordered") << "Label12" << L << true << black;
    QTest::addRow("status line bordered, red") << "Label22" << L << true << "255,0,0";
    QTest::addRow("Zoom title left") << "Label13" << L << false << black;
    QTest::addRow("STATUS tag left") << "Label23" << L << false << black;
    QTest::addRow("FAN SPEED left") << "Label27" << L << false << black;
    QTest::addRow("button caption centred") << "Command3" << C << false << black;
    QTest::addRow("view button centred") << "Command34" << C << false << black;
}

void TestLayout::textStyle() {
    QFETCH(QString, name);
    QFETCH(int, align);
    QFETCH(bool, border);
    QFETCH(QString, fore);
    const ControlSpec* c = findControl(name.toStdString());
    QVERIFY(c);
    QCOMPARE(int(c->align), align);
    QCOMPARE(c->border, border);
    QCOMPARE(QString("%1,%2,%3").arg(c->fore.red).arg(c->fore.green).arg(c->fore.blue), fore);
}

void TestLayout::stateAtStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("selected");
    QTest::addRow("port group hidden") << "Frame8" << false << false;
    QTest::addRow("view button hidden") << "Command34" << false << false;
    QTest::addRow("19200 selected") << "Option9" << true << true;
    QTest::addRow("9600 not selected") << "Option10" << true << false;
    QTest::addRow("COM1 not selected before start-up") << "Option1" << true << false;
    QTest::addRow("COM2 not selected") << "Option2" << true << false;
    QTest::addRow("inner speed group visible") << "Frame13" << true << false;
    QTest::addRow("free-form entry visible though below the band") << "Frame15" << true << false;
}

void TestLayout::stateAtStart() {
    QFETCH(QString, name);
    QFETCH(bool, visible);
    QFETCH(bool, selected);
    const ControlSpec* c = findControl(name.toStdString());
    QVERIFY(c);
    QCOMPARE(c->visible, visible);
    QCOMPARE(c->selected, selected);
    // Only these two start hidden and only Option9 starts selected.
    int hidden = 0, chosen = 0;
    for (const auto& k : kControls) {
        hidden += !k.visible;
        chosen += k.selected;
    }
    QCOMPARE(hidden, 2);
    QCOMPARE(chosen, 1);
}

void TestLayout::window() {
    QCOMPARE(qs(kWindowTitle), QString("TOVA   R7KM & R7K    CONTROL   Ver.1.40"));
    QCOMPARE(kClientWidth, 9495);
    QCOMPARE(kClientHeight, 8730);
    QVERIFY(kWindowBack == rgb(192, 192, 192));
    QVERIFY(kWindowFont == (FontSpec{Face::Gothic, 9, true}));
    QCOMPARE(qs(kGothicFace), QString::fromUtf8("ＭＳ ゴシック"));
    QCOMPARE(qs(kPGothicFace), QString::fromUtf8("ＭＳ Ｐゴシック"));
    // The four outer heights hold their client bands within the assumed frame.
    QCOMPARE(kCompactBand + kFrameHeight, int(kCompactHeight));
    QCOMPARE(kDataBand + kFrameHeight, int(kDataHeight));
    QCOMPARE(kExtendedBand + kFrameHeight, int(kExtendedHeight));
    QCOMPARE(kFullBand + kFrameHeight, int(kFullHeight));
    QCOMPARE(kFullBand, kClientHeight);
}

void TestLayout::insideContainer_data() {
    QTest::addColumn<QString>("name");
    for (const auto& c : kControls)
        QTest::addRow("%s", c.name.data()) << qs(c.name);
}

void TestLayout::insideContainer() {
    QFETCH(QString, name);
    const ControlSpec* c = findControl(name.toStdString());
    QVERIFY(c);
    int width = kClientWidth, height = kClientHeight;
    if (!c->container.empty()) {
        const ControlSpec* in = findControl(c->container);
        QVERIFY2(in, "container missing");
        QCOMPARE(int(in->kind), int(ControlKind::Frame));
        width = in->width;
        height = in->height;
    }
    QVERIFY(c->left >= 0 && c->top >= 0);
    QVERIFY2(c->left + c->width <= width, "beyond the container's right edge");
    QVERIFY2(c->top + c->height <= height, "beyond the container's bottom edge");
}

void TestLayout::namesAndTabsUnique() {
    std::set<std::string_view> names;
    std::set<int> tabs;
    for (const auto& c : kControls) {
        QVERIFY2(names.insert(c.name).second, c.name.data());
        if (c.kind == ControlKind::Image)
            continue;  // the image holds no tab place
        QVERIFY2(tabs.insert(c.tab).second, c.name.data());
    }
    for (const auto& l : kLines)
        QVERIFY2(names.insert(l.name).second, l.name.data());
}

// When shown, the port group lies over the COM button and nothing else.
void TestLayout::portGroupCoversComButtonOnly() {
    const Rect group = windowRect(*findControl("Frame8"));
    QCOMPARE(group.left, 3480);
    QCOMPARE(group.right, 6255);
    QCOMPARE(group.top, 3600);
    QCOMPARE(group.bottom, 4785);
    const Rect com = windowRect(*findControl("Command33"));
    QVERIFY(com.left >= group.left && com.right <= group.right && com.top >= group.top &&
            com.bottom <= group.bottom);
    // The speed buttons sit where the COM button is, so the group must be drawn on top.
    QVERIFY(overlaps(windowRect(*findControl("Option9")), com));
    for (const auto& c : kControls) {
        if (!c.container.empty() || c.name == "Frame8" || c.name == "Command33")
            continue;
        QVERIFY2(!overlaps(windowRect(c), group), c.name.data());
    }
}

void TestLayout::rowFourOverlap() {
    const ControlSpec* sVideo = findControl("Command84");
    const ControlSpec* ypbpr = findControl("Command80");
    QCOMPARE(sVideo->left + sVideo->width, 2415);
    QCOMPARE(ypbpr->left, 2400);
    QCOMPARE(sVideo->top, ypbpr->top);
}

void TestLayout::catalogueButtonsLaidOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    for (const auto& b : kOneShotButtons) {
        QTest::addRow("one-shot %s", b.name.data()) << qs(b.name) << qs(b.caption);
    }
    for (const auto& b : kHoldButtons) {
        QTest::addRow("hold %s", b.name.data()) << qs(b.name) << qs(b.caption);
    }
}

void TestLayout::catalogueButtonsLaidOut() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    const ControlSpec* c = findControl(name.toStdString());
    QVERIFY(c);
    QCOMPARE(int(c->kind), int(ControlKind::Button));
    QCOMPARE(qs(c->caption), caption);
}

// The twelve lines are horizontal or vertical, in the pad's colour, and close into one outline:
// every corner joins exactly two of them.
void TestLayout::linesCloseAroundPad() {
    QVERIFY(kLineColour == rgb(128, 128, 255));
    QCOMPARE(kLinePixels, 2);
    std::map<std::pair<int, int>, int> ends;
    for (const auto& l : kLines) {
        QVERIFY2(l.x1 == l.x2 || l.y1 == l.y2, l.name.data());
        ++ends[{l.x1, l.y1}];
        ++ends[{l.x2, l.y2}];
    }
    QCOMPARE(ends.size(), std::size_t(12));
    for (const auto& [point, count] : ends)
        QCOMPARE(count, 2);
    // The outline encloses the five pad buttons.
    for (const char* name : {"Command5", "Command9", "Command6", "Command8", "Command7"}) {
        const Rect r = windowRect(*findControl(name));
        QVERIFY2(r.left > 120 && r.right < 3120 && r.top > 2400 && r.bottom < 3960, name);
    }
}

void TestLayout::bands_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shows");  // "whole", "strip" (top edge only) or "none"
    const int compact = kCompactBand, data = kDataBand, extended = kExtendedBand;
    QTest::addRow("compact: END") << compact << "Command16"
                                  << "whole";
    QTest::addRow("compact: image modes") << compact << "Command42"
                                          << "whole";
    QTest::addRow("compact: port group") << compact << "Frame8"
                                         << "whole";
    QTest::addRow("compact: traffic frame's top edge") << compact << "Frame9"
                                                       << "strip";
    QTest::addRow("compact: no TXD line") << compact << "Label11"
                                          << "none";
    QTest::addRow("compact: no view button") << compact << "Command34"
                                             << "none";
    QTest::addRow("compact: no P-FAIL") << compact << "Command52"
                                        << "none";
    QTest::addRow("data: traffic area") << data << "Frame9"
                                        << "whole";
    QTest::addRow("data: status line") << data << "Label22"
                                       << "whole";
    QTest::addRow("data: view button") << data << "Command34"
                                       << "whole";
    QTest::addRow("data: SETTING") << data << "Command47"
                                   << "whole";
    QTest::addRow("data: no terminal grid") << data << "Frame14"
                                            << "none";
    QTest::addRow("extended: terminal grid's top edge") << extended << "Frame14"
                                                        << "strip";
    QTest::addRow("extended: fan group's top edge") << extended << "Frame16"
                                                    << "strip";
    QTest::addRow("extended: no RGB button") << extended << "Command64"
                                             << "none";
    QTest::addRow("extended: no FAN SPEED title") << extended << "Label27"
                                                  << "none";
    QTest::addRow("full: command entry") << int(kFullBand) << "Frame15"
                                         << "whole";
}

// Each view's client band shows the groups its view is meant to show.
void TestLayout::bands() {
    QFETCH(int, band);
    QFETCH(QString, name);
    QFETCH(QString, shows);
    const Rect r = windowRect(*findControl(name.toStdString()));
    const QString seen = r.bottom <= band ? "whole" : r.top < band ? "strip" : "none";
    QCOMPARE(seen, shows);
    if (shows == "strip") {
        // A strip shows the frame's edge only: none of its controls reaches into the band.
        for (const auto& c : kControls) {
            if (qs(c.container) == name)
                QVERIFY2(windowRect(c).top >= band, c.name.data());
        }
    }
}

QTEST_APPLESS_MAIN(TestLayout)
#include "test_layout.moc"
