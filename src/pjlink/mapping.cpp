#include "pjlink/mapping.h"

#include <algorithm>

namespace r7k::pjlink {
namespace {

using namespace session;

// PJLink counts lamp hours in at most five digits.
constexpr int kMaxLampHours = 99999;

std::string inputList() {
    std::string list;
    for (const InputName& input : kInputNames) {
        if (!list.empty())
            list += ' ';
        list += input.pjlink;
    }
    return list;
}

std::string muteAnswer(const Mute& mute) {
    if (mute.state == Mute::State::Standby)
        return std::string(kUnavailable);
    if (mute.state == Mute::State::NoSignal)
        return "30";
    return mute.video && mute.audio ? "31" : mute.video ? "11" : mute.audio ? "21" : "30";
}

std::string lampAnswer(const LampHours& hours, const LampState& lamps) {
    const std::string hoursText = std::to_string(std::min(hours.hours, kMaxLampHours));
    std::string out;
    for (int lamp : {1, 2}) {
        if (lamps.inUse(lamp))
            out += (out.empty() ? "" : " ") + hoursText + (lamps.isLit(lamp) ? " 1" : " 0");
    }
    return out;
}

}  // namespace

char powerDigit(const PowerStatus& status) {
    switch (status.power) {
        case Power::On:
            return '1';
        case Power::CoolingDown:
            return '2';
        case Power::WarmingUp:
            return '3';
        case Power::Standby:
        case Power::PowerFail:
            break;
    }
    return '0';
}

std::string errorDigits(const PowerStatus& status) {
    std::string digits = "000000";  // fan, lamp, temperature, cover, filter, other
    if (status.has(kAllLampsFailed))
        digits[1] = '2';
    else if (status.has(kLampOffByPowerManagement))
        digits[1] = '1';
    // A temperature warning that made the projector cool down is an error; one it runs on
    // with, a warning.
    if (status.has(kTemperature)) {
        digits[2] = status.power == Power::CoolingDown && !status.has(kLampOffByPowerManagement)
                        ? '2'
                        : '1';
    }
    if (status.power == Power::PowerFail)
        digits[5] = '2';
    return digits;
}

std::optional<std::string_view> pjlinkInput(const Input& input) {
    if (input.number < 1 || input.number > static_cast<int>(kInputNames.size()))
        return std::nullopt;
    return kInputNames[static_cast<std::size_t>(input.number - 1)].pjlink;
}

Found find(const Request& request) {
    if (request.cls != '1' && request.cls != '2')
        return {nullptr, kUndefined};
    bool bodyKnown = false;
    for (const Row& row : kMapping) {
        if (row.body != request.body || (row.cls == '2' && request.cls != '2'))
            continue;
        bodyKnown = true;
        if (row.param == request.param)
            return {&row, {}};
    }
    return {nullptr, bodyKnown ? kOutOfParameter : kUndefined};
}

std::string identityAnswer(const Row& row, const Identity& identity) {
    switch (row.own) {
        case Own::Name:
            return identity.name;
        case Own::Manufacturer:
            return identity.manufacturer;
        case Own::Product:
            return identity.product;
        case Own::Info:
            return identity.info;
        case Own::Class:
            return "1";
        case Own::Inputs:
            return inputList();
        case Own::Version:
            return identity.version;
        case Own::Serial:
            return identity.serial;
        case Own::InputName:
            return std::string(row.inputName);
        case Own::Undefined:
            break;
    }
    return std::string(kUndefined);
}

std::string readingAnswer(Reading reading, const std::optional<Value>& first,
                          const std::optional<Value>& second) {
    const auto* status = first ? std::get_if<PowerStatus>(&*first) : nullptr;
    switch (reading) {
        case Reading::Power:
            if (status)
                return std::string(1, powerDigit(*status));
            break;
        case Reading::Errors:
            if (status)
                return errorDigits(*status);
            break;
        case Reading::Input:
            // The projector tells its input whenever it can; what it cannot tell is no failure.
            if (const auto* input = first ? std::get_if<Input>(&*first) : nullptr)
                if (const auto pjlink = pjlinkInput(*input))
                    return std::string(*pjlink);
            return std::string(kUnavailable);
        case Reading::Mute:
            if (const auto* mute = first ? std::get_if<Mute>(&*first) : nullptr)
                return muteAnswer(*mute);
            break;
        case Reading::Lamps: {
            const auto* hours = first ? std::get_if<LampHours>(&*first) : nullptr;
            const auto* lamps = second ? std::get_if<LampState>(&*second) : nullptr;
            if (hours && lamps)
                return lampAnswer(*hours, *lamps);
            break;
        }
    }
    return std::string(kProjectorFailure);
}

}  // namespace r7k::pjlink
