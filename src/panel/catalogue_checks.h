#pragma once

// The button tables checked when the program is built: every button stands in the window's
// layout with the caption it has in the catalogue, and control names, script step names and
// hold codes are unique. A mistake in a row then fails the build instead of a run.
#include "panel/layout.h"
#include "protocol/catalogue.h"

namespace r7k {
namespace catalogue_checks {

constexpr bool laidOutAsButton(std::string_view name, std::string_view caption) {
    for (const ControlSpec& c : kControls) {
        if (c.name == name)
            return c.kind == ControlKind::Button && c.caption == caption;
    }
    return false;
}

// Lower-case letters and digits in words joined by single hyphens.
constexpr bool isStepName(std::string_view s) {
    if (s.empty() || s.front() == '-' || s.back() == '-')
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool word = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!word && (c != '-' || s[i + 1] == '-'))
            return false;
    }
    return true;
}

constexpr bool catalogueIsSound() {
    std::array<std::string_view, kOneShotButtons.size() + kHoldButtons.size()> names{}, steps{};
    std::size_t n = 0;
    for (const auto& b : kOneShotButtons) {
        if (!laidOutAsButton(b.name, b.caption) || !isStepName(b.stepName))
            return false;
        names[n] = b.name;
        steps[n++] = b.stepName;
    }
    for (const auto& b : kHoldButtons) {
        if (!laidOutAsButton(b.name, b.caption) || !isStepName(b.stepName) || b.holdCode == 0)
            return false;
        for (const auto& other : kHoldButtons) {
            if (&other != &b && other.holdCode == b.holdCode)
                return false;
        }
        names[n] = b.name;
        steps[n++] = b.stepName;
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (names[i] == names[j] || steps[i] == steps[j])
                return false;
        }
    }
    return true;
}

static_assert(catalogueIsSound(), "a button row is not laid out, or repeats a name or code");

}  // namespace catalogue_checks
}  // namespace r7k
