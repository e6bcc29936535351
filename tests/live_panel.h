#pragma once

#include <string>

#include "fakes/fake_window.h"
#include "link/form1.h"
#include "qt/qt_serial.h"
#include "qt/qt_timer.h"

// A panel core on real timers and the real serial adapter, with a fake window that records
// warnings instead of showing modal boxes.
struct LivePanel {
    r7k::QtTimer t1, t2, t3, t4, relink;
    r7k::QtSerial serial;
    r7k::fakes::FakeWindow window;
    r7k::Form1 form{{t1, t2, t3, t4, relink}, serial, window};

    explicit LivePanel(const std::string& com1, const std::string& com2 = "/dev/r7k-none")
        : serial(QString::fromStdString(com1), QString::fromStdString(com2)) {}
    std::string line(std::string_view label) const { return std::string(form.lineText(label)); }
};
