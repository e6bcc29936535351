#pragma once

#include <string>
#include <string_view>

namespace r7k {

// The causes of a failed or ended connection that every platform names alike, whatever its
// socket calls them: the operator's hints and the gateway session go by these words.
inline constexpr std::string_view kCauseRefused = "connection refused";
inline constexpr std::string_view kCauseHostNotFound = "host not found";
inline constexpr std::string_view kCauseHostUnreachable = "host unreachable";
inline constexpr std::string_view kCauseNetUnreachable = "network unreachable";
// The gateway ended the connection (an orderly close or a reset).
inline constexpr std::string_view kCauseClosed = "connection closed by the gateway";

// What the operator can check for a connection that failed, by cause: a line break and a
// sentence, or nothing.
std::string gatewayHint(std::string_view cause);

}  // namespace r7k
