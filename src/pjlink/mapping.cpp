#include "pjlink/mapping.h"

#include <algorithm>

namespace r7k::pjlink {
namespace {

using Results = std::vector<ctl::StepResult>;

constexpr const char* kOk = "OK";
constexpr const char* kUndefined = "ERR1";
constexpr const char* kOutOfParameter = "ERR2";
constexpr const char* kUnavailable = "ERR3";
// PJLink counts lamp hours in at most five digits.
constexpr long kMaxLampHours = 99999;

// The words of a query's value: "cooling-down temperature" is {"cooling-down", "temperature"}.
std::vector<std::string> words(const ctl::StepResult& result) {
    std::vector<std::string> out;
    std::string_view plain = result.value ? std::string_view(result.value->plain) : "";
    while (!plain.empty()) {
        const std::size_t end = std::min(plain.find(' '), plain.size());
        if (end > 0)
            out.emplace_back(plain.substr(0, end));
        plain.remove_prefix(std::min(end + 1, plain.size()));
    }
    return out;
}

bool has(std::string_view list, std::string_view item) {
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(','), list.size());
        if (list.substr(0, end) == item)
            return true;
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return false;
}

}  // namespace

char powerState(const ctl::StepResult& status) {
    const auto w = words(status);
    const std::string power = w.empty() ? "" : w[0];
    return power == "on" ? '1' : power == "cooling-down" ? '2' : power == "warming-up" ? '3' : '0';
}

std::string errorStatus(const ctl::StepResult& status) {
    const auto w = words(status);
    const std::string warnings = w.size() > 1 ? w[1] : "";
    std::string digits = "000000";  // fan, lamp, temperature, cover, filter, other
    if (has(warnings, "all-lamps-failed"))
        digits[1] = '2';
    else if (has(warnings, "lamp-off-by-power-management"))
        digits[1] = '1';
    // A temperature warning that made the projector cool down is an error; one it runs on
    // with, a warning.
    if (has(warnings, "temperature"))
        digits[2] =
            powerState(status) == '2' && !has(warnings, "lamp-off-by-power-management") ? '2' : '1';
    if (!w.empty() && w[0] == "power-fail")
        digits[5] = '2';
    return digits;
}

std::optional<std::string_view> pjlinkInput(const ctl::StepResult& mode) {
    const std::string_view plain = mode.value ? std::string_view(mode.value->plain) : "";
    for (const InputMapping& input : kInputs)
        if (plain == std::to_string(input.projectorInput))
            return input.pjlink;
    return std::nullopt;
}

