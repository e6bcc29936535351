#include "protocol/catalogue.h"

#include <algorithm>

namespace r7k {
namespace {

// The row of `table` whose `field` equals `key`, or nullptr.
template <typename Row, std::size_t N, typename Key>
const Row* findRow(const std::array<Row, N>& table, Key Row::*field, Key key) {
    auto it = std::ranges::find(table, key, field);
    return it == table.end() ? nullptr : &*it;
}

}  // namespace

const OneShotButton* findOneShot(std::string_view name) {
    return findRow(kOneShotButtons, &OneShotButton::name, name);
}

const HoldButton* findHold(std::string_view name) {
    return findRow(kHoldButtons, &HoldButton::name, name);
}

const HoldButton* findHoldByCode(std::uint8_t holdCode) {
    return holdCode == 0 ? nullptr : findRow(kHoldButtons, &HoldButton::holdCode, holdCode);
}

const OneShotButton* findOneShotStep(std::string_view stepName) {
    return findRow(kOneShotButtons, &OneShotButton::stepName, stepName);
}

const HoldButton* findHoldStep(std::string_view stepName) {
    return findRow(kHoldButtons, &HoldButton::stepName, stepName);
}

}  // namespace r7k
