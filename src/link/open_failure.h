#pragma once

#include <string>

namespace r7k {

// The operator-facing text of a failed open: the port, its device, the cause and, where it
// helps, a hint.
std::string openFailureText(const std::string& port, const std::string& device,
                            const std::string& cause);

}  // namespace r7k
