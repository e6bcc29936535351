#pragma once

#include <string>
#include <string_view>

namespace r7k::win {

// UTF-8 <-> UTF-16 for the Win32 API's wide strings.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace r7k::win
