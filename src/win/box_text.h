#pragma once

#include <string>
#include <string_view>

namespace r7k::win {

// A message box's text kept within the screen. MessageBox wraps lines at blanks, but a word
// longer than a line (a registry value or a path without blanks) widens the box instead, and a
// long text makes it taller than the screen. So a word over kBoxWordLimit characters keeps its
// start and end with an ellipsis in the middle, and a text over kBoxTextLimit characters or
// kBoxLineLimit lines likewise; trailing line breaks go. The whole text belongs elsewhere too
// (standard error), where nothing is cut.
inline constexpr std::size_t kBoxWordLimit = 60;
inline constexpr std::size_t kBoxTextLimit = 2000;
inline constexpr std::size_t kBoxLineLimit = 40;

std::string boxText(std::string_view utf8);

}  // namespace r7k::win
