#pragma once

#include <string>
#include <vector>

namespace r7k::pjlink::win {

// Where the installed service's program and its log are: folders only administrators may
// write, %ProgramFiles%\r7k-pjlink\ and %ProgramData%\r7k-pjlink\ (the service may write its
// log there).
std::wstring installedProgram();
std::wstring logFile();

// The service commands, run by an administrator; each returns the exit status (0 done, 1
// failed, with the cause in standard error). `options` are the service's own, checked
// before: install copies the program and registers it with them, to run as LocalService at
// every start of Windows.
int installService(const std::vector<std::string>& options);
int startService();
int stopService();
int removeService();

// One argument quoted for a Windows command line, as CommandLineToArgvW reads it back.
std::wstring quoteArgument(const std::wstring& argument);

}  // namespace r7k::pjlink::win
