#include "panel/layout.h"

namespace r7k {

const ControlSpec* findControl(std::string_view name) {
    for (const auto& c : kControls) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

TwipPoint windowPosition(const ControlSpec& control) {
    TwipPoint at{control.left, control.top};
    // Containers nest at most two deep (Frame13 in Frame8); the bound guards a malformed table.
    const ControlSpec* in = findControl(control.container);
    for (int depth = 0; in != nullptr && depth < 8; ++depth) {
        at.x += in->left;
        at.y += in->top;
        in = findControl(in->container);
    }
    return at;
}

}  // namespace r7k
