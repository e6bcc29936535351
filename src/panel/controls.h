#pragma once

#include <string_view>

#include "panel/layout.h"

namespace r7k {

// The controls the panel's code addresses by what they do; their names are the layout's keys.
namespace control {
inline constexpr std::string_view kTxdLine = "Label11";
inline constexpr std::string_view kRxdLine = "Label12";
inline constexpr std::string_view kStatusLine = "Label22";
inline constexpr std::string_view kPortGroup = "Frame8";
inline constexpr std::string_view kCom1 = "Option1";
inline constexpr std::string_view kCom2 = "Option2";
inline constexpr std::string_view kSpeed19200 = "Option9";
inline constexpr std::string_view kSpeed9600 = "Option10";
inline constexpr std::string_view kEnd = "Command16";
inline constexpr std::string_view kPortButton = "Command33";  // COM
inline constexpr std::string_view kViewButton = "Command34";
inline constexpr std::string_view kSend = "Command95";
inline constexpr std::string_view kClearEntry = "Command96";  // CLS
inline constexpr std::string_view kCommandEntry = "Text1";
inline constexpr std::string_view kLogo = "Image1";
inline constexpr std::string_view kFirstButton = "Command17";  // POWER ON, first in tab order

// The option of a port number (1 or 2), and of a settings string.
constexpr std::string_view portOption(int port) {
    return port == 2 ? kCom2 : kCom1;
}
}  // namespace control

namespace layout_detail {
constexpr bool laidOut(std::string_view name, ControlKind kind, std::string_view container = {}) {
    for (const ControlSpec& c : kControls) {
        if (c.name == name)
            return c.kind == kind && (container.empty() || c.container == container);
    }
    return false;
}
}  // namespace layout_detail

static_assert(layout_detail::laidOut(control::kTxdLine, ControlKind::Label, "Frame9") &&
                  layout_detail::laidOut(control::kRxdLine, ControlKind::Label, "Frame9") &&
                  layout_detail::laidOut(control::kStatusLine, ControlKind::Label, "Frame9") &&
                  layout_detail::laidOut(control::kPortGroup, ControlKind::Frame) &&
                  layout_detail::laidOut(control::kCom1, ControlKind::Option,
                                         control::kPortGroup) &&
                  layout_detail::laidOut(control::kCom2, ControlKind::Option,
                                         control::kPortGroup) &&
                  layout_detail::laidOut(control::kSpeed19200, ControlKind::Option) &&
                  layout_detail::laidOut(control::kSpeed9600, ControlKind::Option) &&
                  layout_detail::laidOut(control::kEnd, ControlKind::Button) &&
                  layout_detail::laidOut(control::kPortButton, ControlKind::Button) &&
                  layout_detail::laidOut(control::kViewButton, ControlKind::Button) &&
                  layout_detail::laidOut(control::kSend, ControlKind::Button) &&
                  layout_detail::laidOut(control::kClearEntry, ControlKind::Button) &&
                  layout_detail::laidOut(control::kCommandEntry, ControlKind::TextBox) &&
                  layout_detail::laidOut(control::kLogo, ControlKind::Image) &&
                  layout_detail::laidOut(control::kFirstButton, ControlKind::Button),
              "a control the code names by its role is not laid out as such");

}  // namespace r7k
