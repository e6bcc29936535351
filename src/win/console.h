#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win/wide.h"

namespace r7k::win {

// Text output of a program that may have no console of its own (r7k-panel.exe is a GUI
// program): a redirect to a file or pipe gets the UTF-8 bytes with CR LF line ends (JSON too);
// else, once attachConsole() found the console the program was started from, the text goes
// there as UTF-16; else nowhere. Text is given in UTF-8 with LF line ends.

// Attaches to the parent's console unless both stdout and stderr are already redirected (a
// redirect wins). Returns true when text has somewhere to go. Call once, early; harmless for a
// console program (r7k-ctl.exe), which has its console already.
bool attachConsole();
void writeOut(std::string_view utf8);
void writeErr(std::string_view utf8);

// The program's arguments in UTF-8, the program's name first (GetCommandLineW).
std::vector<std::string> utf8Arguments();

}  // namespace r7k::win
