#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pjlink/mapping.h"
#include "pjlink/protocol.h"

namespace r7k::pjlink {

// The request bodies the mapping answers, each once, in its order.
constexpr std::size_t distinctBodies() {
    std::size_t count = 0;
    for (std::size_t i = 0; i < std::size(kMapping); ++i) {
        bool seen = false;
        for (std::size_t j = 0; j < i; ++j)
            seen = seen || kMapping[j].body == kMapping[i].body;
        count += seen ? 0 : 1;
    }
    return count;
}
inline constexpr std::size_t kBodyCount = distinctBodies();

// The requests answered by command and answer, and how long they took. The labels come only
// from the mapping and the answers PJLink defines, so no controller can grow their number:
// a body the mapping does not know is "other".
class RequestCounts {
  public:
    static constexpr std::size_t kCommands = kBodyCount + 1;  // the last: "other"
    // "value": a query answered with what was asked.
    static constexpr std::array<std::string_view, 6> kAnswers{"value", "OK",   "ERR1",
                                                              "ERR2",  "ERR3", "ERR4"};
    // The histogram's upper bounds, in seconds; +Inf follows.
    static constexpr std::array<double, 12> kBuckets{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                     0.1,   0.25,   0.5,   1,    2.5,   5};

    void count(const Request& request, std::string_view result, std::chrono::microseconds took);

    static std::string_view command(std::size_t index);
    std::uint64_t requests(std::size_t command, std::size_t answer) const {
        return m_requests[command][answer];
    }
    // Requests that took no longer than kBuckets[bucket] (cumulative); kBuckets.size(): all.
    std::uint64_t within(std::size_t bucket) const;
    std::uint64_t total() const { return m_total; }
    double seconds() const { return m_seconds; }

  private:
    std::array<std::array<std::uint64_t, kAnswers.size()>, kCommands> m_requests{};
    std::array<std::uint64_t, kBuckets.size() + 1> m_latency{};
    std::uint64_t m_total = 0;
    double m_seconds = 0;
};

}  // namespace r7k::pjlink
