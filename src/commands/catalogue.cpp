#include "commands/catalogue.h"

#include <algorithm>

namespace r7k {

const OneShotButton* findOneShot(std::string_view name) {
    auto it = std::ranges::find(kOneShotButtons, name, &OneShotButton::name);
    return it == kOneShotButtons.end() ? nullptr : &*it;
}

const HoldButton* findHold(std::string_view name) {
    auto it = std::ranges::find(kHoldButtons, name, &HoldButton::name);
    return it == kHoldButtons.end() ? nullptr : &*it;
}

const HoldButton* findHoldByCode(std::uint8_t holdCode) {
    if (holdCode == 0)
        return nullptr;
    auto it = std::ranges::find(kHoldButtons, holdCode, &HoldButton::holdCode);
    return it == kHoldButtons.end() ? nullptr : &*it;
}

const OneShotButton* findOneShotStep(std::string_view stepName) {
    auto it = std::ranges::find(kOneShotButtons, stepName, &OneShotButton::stepName);
    return it == kOneShotButtons.end() ? nullptr : &*it;
}

const HoldButton* findHoldStep(std::string_view stepName) {
    auto it = std::ranges::find(kHoldButtons, stepName, &HoldButton::stepName);
    return it == kHoldButtons.end() ? nullptr : &*it;
}

}  // namespace r7k
