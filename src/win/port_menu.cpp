#include "win/port_menu.h"

#include <algorithm>

#include "panel/controller.h"
#include "transport/default_device.h"
#include "transport/port_address.h"
#include "transport/port_mapping.h"
#include "transport/port_router.h"
#include "win/address_dialog.h"
#include "win/console.h"
#include "win/panel_window.h"
#include "win/registry_settings.h"
#include "win/serial_ports.h"

namespace r7k::win {

namespace {

// COM names are the same port in any case.
bool sameAddress(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

constexpr UINT kFirstItem = 1;

}  // namespace

PortMenu::PortMenu(PanelWindow& window, PortRouter& serial, PanelController& form,
                   RegistrySettings& settings)
    : m_window(window), m_serial(serial), m_form(form), m_settings(settings) {
    window.setPortMenuHandler([this](int port, POINT at) { show(port, at); });
    showDevices();
}

std::vector<PortMenu::Entry> PortMenu::entries(int port) const {
    std::vector<Entry> list;
    for (const SerialPortInfo& p : availableSerialPorts()) {
        std::string about;
        for (const std::string* part : {&p.friendlyName, &p.manufacturer}) {
            if (part->empty() || *part == p.port)
                continue;
            about += (about.empty() ? "" : ", ") + *part;
        }
        list.push_back({about.empty() ? p.port : p.port + "  (" + about + ")", p.port});
    }
    list.push_back({"Network address\u2026", {}});
    const std::string fallback = defaultDevice(port);
    list.push_back({"Default (" + fallback + ")", fallback});
    return list;
}

void PortMenu::show(int port, POINT at) {
    const std::string current = m_serial.deviceName(port);
    std::vector<Entry> list = entries(port);
    // What the port stands for now is always shown ticked, found or not (a gateway, an
    // adapter that is unplugged).
    if (std::none_of(list.begin(), list.end(),
                     [&](const Entry& e) { return sameAddress(e.address, current); }))
        list.insert(list.begin(), {current, current});
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Entry& e = list[i];
        if (e.address.empty())
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const bool ticked = !e.address.empty() && sameAddress(e.address, current);
        AppendMenuW(menu, MF_STRING | (ticked ? MF_CHECKED : 0), kFirstItem + i,
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
    const PortAddressResult parsed = parsePortAddress(address);
    if (!parsed.address) {
        m_window.warn("COM" + std::to_string(port) + ": " + address + ": " + parsed.error);
        return;
    }
    const PortAddress chosen = *parsed.address, old = m_serial.address(port);
    m_form.changePortDevice(
        port,
        [this, port, chosen, old](bool toNew) {
            m_serial.setAddress(port, toNew ? chosen : old);
            showDevices();
        },
        [this, port, text = chosen.text()] {
            if (const std::string why = m_settings.remember(port, text); !why.empty())
                m_window.warn(notRememberedText(port, text, m_settings.where(), why));
        });
}

void PortMenu::showDevices() {
    m_window.setPortDevices(m_serial.deviceName(1), m_serial.deviceName(2));
}

}  // namespace r7k::win
