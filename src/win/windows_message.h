#pragma once

#include <windows.h>

#include <string>

namespace r7k::win {

// Windows' own words for an error code (FormatMessage), without the trailing full stop and
// line break.
std::string windowsMessage(DWORD error);

}  // namespace r7k::win
