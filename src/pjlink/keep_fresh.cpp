#include "pjlink/keep_fresh.h"

#include <algorithm>

namespace r7k::pjlink {

using session::Query;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kWatch{5000};
constexpr milliseconds kSlow{60'000};
constexpr milliseconds kMetricsStatusFloor{1000};

// The shorter of two ages, 0 being none.
void atMost(milliseconds& kept, milliseconds age) {
    if (age > milliseconds{0})
        kept = kept > milliseconds{0} ? std::min(kept, age) : age;
}

}  // namespace

std::array<milliseconds, session::kQueryCount> freshness(const Watchers& watchers,
                                                         milliseconds maxAge) {
    std::array<milliseconds, session::kQueryCount> kept{};
    auto at = [&kept](Query query) -> milliseconds& {
        return kept[static_cast<std::size_t>(query)];
    };
    if (watchers.controllers > 0)
        atMost(at(Query::Status), maxAge / 2);
    if (watchers.telling) {
        atMost(at(Query::Status), kWatch);
        atMost(at(Query::Input), kWatch);
    }
    if (watchers.metrics) {
        atMost(at(Query::Status), std::max(maxAge, kMetricsStatusFloor));
        for (const Query slow : {Query::Input, Query::LampHours, Query::LampState,
                                 Query::Temperatures, Query::Pressure})
            atMost(at(slow), kSlow);
    }
    return kept;
}

void keepFresh(session::Projector& projector, const Watchers& watchers, milliseconds maxAge) {
    const auto kept = freshness(watchers, maxAge);
    for (std::size_t q = 0; q < kept.size(); ++q)
        projector.keep(Query(q), kept[q]);
}

}  // namespace r7k::pjlink
