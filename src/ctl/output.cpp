#include "ctl/output.h"

#include <charconv>

#include "base/json_text.h"

namespace r7k::ctl {
namespace {

using namespace session;

void appendKey(std::string& out, std::string_view key) {
    out += out.size() == 1 ? "\"" : ",\"";
    out += key;
    out += "\":";
}

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

constexpr std::string_view powerName(Power power) {
    switch (power) {
        case Power::On:
            return "on";
        case Power::Standby:
            return "standby";
        case Power::WarmingUp:
            return "warming-up";
        case Power::CoolingDown:
            return "cooling-down";
        case Power::PowerFail:
            return "power-fail";
    }
    return "?";
}

// The warnings' words, in the order they are written.
constexpr std::pair<Warning, std::string_view> kWarningNames[] = {
    {kNoKeyInput, "no-key-input"},
    {kLampOffByPowerManagement, "lamp-off-by-power-management"},
    {kTemperature, "temperature"},
    {kTemperatureRecovered, "temperature-recovered"},
    {kAllLampsFailed, "all-lamps-failed"},
};

// Joins texts; written out rather than with operator+, which GCC 12 misreads (-Wrestrict).
std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view p : parts)
        out.append(p);
    return out;
}

std::string_view boolText(bool b) {
    return b ? "true" : "false";
}

std::string lampList(const LampState& lamps, bool lit) {
    std::string out;
    for (int lamp : {1, 2}) {
        if (lit ? lamps.isLit(lamp) : lamps.inUse(lamp)) {
            if (!out.empty())
                out += ',';
            out += static_cast<char>('0' + lamp);
        }
    }
    return out;
}

std::string_view lampMode(const LampState& lamps, bool plain) {
    switch (lamps.mode) {
        case LampState::Mode::TwoLamps:
            return "2-lamp";
        case LampState::Mode::OneLampNo1:
            return plain ? "1-lamp-no1" : "1-lamp";
        case LampState::Mode::OneLampNo2:
            return plain ? "1-lamp-no2" : "1-lamp";
    }
    return "?";
}

struct Texts {
    std::string json;
    std::string plain;
};

Texts texts(const Value& value) {
    struct Visitor {
        Texts operator()(const PowerStatus& v) const {
            std::string list, words;
            for (const auto& [bit, name] : kWarningNames) {
                if (!v.has(bit))
                    continue;
                list += join({list.empty() ? "\"" : ",\"", name, "\""});
                words += join({words.empty() ? "" : ",", name});
            }
            const std::string_view power = powerName(v.power);
            return {join({"{\"power\":\"", power, "\",\"warnings\":[", list, "]}"}),
                    join({power, words.empty() ? "" : " ", words})};
        }
        Texts operator()(const Input& v) const {
            const std::string n = std::to_string(v.number);
            return {n, n};
        }
        Texts operator()(const Setting& v) const {
            const std::string_view plain = v.topBottom && v.leftRight ? "top-bottom,left-right"
                                           : v.topBottom              ? "top-bottom"
                                           : v.leftRight              ? "left-right"
                                                                      : "none";
            return {join({"{\"left_right\":", boolText(v.leftRight),
                          ",\"top_bottom\":", boolText(v.topBottom), "}"}),
                    std::string(plain)};
        }
        Texts operator()(const LampHours& v) const {
            const std::string n = std::to_string(v.hours);
            return {n, n};
        }
        Texts operator()(const Temperatures& v) const {
            return {join({"[", v.text[0], ",", v.text[1], ",", v.text[2], "]"}),
                    join({v.text[0], " ", v.text[1], " ", v.text[2]})};
        }
        Texts operator()(const Mute& v) const {
            if (v.state != Mute::State::Active) {
                const std::string_view state =
                    v.state == Mute::State::Standby ? "standby" : "no-signal";
                return {join({"{\"audio\":null,\"state\":\"", state, "\",\"video\":null}"}),
                        std::string(state)};
            }
            const std::string_view plain = v.video && v.audio ? "video,audio"
                                           : v.video          ? "video"
                                           : v.audio          ? "audio"
                                                              : "none";
            return {join({"{\"audio\":", boolText(v.audio),
                          ",\"state\":\"active\",\"video\":", boolText(v.video), "}"}),
                    std::string(plain)};
        }
        Texts operator()(const LampState& v) const {
            const std::string lit = lampList(v, true);
            return {join({"{\"in_use\":[", lampList(v, false), "],\"lit\":[", lit, "],\"mode\":\"",
                          lampMode(v, false), "\"}"}),
                    join({lampMode(v, true), " ", lit.empty() ? "none" : lit})};
        }
        Texts operator()(const Pressure& v) const {
            const std::string n = std::to_string(v.hpa);
            return {n, n};
        }
    };
    return std::visit(Visitor{}, value);
}

}  // namespace

std::string humanLine(const StepResult& result) {
    if (result.outcome == Outcome::Waited)
        return {};
    return trimmed(result.status ? *result.status : result.rxd);
}

bool hasValue(const StepResult& result) {
    return result.value.has_value() || result.line.has_value();
}

std::string valueJson(const StepResult& result) {
    if (result.value)
        return texts(*result.value).json;
    std::string json;
    if (result.line)
        appendJsonBytes(json, *result.line);
    return json.empty() ? "null" : json;
}

std::string valuePlain(const StepResult& result) {
    if (result.value)
        return texts(*result.value).plain;
    return result.line.value_or("");
}

std::string jsonLine(const StepResult& result) {
    std::string o = "{";
    appendKey(o, "outcome");
    appendJsonBytes(o, outcomeName(result.outcome));
    appendKey(o, "received");
    appendJsonBytes(o, result.received);
    appendKey(o, "rtt_ms");
    // Milliseconds with up to three decimals, written in full (never an exponent).
    char number[64];
    const double ms = static_cast<double>(result.roundTrip.count()) / 1000.0;
    const auto written =
        std::to_chars(number, number + sizeof number, ms, std::chars_format::fixed);
    o.append(number, written.ptr);
    appendKey(o, "rxd");
    appendJsonBytes(o, result.rxd);
    appendKey(o, "sends");
    o += std::to_string(result.sends);
    appendKey(o, "sent");
    appendJsonBytes(o, result.sent);
    appendKey(o, "status");
    if (result.status)
        appendJsonBytes(o, *result.status);
    else
        o += "null";
    appendKey(o, "step");
    appendJsonText(o, result.step ? result.step->word : std::string());
    appendKey(o, "txd");
    appendJsonBytes(o, result.txd);
    appendKey(o, "value");
    o += valueJson(result);
    o += "}\n";
    return o;
}

}  // namespace r7k::ctl
