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

// What the operator can check for a connection to the gateway at `hostPort` that failed, by
// cause: a line break and a sentence, or nothing. A gateway that closed with a reason could
// not open its own device: the advice is about that host, never this computer's ports.
std::string gatewayHint(std::string_view cause, std::string_view hostPort,
                        std::string_view reason = {});

}  // namespace r7k
