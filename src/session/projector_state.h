#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string_view>

#include "session/values.h"

namespace r7k::session {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// What the replies seen on the line say of the projector: each query's latest value with when
// it was seen. A command makes the parts it may change stale at once, so they are asked again.
class ProjectorState {
  public:
    struct Seen {
        Value value;
        microseconds at{0};
    };

    void see(const Value& value, microseconds at);
    // The command with this code was taken.
    void changedBy(std::string_view code);
    // The query's value if it was seen no longer than `maxAge` before `now` and nothing made
    // it stale since.
    std::optional<Value> fresh(Query query, milliseconds maxAge, microseconds now) const;
    // The latest value, stale or not, and when it came; none before the first.
    const std::optional<Seen>& last(Query query) const {
        return m_seen[static_cast<std::size_t>(query)];
    }
    bool isStale(Query query) const { return m_stale[static_cast<std::size_t>(query)]; }

  private:
    std::array<std::optional<Seen>, kQueryCount> m_seen;
    std::array<bool, kQueryCount> m_stale{};
};

}  // namespace r7k::session
