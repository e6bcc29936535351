#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace r7k::sim {

using std::chrono::milliseconds;

inline constexpr const char* kSimVersion = "1.40.0";

// Everything the command line can set.
struct SimOptions {
    std::string device;      // empty: open a new pseudo-terminal
    std::string link;        // symlink to make to the line, empty for none
    std::string listenHost;  // --listen: serve the line over TCP on this address
    int listenPort = -1;     // --listen's port (0: any free one); -1 for no --listen
    int baud = 19200;        // for --device only
    milliseconds delay{0};
    int pieces = 1;
    milliseconds gap{20};
    double dropPercent = 0;
    double noiseRate = 0;  // bytes per second
    double floodRate = 0;  // bytes per second
    bool floodAscii = false;
    std::uint64_t floodBytes = 0;  // 0: no limit
    std::uint64_t burst = 0;
    bool fast = false;
    bool quiet = false;
    std::optional<std::uint64_t> seed;
};

enum class ParseOutcome : std::uint8_t { Run, Help, Version, UsageError };

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::Run;
    SimOptions options;
    std::string error;  // for UsageError: what was wrong, naming the option
};

ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace r7k::sim
