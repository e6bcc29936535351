#include "panel/accessible_names.h"

#include "panel/layout.h"
#include "protocol/catalogue.h"

namespace r7k {

namespace {

// Controls whose caption does not say what they are.
constexpr struct {
    std::string_view control;
    std::string_view name;
} kOwnNames[] = {{"Label11", "TXD"},
                 {"Label12", "RXD"},
                 {"Label22", "STATUS"},
                 {"Text1", "CMD"},
                 {"Image1", "R7K logo"},
                 {"Command33", "COM port"},
                 {"Command95", "SEND command"},
                 {"Command96", "CLS clear command"}};

// A catalogue group as the operator would say it before the caption.
std::string groupWords(std::string_view group) {
    if (group == "cursor pad")
        return "Cursor";
    if (group.starts_with("input terminals "))
        return "Input terminal " + std::string(group.substr(16));
    return std::string(group);
}

std::string spoken(std::string_view group, std::string_view caption) {
    // A hyphen alone is read as "minus".
    const std::string words = caption == "-" ? "\u2212" : std::string(caption);
    if (group.empty() || (group == "cursor pad" && caption == "SELECT"))
        return words;
    return groupWords(group) + " " + words;
}

}  // namespace

std::string accessibleName(std::string_view control) {
    for (const auto& own : kOwnNames) {
        if (own.control == control)
            return std::string(own.name);
    }
    if (const OneShotButton* b = findOneShot(control))
        return spoken(b->group, b->caption);
    if (const HoldButton* b = findHold(control))
        return spoken(b->group, b->caption);
    const ControlSpec* c = findControl(control);
    return c ? std::string(c->caption) : std::string();
}

}  // namespace r7k
