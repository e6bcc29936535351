#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace r7k::win {

// Asks the operator for a port's network address in a small modal dialog, `current` filled in.
// A text that is no address says why and stays open. Nothing when cancelled or left empty.
std::optional<std::string> askNetworkAddress(HWND owner, int port, const std::string& current);

}  // namespace r7k::win
