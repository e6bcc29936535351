#pragma once

#include <windows.h>

#include <string>

namespace r7k {
class PanelController;
class PortRouter;
class StoredPorts;
}  // namespace r7k

namespace r7k::win {

class PanelWindow;

// The menu of a port option (a right-click on COM1 or COM2): what the port stands for now, the
// COM ports Windows knows, a network address, the default. A choice maps the port to that
// device, remembers it in the registry and, for the port in use, moves the link there
// (choosePort).
class PortMenu {
  public:
    PortMenu(PanelWindow& window, PortRouter& serial, PanelController& form, StoredPorts& settings);
    void show(int port, POINT at);
    // The operator's choice of an address for a port.
    void choose(int port, const std::string& address);

  private:
    void showDevices();

    PanelWindow& m_window;
    PortRouter& m_serial;
    PanelController& m_form;
    StoredPorts& m_settings;
};

}  // namespace r7k::win
