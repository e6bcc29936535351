#pragma once

#include "fakes/fake_clock.h"
#include "fakes/fake_serial.h"
#include "panel/controller.h"
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
        std::string label, text;
    };
    std::vector<LineSet> lineSets;
};

// The panel's timers on virtual time and a fake serial port.
struct VirtualLink {
    FakeClock clock;
    FakeTimer& holdRepeat = clock.make("hold repeat");
    FakeTimer& replyTimeout = clock.make("reply time-out");
    FakeTimer& portGroupHide = clock.make("port group hide");
    FakeTimer& displayClear = clock.make("display clear");
    FakeTimer& portRetry = clock.make("port retry");
    FakeSerial serial{&clock};

    PanelTimers timers() {
        return {holdRepeat, replyTimeout, portGroupHide, displayClear, portRetry};
    }
    void advance(int ms) { clock.advance(milliseconds{ms}); }
};

// A panel on virtual time with fake serial port and window, loaded as at start.
struct PanelRig : VirtualLink {
    FakeWindow window{&clock};
    PanelController form{timers(), serial, window};

    explicit PanelRig(bool load = true) {
        if (load)
            form.load();
    }
    std::string line(std::string_view label) const { return std::string(form.lineText(label)); }
};

}  // namespace r7k::fakes
