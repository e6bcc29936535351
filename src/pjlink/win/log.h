#pragma once

#include <string>

namespace r7k::pjlink::win {

// The program's messages: to standard error in a console run; to the log file (with the date
// and time before each line) once openLogFile() succeeded, as the service has no console.
void logLine(const std::string& text);
// Appends to `path`, made with its folder when missing; false with the cause in `error`.
bool openLogFile(const std::wstring& path, std::string& error);

}  // namespace r7k::pjlink::win
