#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace r7k {

using std::chrono::milliseconds;

// How a one-shot button sends: as is, after setting its reply time-out and display-clear
// intervals, or as a menu key that also sets the arrow pacing.
enum class SendKind : std::uint8_t { Plain, Timed, Menu };

// One row of the one-shot catalogue: a button that sends one command per click.
struct OneShotButton {
    std::string_view name;      // control name, also the row's key
    std::string_view stepName;  // what scripts call it (r7k-ctl): stable, lower-case, hyphenated
    std::string_view group;     // title of the group it stands in ("" = untitled)
    std::string_view caption;   // UTF-8
    std::string_view code;      // command code, sent with the prefix before and a CR after
    SendKind kind = SendKind::Plain;
    milliseconds timeout{0};       // the reply time-out a timed button sets
    milliseconds displayClear{0};  // the display clear a timed button sets
};

// One row of the hold table: a button that repeats its command while the mouse is held.
// An arrow row has no intervals of its own: its pace comes from CursorMode and from whoever
// set the hold repeat last.
struct HoldButton {
    std::string_view name;
    std::string_view stepName;
    std::string_view group;
    std::string_view caption;  // UTF-8
    std::uint8_t holdCode = 0;
    std::string_view code;
    bool arrow = false;
    milliseconds repeat{0};        // the hold repeat
    milliseconds timeout{0};       // the reply time-out
    milliseconds displayClear{0};  // the display clear
    bool digitalZoom = false;      // its release sets the fast arrow pace
};

inline constexpr milliseconds kMenuRepeat{200};
inline constexpr milliseconds kDigitalZoomArrowRepeat{5};
inline constexpr milliseconds kReleaseTimeout{500};
inline constexpr milliseconds kReleaseDisplayClear{1000};
inline constexpr milliseconds kTypedTimeout{2000};
inline constexpr milliseconds kTypedDisplayClear{2500};

inline constexpr std::uint8_t kCursorModeMenu = 1;
inline constexpr std::uint8_t kCursorModeDigitalZoom = 3;

constexpr OneShotButton plain(std::string_view n, std::string_view step, std::string_view g,
                              std::string_view c, std::string_view code) {
    return {n, step, g, c, code, SendKind::Plain, {}, {}};
}
constexpr OneShotButton timed(std::string_view n, std::string_view step, std::string_view g,
                              std::string_view c, std::string_view code, int t2, int t4) {
    return {n, step, g, c, code, SendKind::Timed, milliseconds{t2}, milliseconds{t4}};
}
constexpr OneShotButton menu(std::string_view n, std::string_view step, std::string_view g,
                             std::string_view c, std::string_view code) {
    return {n, step, g, c, code, SendKind::Menu, {}, {}};
}

inline constexpr std::array<OneShotButton, 47> kOneShotButtons{{
    plain("Command17", "power-on", "POWER", "ON", "C00"),
    plain("Command18", "power-off", "POWER", "OFF", "C01"),
    plain("Command27", "input-1", "INPUT MODE SET", "1", "C05"),
    plain("Command28", "input-2", "INPUT MODE SET", "2", "C06"),
    plain("Command29", "input-3", "INPUT MODE SET", "3", "C07"),
    plain("Command43", "input-4", "INPUT MODE SET", "4", "C08"),
    plain("Command19", "sound-mute-on", "SOUND MUTE", "ON", "C0B"),
    plain("Command20", "sound-mute-off", "SOUND MUTE", "OFF", "C0C"),
    plain("Command21", "no-show-on", "NO SHOW", "ON", "C0D"),
    plain("Command22", "no-show-off", "NO SHOW", "OFF", "C0E"),
    plain("Command31", "av-size-regular", "AV Size", "Regular", "C0F"),
    plain("Command32", "av-size-wide", "AV Size", "Wide", "C10"),
    menu("Command23", "menu-on", "MENU", "ON", "C1C"),
    plain("Command24", "menu-off", "MENU", "OFF", "C1D"),
    plain("Command25", "freeze-on", "FREEZE", "ON", "C43"),
    plain("Command26", "freeze-off", "FREEZE", "OFF", "C44"),
    menu("Command13", "a-image", "", "A-IMAGE", "C89"),
    plain("Command30", "image", "", "IMAGE", "C27"),
    plain("Command14", "p-timer", "", "P-TIMER", "C8A"),
    plain("Command3", "display-clear", "", "DISPLAY CLEAR", "C1E"),
    timed("Command4", "image-stand", "", "STAND", "CF IMAGE STAND", 2000, 2500),
    timed("Command10", "image-real", "", "REAL", "CF IMAGE REAL", 2000, 2500),
    timed("Command11", "image-cinema", "", "CINEMA", "CF IMAGE CINEMA", 2000, 2500),
    timed("Command39", "image-1", "", "IMAGE1", "CF IMAGE IMAGE1", 2000, 2500),
    timed("Command40", "image-2", "", "IMAGE2", "CF IMAGE IMAGE2", 2000, 2500),
    timed("Command41", "image-3", "", "IMAGE3", "CF IMAGE IMAGE3", 2000, 2500),
    timed("Command42", "image-4", "", "IMAGE4", "CF IMAGE IMAGE4", 2000, 2500),
    plain("Command56", "keydis-none", "R/C KEY OFF", "NONE", "CF KEYDIS NONE"),
    plain("Command57", "keydis-rc", "R/C KEY OFF", "R/C", "CF KEYDIS RC"),
    plain("Command58", "keydis-key", "R/C KEY OFF", "KEY", "CF KEYDIS KEY"),
    plain("Command44", "status", "", "STATUS", "CR0"),
    plain("Command45", "mode", "", "MODE", "CR1"),
    plain("Command46", "lamp-time", "", "L-TIME", "CR3"),
    plain("Command47", "setting", "", "SETTING", "CR4"),
    plain("Command54", "temp", "", "TEMP", "CR6"),
    timed("Command52", "pfail", "", "P-FAIL", "CR INFPFAIL", 2000, 2500),
    plain("Command97", "fan-max", "FAN SPEED", "MAX", "CF FANSPEED MAX"),
    plain("Command98", "fan-nor", "FAN SPEED", "NOR", "CF FANSPEED NOR"),
    timed("Command64", "terminal-1-rgb", "input terminals 1", "RGB", "C50", 5000, 5500),
    timed("Command65", "terminal-1-scart", "input terminals 1", "SCART", "C51", 5000, 5500),
    timed("Command72", "terminal-2-rgb", "input terminals 2", "RGB", "C25", 5000, 5500),
    timed("Command76", "terminal-2-monitor-out", "input terminals 2", "Monitor OUT", "C26", 5000,
          5500),
    timed("Command81", "terminal-3-video", "input terminals 3", "VIDEO", "C33", 5000, 5500),
    timed("Command82", "terminal-3-ypbpr", "input terminals 3", "Y,Pb/Cb,Pr/Cr", "C35", 5000, 5500),
    timed("Command85", "terminal-4-video", "input terminals 4", "VIDEO", "C81", 5000, 5500),
    timed("Command84", "terminal-4-s-video", "input terminals 4", "S-VIDEO", "C82", 5000, 5500),
    timed("Command80", "terminal-4-ypbpr", "input terminals 4", "Y,Pb/Cb,Pr/Cr", "C83", 5000, 5500),
}};

