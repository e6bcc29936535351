#pragma once

#include <QtGlobal>

namespace r7k {

// While the application object is made: if Qt cannot open any window (no display, a display
// that cannot be reached, a platform plugin that is missing), Qt would abort with a core dump
// and a message about plugins. Instead the program writes one line naming the cause and ends
// with status 1. Qt's other messages of that time are held and passed on once the display is
// there.
class DisplayGuard {
  public:
    DisplayGuard();
    ~DisplayGuard() { release(); }
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

    // The display is open: Qt's messages go their usual way again.
    void release();

  private:
    bool m_active = false;
};

}  // namespace r7k
