#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "pjlink/request_counts.h"
#include "session/projector.h"
#include "session/projector_state.h"

namespace r7k::pjlink {

// What the exposition is made of: the state the line's replies told, the line, the requests.
struct MetricsSource {
    const session::ProjectorState& state;
    bool answering = false;                             // the line answers
    std::optional<std::chrono::microseconds> answered;  // when it last did
    std::chrono::microseconds now{0};
    std::size_t controllers = 0;
    const RequestCounts& requests;
};

// A value older than this is left out: the line has not told it for three slow looks.
inline constexpr std::chrono::seconds kShownFor{180};

// The Prometheus text format (0.0.4) of the source, every name prefixed "r7k_". A value the
// projector has not told (or not lately, or in a reply that could not be read) is left out,
// never made up; every label comes from a fixed table.
std::string renderMetrics(const MetricsSource& source);

// The same of the projector as the service sees it.
std::string renderMetrics(const session::Projector& projector, std::size_t controllers,
                          const RequestCounts& requests);

// The Content-Type of that text.
inline constexpr const char* kMetricsType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace r7k::pjlink