constexpr HoldButton hold(std::string_view n, std::string_view step, std::string_view g,
                          std::string_view c, std::uint8_t holdCode, std::string_view code, int t1,
                          int t2, int t4, bool digitalZoom = false) {
    return {n,
            step,
            g,
            c,
            holdCode,
            code,
            false,
            milliseconds{t1},
            milliseconds{t2},
            milliseconds{t4},
            digitalZoom};
}
constexpr HoldButton arrow(std::string_view n, std::string_view step, std::string_view c,
                           std::uint8_t holdCode, std::string_view code) {
    return {n, step, "cursor pad", c, holdCode, code, true, {}, {}, {}, false};
}

// Also the hold repeat's table: hold code to command.
inline constexpr std::array<HoldButton, 17> kHoldButtons{{
    hold("Command1", "vol-up", "VOL", "+", 1, "C09", 250, 200, 245),
    hold("Command2", "vol-down", "VOL", "-", 2, "C0A", 250, 200, 245),
    arrow("Command5", "cursor-up", "\u2191", 3, "C3C"),
    arrow("Command7", "cursor-down", "\u2193", 4, "C3D"),
    arrow("Command9", "cursor-left", "\u2190", 5, "C3B"),
    arrow("Command8", "cursor-right", "\u2192", 6, "C3A"),
    hold("Command15", "zoom-up", "Zoom", "+", 7, "C47", 50, 25, 25),
    hold("Command35", "zoom-down", "Zoom", "-", 8, "C46", 50, 25, 25),
    hold("Command36", "focus-up", "Focus", "+", 9, "C4B", 50, 25, 25),
    hold("Command37", "focus-down", "Focus", "-", 10, "C4A", 50, 25, 25),
    hold("Command6", "select", "cursor pad", "SELECT", 13, "C3F", 500, 200, 245),
    hold("Command48", "dzoom-up", "D.Zoom", "+", 17, "C30", 250, 200, 245, true),
    hold("Command49", "dzoom-down", "D.Zoom", "-", 18, "C31", 250, 200, 245, true),
    hold("Command50", "keystone-up", "Keystone", "+", 19, "C8E", 250, 200, 245),
    hold("Command51", "keystone-down", "Keystone", "-", 20, "C8F", 250, 200, 245),
    hold("Command59", "lens-shift-up", "LENS SHIFT", "\u2191", 21, "C5D", 50, 25, 25),
    hold("Command62", "lens-shift-down", "LENS SHIFT", "\u2193", 22, "C5E", 50, 25, 25),
}};

// The row of a control, or nullptr.
const OneShotButton* findOneShot(std::string_view name);
const HoldButton* findHold(std::string_view name);
const HoldButton* findHoldByCode(std::uint8_t holdCode);
// The row a script names (stepName), or nullptr.
const OneShotButton* findOneShotStep(std::string_view stepName);
const HoldButton* findHoldStep(std::string_view stepName);

}  // namespace r7k
