#pragma once

#include <windows.h>

#include <string>

struct IAccPropServices;

namespace r7k::win {

// What assistive technology reads of a control (Microsoft Active Accessibility): its name, and
// for a line of text its value, set through the system's annotation service. Where that service
// is missing (older Wine) the controls' window texts, which hold the same names, stand in.
// COM (ole32) is loaded only when the service is started.
class Accessibility {
  public:
    Accessibility() = default;
    ~Accessibility();
    Accessibility(const Accessibility&) = delete;
    Accessibility& operator=(const Accessibility&) = delete;

    // Starts COM and the annotation service. Until then names and values are not passed on:
    // the window starts this once it is on screen, so that loading COM does not delay it.
    void start();
    void setName(HWND control, const std::string& name);
    void setValue(HWND control, const std::string& value);
    // Drops what was set for a control before it is destroyed.
    void forget(HWND control);

  private:
    IAccPropServices* m_services = nullptr;
    bool m_comStarted = false;
};

}  // namespace r7k::win
