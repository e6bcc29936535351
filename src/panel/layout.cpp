#include "panel/layout.h"

#include "panel/catalogue_checks.h"  // the button tables against the layout, at build time

namespace r7k {

const ControlSpec* findControl(std::string_view name) {
    for (const auto& c : kControls) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

}  // namespace r7k
