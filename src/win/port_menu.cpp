#include "win/port_menu.h"

#include "panel/controller.h"
#include "panel/port_choice.h"
#include "transport/port_address.h"
#include "transport/port_router.h"
#include "win/address_dialog.h"
#include "win/panel_window.h"
#include "win/serial_ports.h"
#include "win/wide.h"

namespace r7k::win {

namespace {

constexpr UINT kFirstItem = 1;

}  // namespace

PortMenu::PortMenu(PanelWindow& window, PortRouter& serial, PanelController& form,
                   StoredPorts& settings)
    : m_window(window), m_serial(serial), m_form(form), m_settings(settings) {
    window.setPortMenuHandler([this](int port, POINT at) { show(port, at); });
    showDevices();
}

void PortMenu::show(int port, POINT at) {
    const std::string current = m_serial.deviceName(port);
    std::vector<FoundPort> found;
    for (const SerialPortInfo& p : availableSerialPorts())
        found.push_back({p.port, {p.friendlyName, p.manufacturer}});
    const std::vector<PortMenuEntry> list = portMenuEntries(port, found, current);
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const PortMenuEntry& e = list[i];
        if (e.address.empty())
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING | (e.ticked ? MF_CHECKED : 0), kFirstItem + i,
                    toWide(e.text).c_str());
    }
    const UINT chosen = UINT(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y,
                                              m_window.hwnd(), nullptr));
    DestroyMenu(menu);
    if (chosen < kFirstItem || chosen - kFirstItem >= list.size())
        return;
    std::string address = list[chosen - kFirstItem].address;
    if (address.empty()) {
        const auto asked = askNetworkAddress(m_window.hwnd(), port, current);
        if (!asked)
            return;
        address = *asked;
    }
    choose(port, address);
}

void PortMenu::choose(int port, const std::string& address) {
    choosePort(port, address, m_form, m_serial, m_window, m_settings, [this] { showDevices(); });
}

void PortMenu::showDevices() {
    m_window.setPortDevices(m_serial.deviceName(1), m_serial.deviceName(2));
}

}  // namespace r7k::win
