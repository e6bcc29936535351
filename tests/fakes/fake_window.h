#pragma once

#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "panel/headless_window.h"

namespace r7k::fakes {

// The headless window, recording every set of a traffic line with its virtual time.
class FakeWindow : public HeadlessWindow {
  public:
    explicit FakeWindow(const FakeClock* clock = nullptr) {
        onText = [this, clock](std::string_view control, std::string_view text) {
            if (control == "Label11" || control == "Label12" || control == "Label22")
                lineSets.push_back({clock ? clock->now() : milliseconds{0}, std::string(control),
                                    std::string(text)});
        };
    }
    struct LineSet {
        milliseconds at;
        std::string label;
        std::string text;
    };
    std::vector<LineSet> lineSets;
};

}  // namespace r7k::fakes
