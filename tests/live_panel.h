#pragma once

#include <string>

#include "fakes/panel_rig.h"
#include "panel/controller.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"

// A panel core on real timers and the serial component r7k-panel builds, with a fake window
// that records warnings instead of showing modal boxes.
struct LivePanel {
    r7k::TimerSet<r7k::QtTimer> timers;
    std::unique_ptr<r7k::SerialPort> serial;
    r7k::fakes::FakeWindow window;
    r7k::PanelController form{timers.panel(), *serial, window};

    explicit LivePanel(const std::string& com1, const std::string& com2 = "/dev/r7k-none")
        : serial(r7k::makeSerialPort(*r7k::parsePortAddress(com1).address,
                                     *r7k::parsePortAddress(com2).address)) {}
    std::string line(std::string_view label) const { return std::string(form.lineText(label)); }
    void choose(const char* option) {
        window.setSelected(option);  // the operator's click selects, then raises the handler
        form.click(option);
    }
};
