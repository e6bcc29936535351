#include "pjlink/request_counts.h"

#include <algorithm>

namespace r7k::pjlink {

namespace {

constexpr std::array<std::string_view, kBodyCount> bodies() {
    std::array<std::string_view, kBodyCount> out{};
    std::size_t n = 0;
    for (const Row& row : kMapping) {
        if (std::find(out.begin(), out.begin() + n, row.body) == out.begin() + n)
            out[n++] = row.body;
    }
    return out;
}
constexpr auto kBodies = bodies();

}  // namespace

std::string_view RequestCounts::command(std::size_t index) {
    return index < kBodies.size() ? kBodies[index] : "other";
}

void RequestCounts::count(const Request& request, std::string_view result,
                          std::chrono::microseconds took) {
    const auto body = std::find(kBodies.begin(), kBodies.end(), request.body);
    const auto answer = std::find(kAnswers.begin() + 1, kAnswers.end(), result);
    const std::size_t a = answer == kAnswers.end() ? 0 : answer - kAnswers.begin();
    ++m_requests[body - kBodies.begin()][a];
    const double seconds = std::chrono::duration<double>(took).count();
    const auto bucket = std::lower_bound(kBuckets.begin(), kBuckets.end(), seconds);
    ++m_latency[bucket - kBuckets.begin()];
    ++m_total;
    m_seconds += seconds;
}

std::uint64_t RequestCounts::within(std::size_t bucket) const {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i <= bucket && i < m_latency.size(); ++i)
        sum += m_latency[i];
    return sum;
}

}  // namespace r7k::pjlink
