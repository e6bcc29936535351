// Fuzz target for the panel core: random sequences of clicks, presses and releases, keys,
// double-clicks, received pieces, serial failures and time, with the invariants checked after
// every step.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fakes/event_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    r7k::fakes::PanelRig rig;
    r7k::fakes::EventDriver driver(rig);
    r7k::fakes::ByteSource in(std::string_view(reinterpret_cast<const char*>(data), size));
    while (!in.empty() && driver.step(in)) {
        const std::string fault = driver.check();
        if (!fault.empty()) {
            std::fprintf(stderr, "panel invariant broken after event %llu: %s\n",
                         static_cast<unsigned long long>(driver.events()), fault.c_str());
            std::abort();
        }
    }
    return 0;
}
