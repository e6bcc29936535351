#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace r7k {

// The window's controls as laid out: every control's kind, place, colours and font, in twips.
// Only the window's height and a few states change after start; everything here is fixed.

enum class ControlKind : std::uint8_t { Frame, Label, Button, Option, TextBox, Image };

// How a colour is painted: a colour of its own, the platform's button face, or whatever the
// platform gives that kind of control (the text box, the image).
enum class Paint : std::uint8_t { Rgb, ButtonFace, Platform };

struct Colour {
    Paint paint = Paint::Platform;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {Paint::Rgb, r, g, b};
}
inline constexpr Colour kButtonFace{Paint::ButtonFace};
inline constexpr Colour kPlatformColour{Paint::Platform};

// "ＭＳ ゴシック" (fixed pitch), "ＭＳ Ｐゴシック" (proportional), or the platform's default
// control font.
enum class Face : std::uint8_t { Default, Gothic, PGothic };

inline constexpr std::string_view kGothicFace = "ＭＳ ゴシック";
inline constexpr std::string_view kPGothicFace = "ＭＳ Ｐゴシック";

struct FontSpec {
    Face face = Face::Default;
    double points = 0;  // 0 with Face::Default: the default font's own size
    bool bold = false;

    friend constexpr bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class Align : std::uint8_t { Left, Centre, Right };

// One laid-out control. Left and top are relative to the container's top-left corner
// (the window's client area when the container is empty).
struct ControlSpec {
    std::string_view name;
    ControlKind kind = ControlKind::Label;
    std::string_view container;  // "" = the window
    std::string_view caption;    // UTF-8
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    Colour back;
    Colour fore;
    FontSpec font;
    Align align = Align::Left;
    bool border = false;    // single-line border
    int tab = -1;           // place in the tab order; -1 = none (the image)
    bool visible = true;    // at start
    bool selected = false;  // option buttons, at start
};

// A straight line on the window, in window coordinates.
struct LineSpec {
    std::string_view name;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

inline constexpr std::string_view kWindowTitle = "TOVA   R7KM & R7K    CONTROL   Ver.1.40";
inline constexpr int kClientWidth = 9495;
inline constexpr int kClientHeight = 8730;
inline constexpr Colour kWindowBack = rgb(192, 192, 192);
inline constexpr Colour kWindowFore = rgb(0, 0, 0);
inline constexpr FontSpec kWindowFont{Face::Gothic, 9, true};

// The window's outer size is reasoned about with this frame around the client area.
inline constexpr int kFrameHeight = 370;  // title bar and borders
inline constexpr int kFrameWidth = 120;

// Bottom of the client band each view shows (compact, data, extended, full).
inline constexpr int kCompactBand = 4980;
inline constexpr int kDataBand = 6275;
inline constexpr int kExtendedBand = 6830;
inline constexpr int kFullBand = 8730;

inline constexpr Colour kLineColour = rgb(128, 128, 255);
inline constexpr int kLinePixels = 2;

namespace layout_detail {

inline constexpr Colour grey = rgb(192, 192, 192);
inline constexpr Colour green = rgb(192, 255, 192);
inline constexpr Colour pink = rgb(255, 192, 192);
inline constexpr Colour cyan = rgb(192, 255, 255);
inline constexpr Colour peach = rgb(255, 224, 192);
inline constexpr Colour lavender = rgb(192, 192, 255);
inline constexpr Colour teal = rgb(0, 192, 192);
inline constexpr Colour orange = rgb(255, 128, 0);
inline constexpr Colour apricot = rgb(255, 192, 128);
inline constexpr Colour white = rgb(255, 255, 255);
inline constexpr Colour black = rgb(0, 0, 0);

inline constexpr FontSpec deflt{};
inline constexpr FontSpec none{};
constexpr FontSpec gothic(double points, bool bold = false) {
    return {Face::Gothic, points, bold};
}
constexpr FontSpec pgothic(double points, bool bold = false) {
    return {Face::PGothic, points, bold};
}

constexpr ControlSpec place(std::string_view name, ControlKind kind, std::string_view in, int l,
                            int t, int w, int h) {
    ControlSpec c;
    c.name = name;
    c.kind = kind;
    c.container = in;
    c.left = l;
    c.top = t;
    c.width = w;
    c.height = h;
    return c;
}
constexpr ControlSpec frame(std::string_view name, std::string_view in, int l, int t, int w, int h,
                            int tab, bool visible = true) {
    ControlSpec c = place(name, ControlKind::Frame, in, l, t, w, h);
    c.back = grey;
    c.fore = black;
    c.tab = tab;
    c.visible = visible;
    return c;
}
constexpr ControlSpec label(std::string_view name, std::string_view in, std::string_view caption,
                            Align align, int l, int t, int w, int h, FontSpec font, int tab,
                            Colour back = grey, Colour fore = black, bool border = false) {
    ControlSpec c = place(name, ControlKind::Label, in, l, t, w, h);
    c.caption = caption;
    c.back = back;
    c.fore = fore;
    c.font = font;
    c.align = align;
    c.border = border;
    c.tab = tab;
    return c;
}
constexpr ControlSpec button(std::string_view name, std::string_view in, std::string_view caption,
                             int l, int t, int w, int h, Colour back, FontSpec font, int tab,
                             bool visible = true) {
    ControlSpec c = place(name, ControlKind::Button, in, l, t, w, h);
    c.caption = caption;
    c.back = back;
    c.fore = black;
    c.font = font;
    c.align = Align::Centre;
    c.tab = tab;
    c.visible = visible;
    return c;
}
constexpr ControlSpec option(std::string_view name, std::string_view in, std::string_view caption,
                             int l, int t, int w, int h, int tab, bool selected = false) {
    ControlSpec c = place(name, ControlKind::Option, in, l, t, w, h);
    c.caption = caption;
    c.back = grey;
    c.fore = black;
    c.tab = tab;
    c.selected = selected;
    return c;
}
// The text box keeps the platform's own colours.
constexpr ControlSpec textBox(std::string_view name, std::string_view in, int l, int t, int w,
                              int h, FontSpec font, int tab) {
    ControlSpec c = place(name, ControlKind::TextBox, in, l, t, w, h);
    c.font = font;
    c.tab = tab;
    return c;
}

}  // namespace layout_detail

// Every control, in the order of the window's design tables, band by band.
inline constexpr auto kControls = [] {
    using namespace layout_detail;
    constexpr auto C = Align::Centre;
    constexpr auto L = Align::Left;
    constexpr auto R = Align::Right;
    return std::to_array<ControlSpec>({
        // Top row: POWER, INPUT MODE SET, MENU, the logo, LENS SHIFT.
        frame("Frame1", "", 120, 240, 1695, 975, 0),
        label("Label1", "Frame1", "POWER", C, 240, 240, 1095, 255, deflt, 2, grey, rgb(192, 0, 0)),
        button("Command17", "Frame1", "ON", 120, 600, 615, 300, green, pgothic(9, true), 1),
        button("Command18", "Frame1", "OFF", 960, 600, 615, 300, pink, pgothic(9, true), 27),
        frame("Frame2", "", 2520, 240, 2895, 975, 3),
        label("Label2", "Frame2", "INPUT MODE SET", C, 480, 240, 1935, 255, deflt, 4),
        button("Command27", "Frame2", "1", 240, 600, 495, 300, cyan, pgothic(9, true), 36),
        button("Command28", "Frame2", "2", 960, 600, 495, 300, cyan, pgothic(9, true), 37),
        button("Command29", "Frame2", "3", 1680, 600, 495, 300, cyan, pgothic(9, true), 38),
        button("Command43", "Frame2", "4", 2280, 600, 495, 300, cyan, deflt, 112),
        frame("Frame6", "", 5640, 240, 1695, 975, 14),
        label("Label7", "Frame6", "MENU", C, 360, 240, 975, 255, deflt, 15),
        button("Command23", "Frame6", "ON", 120, 600, 615, 300, green, pgothic(9, true), 32),
        button("Command24", "Frame6", "OFF", 960, 600, 615, 300, pink, pgothic(9, true), 33),
        place("Image1", ControlKind::Image, "", 8160, 120, 1200, 390),
        frame("Frame10", "", 7680, 600, 1692, 1695, 72),
        label("Label20", "Frame10", "LENS SHIFT", C, 120, 195, 1455, 300, deflt, 75),
        button("Command59", "Frame10", "↑", 600, 720, 492, 252, peach, pgothic(7.5), 73),
        button("Command62", "Frame10", "↓", 588, 1320, 492, 252, peach, pgothic(7.5), 74),

        // Middle row: SOUND MUTE, NO SHOW, FREEZE, AV Size.
        frame("Frame3", "", 120, 1440, 1695, 855, 8),
        label("Label4", "Frame3", "SOUND MUTE", C, 120, 195, 1455, 300, deflt, 9),
        button("Command19", "Frame3", "ON", 120, 480, 615, 300, green, pgothic(9, true), 28),
        button("Command20", "Frame3", "OFF", 960, 480, 615, 300, pink, pgothic(9, true), 29),
        frame("Frame4", "", 1920, 1440, 1695, 855, 10),
        label("Label5", "Frame4", "NO SHOW", C, 360, 210, 1095, 285, deflt, 11),
        button("Command21", "Frame4", "ON", 120, 480, 615, 300, green, pgothic(9, true), 30),
        button("Command22", "Frame4", "OFF", 960, 480, 615, 300, pink, pgothic(9, true), 31),
        frame("Frame7", "", 3720, 1440, 1695, 855, 22),
        label("Label8", "Frame7", "FREEZE", C, 240, 210, 1215, 285, deflt, 23),
        button("Command25", "Frame7", "ON", 120, 480, 615, 300, green, pgothic(9, true), 34),
        button("Command26", "Frame7", "OFF", 960, 480, 615, 300, pink, pgothic(9, true), 35),
        frame("Frame5", "", 5520, 1440, 1815, 855, 12),
        label("Label6", "Frame5", "AV Size", C, 240, 210, 1335, 285, deflt, 13),
        button("Command31", "Frame5", "Regular", 120, 480, 855, 300, cyan, pgothic(9), 39),
        button("Command32", "Frame5", "Wide", 1080, 480, 615, 300, cyan, pgothic(9), 40),

        // Cursor pad.
        button("Command5", "", "↑", 1200, 2520, 855, 375, peach, pgothic(9, true), 17),
        button("Command9", "", "←", 240, 3000, 855, 375, peach, pgothic(9, true), 21),
        button("Command6", "", "SELECT", 1200, 3000, 855, 375, orange, gothic(9), 18),
        button("Command8", "", "→", 2160, 3000, 855, 375, peach, pgothic(9, true), 20),
        button("Command7", "", "↓", 1200, 3480, 855, 375, peach, pgothic(9, true), 19),

        // Adjustment rows.
        label("Label3", "", "VOL", C, 3600, 2520, 495, 255, deflt, 7),
        button("Command1", "", "+", 3600, 2880, 375, 255, apricot, deflt, 5),
        button("Command2", "", "-", 3600, 3240, 375, 255, apricot, deflt, 6),
        label("Label13", "", "Zoom", L, 4440, 2520, 492, 252, gothic(9), 53),
        button("Command15", "", "+", 4440, 2880, 375, 255, cyan, gothic(9), 51),
        button("Command35", "", "-", 4440, 3240, 375, 255, cyan, gothic(9), 52),
        label("Label14", "", "Focus", L, 5280, 2520, 615, 255, gothic(9), 56),
        button("Command36", "", "+", 5280, 2880, 375, 255, cyan, gothic(9), 54),
        button("Command37", "", "-", 5280, 3240, 375, 255, cyan, gothic(9), 55),
        label("Label17", "", "D.Zoom", L, 6360, 2520, 735, 255, gothic(9), 63),
        button("Command48", "", "+", 6480, 2880, 375, 255, cyan, pgothic(9), 61),
        button("Command49", "", "-", 6480, 3240, 375, 255, cyan, gothic(9), 62),
        label("Label18", "", "Keystone", L, 7320, 2520, 855, 255, gothic(9), 66),
        button("Command50", "", "+", 7440, 2880, 375, 255, cyan, gothic(9), 64),
        button("Command51", "", "-", 7440, 3240, 375, 255, cyan, gothic(9), 65),

        // Right-hand column below LENS SHIFT.
        button("Command13", "", "A-IMAGE", 8400, 2760, 975, 250, teal, gothic(9), 24),
        button("Command30", "", "IMAGE", 8400, 3120, 975, 255, lavender, gothic(9), 76),
        button("Command14", "", "P-TIMER", 8400, 3360, 975, 250, lavender, gothic(9), 25),
        button("Command3", "", "DISPLAY CLEAR", 8400, 3600, 975, 492, lavender, gothic(9), 16),
        button("Command16", "", "END", 8400, 4320, 975, 375, grey, deflt, 26),

        // Key-lock block.
        label("Label19", "", "R/C KEY OFF", L, 6600, 3720, 1332, 252, gothic(9), 71),
        button("Command56", "", "NONE", 6600, 3960, 1200, 372, cyan, gothic(9), 68),
        button("Command57", "", "R/C", 6600, 4320, 606, 372, cyan, gothic(9), 69),
        button("Command58", "", "KEY", 7200, 4320, 606, 372, cyan, gothic(9), 70),

        // Image-mode block.
        button("Command4", "", "STAND", 240, 4080, 975, 255, cyan, gothic(9), 80),
        button("Command10", "", "REAL", 1200, 4080, 975, 255, cyan, gothic(9), 81),
        button("Command11", "", "CINEMA", 2160, 4080, 975, 255, cyan, gothic(9), 82),
        button("Command39", "", "IMAGE1", 240, 4320, 975, 255, cyan, gothic(9), 83),
        button("Command40", "", "IMAGE2", 1200, 4320, 975, 255, cyan, gothic(9), 84),
        button("Command41", "", "IMAGE3", 2160, 4320, 975, 255, cyan, gothic(9), 85),
        button("Command42", "", "IMAGE4", 240, 4560, 975, 255, cyan, gothic(9), 86),

        // Port settings: the COM button and the group that covers it when shown.
        button("Command33", "", "COM", 4080, 4200, 1815, 375, kButtonFace, pgothic(9), 41),
        frame("Frame8", "", 3480, 3600, 2775, 1185, 42, false),
        option("Option1", "Frame8", "COM1", 240, 240, 1215, 255, 43),
        option("Option2", "Frame8", "COM2", 1560, 240, 1095, 255, 44),
        frame("Frame13", "Frame8", 120, 480, 2535, 615, 77),
        option("Option9", "Frame13", "19200", 120, 240, 1095, 255, 78, true),
        option("Option10", "Frame13", "9600", 1440, 240, 975, 300, 79),

        // Traffic area.
        frame("Frame9", "", 45, 4920, 6312, 1290, 45),
        label("Label9", "Frame9", "TXD", R, 105, 210, 390, 285, gothic(9), 46),
        label("Label11", "Frame9", "", L, 600, 180, 5610, 300, pgothic(9.75, true), 48, white,
              black, true),
        label("Label10", "Frame9", "RXD", R, 75, 555, 450, 300, gothic(9), 47),
        label("Label12", "Frame9", "", L, 600, 540, 5616, 300, pgothic(9.75, true), 49, white,
              black, true),
        label("Label23", "Frame9", "STATUS", L, 120, 960, 735, 225, gothic(8.25), 111),
        label("Label22", "Frame9", "", L, 930, 915, 5295, 300, pgothic(9, true), 110, white,
              rgb(255, 0, 0), true),

        // View button and query buttons.
        button("Command34", "", "データを表示する", 6600, 5040, 1200, 375, grey, pgothic(9), 50,
               false),
        button("Command52", "", "P-FAIL", 8400, 5160, 975, 255, peach, deflt, 87),
        button("Command54", "", "TEMP", 8400, 5640, 975, 252, cyan, gothic(8.25, true), 67),
        button("Command44", "", "STATUS", 6480, 5640, 975, 255, cyan, gothic(8.25, true), 57),
        button("Command46", "", "L-TIME", 7440, 5640, 975, 255, cyan, gothic(8.25, true), 59),
        button("Command45", "", "MODE", 6480, 5880, 975, 255, cyan, gothic(8.25, true), 58),
        button("Command47", "", "SETTING", 7440, 5880, 975, 255, cyan, gothic(8.25, true), 60),

        // Input-terminal grid.
        frame("Frame14", "", 120, 6735, 7215, 1320, 88),
        label("Label15", "Frame14", "1", L, 120, 240, 255, 255, deflt, 98),
        button("Command64", "Frame14", "RGB", 480, 240, 975, 255, cyan, gothic(9), 89),
        button("Command65", "Frame14", "SCART", 1440, 240, 975, 255, cyan, gothic(9), 90),
        label("Label16", "Frame14", "2", L, 120, 480, 255, 255, deflt, 99),
        button("Command72", "Frame14", "RGB", 480, 480, 975, 255, cyan, gothic(9), 91),
        button("Command76", "Frame14", "Monitor OUT", 1680, 480, 2415, 255, peach, gothic(9), 92),
        label("Label24", "Frame14", "3", L, 120, 720, 255, 255, deflt, 100),
        button("Command81", "Frame14", "VIDEO", 480, 720, 975, 255, cyan, gothic(9), 94),
        button("Command82", "Frame14", "Y,Pb/Cb,Pr/Cr", 1440, 720, 1695, 255, cyan, gothic(9), 95),
        label("Label21", "Frame14", "4", L, 120, 960, 375, 255, deflt, 113),
        button("Command85", "Frame14", "VIDEO", 480, 960, 975, 255, cyan, gothic(9), 97),
        button("Command84", "Frame14", "S-VIDEO", 1440, 960, 975, 255, cyan, gothic(9), 96),
        button("Command80", "Frame14", "Y,Pb/Cb,Pr/Cr", 2400, 960, 1695, 255, cyan, gothic(9), 93),

        // Fan-speed group.
        frame("Frame16", "", 7440, 6750, 1935, 945, 106),
        label("Label27", "Frame16", "FAN SPEED", L, 345, 285, 1215, 255, deflt, 107),
        button("Command97", "Frame16", "MAX", 120, 600, 855, 255, green, deflt, 108),
        button("Command98", "Frame16", "NOR", 960, 600, 855, 255, green, deflt, 109),

        // Free-form command entry.
        frame("Frame15", "", 120, 8040, 7215, 570, 101),
        label("Label26", "Frame15", "CMD", L, 120, 240, 495, 255, gothic(9.75), 105),
        textBox("Text1", "Frame15", 600, 165, 5055, 345, gothic(9.75, true), 102),
        button("Command95", "Frame15", "SEND", 5760, 240, 735, 255, green, deflt, 103),
        button("Command96", "Frame15", "CLS", 6480, 240, 615, 255, pink, deflt, 104),
    });
}();

// The cross-shaped outline around the cursor pad.
inline constexpr std::array<LineSpec, 12> kLines{{
    {"Line7", 1080, 2400, 2160, 2400},
    {"Line1", 1080, 2400, 1080, 2880},
    {"Line2", 2160, 2400, 2160, 2880},
    {"Line8", 120, 2880, 1080, 2880},
    {"Line9", 2160, 2880, 3120, 2880},
    {"Line6", 120, 2880, 120, 3480},
    {"Line3", 3120, 2880, 3120, 3480},
    {"Line10", 120, 3480, 1080, 3480},
    {"Line12", 2160, 3480, 3120, 3480},
    {"Line5", 1080, 3480, 1080, 3960},
    {"Line4", 2160, 3480, 2160, 3960},
    {"Line11", 1080, 3960, 2160, 3960},
}};

// The row of a control, or nullptr.
const ControlSpec* findControl(std::string_view name);

}  // namespace r7k
