#include "panel/port_choice.h"

#include <algorithm>

#include "panel/controller.h"
#include "panel/stored_ports.h"
#include "transport/default_device.h"
#include "transport/port_address.h"
#include "transport/port_router.h"

namespace r7k {

namespace {

bool equalInAnyCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace

bool sameAddress(std::string_view a, std::string_view b) {
    const PortAddressResult x = parsePortAddress(a), y = parsePortAddress(b);
    if (!x.address || !y.address)
        return a == b;
    if (x.address->kind != y.address->kind)
        return false;
    if (x.address->isNetwork())
        return x.address->port == y.address->port &&
               equalInAnyCase(x.address->host, y.address->host);
    if (x.address->device.starts_with('/') || y.address->device.starts_with('/'))
        return x.address->device == y.address->device;
    return equalInAnyCase(x.address->device, y.address->device);
}

std::vector<PortMenuEntry> portMenuEntries(int port, const std::vector<FoundPort>& found,
                                           std::string_view current) {
    std::vector<PortMenuEntry> list;
    for (const FoundPort& p : found) {
        std::string about;
        for (const std::string& part : p.about) {
            if (part.empty() || part == p.device)
                continue;
            about += (about.empty() ? "" : ", ") + part;
        }
        list.push_back({about.empty() ? p.device : p.device + "  (" + about + ")", p.device});
    }
    list.push_back({"Network address\u2026", {}});
    const std::string fallback = defaultDevice(port);
    list.push_back({"Default (" + fallback + ")", fallback});
    bool shown = false;
    for (PortMenuEntry& e : list) {
        e.ticked = !e.address.empty() && sameAddress(e.address, current);
        shown = shown || e.ticked;
    }
    if (!shown && !current.empty())
        list.insert(list.begin(), {std::string(current), std::string(current), true});
    return list;
}

std::string portChoiceProblem(int port, std::string_view text, DeviceNaming naming) {
    const std::string why = unusablePortValue(text, naming);
    if (why.empty())
        return {};
    return "COM" + std::to_string(port) + ": " + std::string(text) + ": " + why;
}

void choosePort(int port, const std::string& address, PanelController& form, PortRouter& router,
                Window& window, StoredPorts& settings, std::function<void()> moved) {
    if (const std::string why = portChoiceProblem(port, address); !why.empty()) {
        window.warn(why);
        return;
    }
    const PortAddress chosen = *parsePortAddress(address).address, old = router.address(port);
    form.changePortDevice(
        port,
        [&router, port, chosen, old, moved = std::move(moved)](bool toNew) {
            router.setAddress(port, toNew ? chosen : old);
            moved();
        },
        [&settings, &window, port, text = chosen.text()] {
            if (const std::string why = settings.remember(port, text); !why.empty())
                window.warn(why);
        });
}

}  // namespace r7k
