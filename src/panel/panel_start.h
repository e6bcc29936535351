#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "panel/controller.h"
#include "panel/panel_options.h"
#include "panel/port_listing.h"
#include "panel/stored_ports.h"
#include "panel/trace_line.h"
#include "transport/port_address.h"

namespace r7k {

// The panel's start, in one order on every platform: the command line (help, version and usage
// errors need neither settings nor a display), the stored ports, --list-ports, then the window
// on its ports and timers, the settings' warnings, the trace, the port opened, the window shown,
// the event loop. A front end brings its kinds and its ways:
//
//   struct Front {
//       using Window = ...;      // default-constructed; attach(), setTraceSink(), show()
//       using PortRouter = ...;  // PortRouter(PortAddress com1, PortAddress com2)
//       using Timer = ...;
//       using PortMenu = ...;    // PortMenu(Window&, PortRouter&, PanelController&, StoredPorts&)
//       std::string workingFolder();
//       void say(const std::string& text, bool error);  // help, a usage error, the port list
//       void stamp(const char* stage);                   // the start-up's stages, for benchmarks
//       SettingsStore& settingsStore();
//       std::vector<ListedPort> serialPorts();
//       void openDisplay();                              // ends the program if there is none
//       void trace(const std::string& line);
//       int run(Window& window);                         // the event loop; its exit status
//   };
template <class Front>
int startPanel(Front& front, const std::vector<std::string>& args) {
    const auto started = std::chrono::steady_clock::now();
    const PanelCommandLine line = readPanelCommandLine(args, front.workingFolder());
    if (line.exitStatus >= 0) {
        front.say(line.text, line.isError);
        return line.exitStatus;
    }
    const PanelOptions& options = line.options;
    StoredPorts settings(front.settingsStore());
    front.stamp("options and settings read");
    if (options.listPorts) {
        front.say(portListing(front.serialPorts(), settings, options), false);
        return 0;
    }

    front.openDisplay();
    front.stamp("display opened");
    typename Front::Window window;
    front.stamp("window built");
    const auto address = [&](int port) {
        return *parsePortAddress(settings.mapping(port, options.com[port - 1]).address).address;
    };
    typename Front::PortRouter serial(address(1), address(2));
    TimerSet<typename Front::Timer> timers;
    PanelController form(timers.panel(), serial, window);
    window.attach(&form);
    typename Front::PortMenu menu(window, serial, form, settings);
    if (!settings.problems().empty()) {
        std::string text;
        for (const std::string& problem : settings.problems())
            text += (text.empty() ? "" : "\n") + problem;
        window.warn(text);
    }
    if (options.trace) {
        window.setTraceSink([&front, started](std::string_view tag, std::string_view text) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            front.trace(traceLine(ms.count(), tag, text));
        });
    }
    form.load();
    front.stamp("panel loaded (port opened)");
    window.show();
    front.stamp("shown");
    const int status = front.run(window);
    window.attach(nullptr);
    return status;
}

}  // namespace r7k
