#pragma once

#include <array>
#include <chrono>
#include <cstddef>

#include "session/projector.h"

namespace r7k::pjlink {

// Who looks at the projector's state through the service.
struct Watchers {
    std::size_t controllers = 0;  // PJLink connections open
    bool telling = false;         // someone is told of status changes
    bool metrics = false;         // the state is served for Prometheus
};

// How old the service lets each query's value grow by looks of its own (0: not kept): the
// status within half the age while controllers are connected (so they are answered at once);
// the status and the input every 5 s while someone is told of their changes; and while
// metrics are served, the status within the age (at least a second) and the input, lamp
// hours, lamps, temperatures and pressure once a minute, slow values on a slow pace.
std::array<std::chrono::milliseconds, session::kQueryCount> freshness(
    const Watchers& watchers, std::chrono::milliseconds maxAge);

// Tells the projector what to keep by that rule.
void keepFresh(session::Projector& projector, const Watchers& watchers,
               std::chrono::milliseconds maxAge);

}  // namespace r7k::pjlink