namespace {

std::string muteState(const ctl::StepResult& mute) {
    const auto w = words(mute);
    const std::string state = w.empty() ? "" : w[0];
    if (state == "standby")
        return kUnavailable;
    const bool video = has(state, "video"), audio = has(state, "audio");
    return video && audio ? "31" : video ? "11" : audio ? "21" : "30";
}

std::string lampStatus(const ctl::StepResult& hours, const ctl::StepResult& lamps) {
    const auto w = words(lamps);  // "2-lamp 1,2": the mode, then the lamps lit
    const std::string hoursText =
        std::to_string(std::min(std::stol(hours.value->plain), kMaxLampHours));
    const std::string lit = w.size() > 1 ? w[1] : "";
    std::vector<std::string> inUse{"1", "2"};
    if (w[0] == "1-lamp-no1")
        inUse = {"1"};
    else if (w[0] == "1-lamp-no2")
        inUse = {"2"};
    std::string out;
    for (const std::string& lamp : inUse)
        out += (out.empty() ? "" : " ") + hoursText + (has(lit, lamp) ? " 1" : " 0");
    return out;
}

Plan answerNow(std::string text) {
    Plan plan;
    plan.now = std::move(text);
    return plan;
}

// A set command: the projector must be in `allowed` power states, then the steps run.
Plan setCommand(std::vector<std::string> steps, std::string_view allowed) {
    Plan plan;
    plan.check = {"status"};
    plan.gate = [allowed](const Results& r) -> std::optional<std::string> {
        if (allowed.find(powerState(r[0])) == std::string_view::npos)
            return kUnavailable;
        return std::nullopt;
    };
    plan.steps = std::move(steps);
    plan.answer = [](const Results&) { return std::string(kOk); };
    return plan;
}

Plan query(std::vector<std::string> steps, std::function<std::string(const Results&)> answer) {
    Plan plan;
    plan.steps = std::move(steps);
    plan.answer = std::move(answer);
    return plan;
}

std::string inputList() {
    std::string list;
    for (const InputMapping& input : kInputs)
        list += (list.empty() ? "" : " ") + std::string(input.pjlink);
    return list;
}

Plan input(const std::string& param) {
    if (param == "?") {
        return query({"status", "mode"}, [](const Results& r) -> std::string {
            if (powerState(r[0]) != '1')
                return kUnavailable;
            return std::string(pjlinkInput(r[1]).value_or(kUnavailable));
        });
    }
    for (const InputMapping& input : kInputs)
        if (input.pjlink == param)
            return setCommand({std::string(input.step)}, "1");
    return answerNow(kOutOfParameter);
}

Plan mute(const std::string& param) {
    static const std::pair<const char*, std::vector<std::string>> kSets[] = {
        {"10", {"no-show-off"}},
        {"11", {"no-show-on"}},
        {"20", {"sound-mute-off"}},
        {"21", {"sound-mute-on"}},
        {"30", {"no-show-off", "sound-mute-off"}},
        {"31", {"no-show-on", "sound-mute-on"}},
    };
    if (param == "?")
        return query({"send", "CRA"}, [](const Results& r) { return muteState(r[0]); });
    for (const auto& [code, steps] : kSets)
        if (param == code)
            return setCommand(steps, "1");
    return answerNow(kOutOfParameter);
}

// The queries that take "?" only, answered from the identity.
std::optional<std::string> identityAnswer(const std::string& body, const Identity& id) {
    if (body == "NAME")
        return id.name;
    if (body == "INF1")
        return id.manufacturer;
    if (body == "INF2")
        return id.product;
    if (body == "INFO")
        return id.info;
    if (body == "CLSS")
        return std::string("1");
    if (body == "INST")
        return inputList();
    return std::nullopt;
}

Plan classTwo(const Request& request, const Identity& id) {
    const std::string& p = request.param;
    if (request.body == "FREZ") {
        if (p == "1" || p == "0")
            return setCommand({p == "1" ? "freeze-on" : "freeze-off"}, "1");
        return answerNow(p == "?" ? kUndefined : kOutOfParameter);  // no freeze query
    }
    if (request.body == "SVOL") {
        if (p == "1" || p == "0")
            return setCommand({p == "1" ? "vol-up:1" : "vol-down:1"}, "1");
        return answerNow(kOutOfParameter);
    }
    if (request.body == "SVER" || request.body == "SNUM") {
        if (p != "?")
            return answerNow(kOutOfParameter);
        return answerNow(request.body == "SVER" ? id.version : id.serial);
    }
    if (request.body == "INNM") {
        for (const InputMapping& input : kInputs)
            if (p == "?" + std::string(input.pjlink))
                return answerNow(std::string(input.name));
        return answerNow(kOutOfParameter);
    }
    return answerNow(kUndefined);
}

}  // namespace

Plan planFor(const Request& request, const Identity& identity) {
    const std::string& body = request.body;
    const std::string& p = request.param;
    if (request.cls != '1' && request.cls != '2')
        return answerNow(kUndefined);
    if (body == "POWR") {
        if (p == "1")
            return setCommand({"power-on"}, "01");  // not while cooling down or warming up
        if (p == "0")
            return setCommand({"power-off"}, "01");
        if (p == "?")
            return query({"status"},
                         [](const Results& r) { return std::string(1, powerState(r[0])); });
        return answerNow(kOutOfParameter);
    }
    if (body == "INPT")
        return input(p);
    if (body == "AVMT")
        return mute(p);
    if (body == "ERST" || body == "LAMP") {
        if (p != "?")
            return answerNow(kOutOfParameter);
        if (body == "ERST")
            return query({"status"}, [](const Results& r) { return errorStatus(r[0]); });
        return query({"lamp-time", "send", "CR7"},
                     [](const Results& r) { return lampStatus(r[0], r[1]); });
    }
    if (const auto known = identityAnswer(body, identity)) {
        if (p != "?")
            return answerNow(kOutOfParameter);
        return answerNow(*known);
    }
    if (request.cls == '2')
        return classTwo(request, identity);
    return answerNow(kUndefined);
}

}  // namespace r7k::pjlink
