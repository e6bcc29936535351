#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "protocol/decoders.h"
#include "session/commands.h"

namespace r7k::session {

// What the projector says of its power.
enum class Power : std::uint8_t { On, Standby, WarmingUp, CoolingDown, PowerFail };

// Warnings a power status carries, as bits.
enum Warning : std::uint8_t {
    kNoKeyInput = 1,
    kLampOffByPowerManagement = 2,
    kTemperature = 4,
    kTemperatureRecovered = 8,
    kAllLampsFailed = 16,
};

struct PowerStatus {
    Power power = Power::Standby;
    std::uint8_t warnings = 0;
    bool has(Warning w) const { return (warnings & w) != 0; }
    friend bool operator==(const PowerStatus&, const PowerStatus&) = default;
};

// What each row of the panel's status table means, in the table's order.
inline constexpr std::array<PowerStatus, kPowerStatusRows.size()> kPowerStatusMeanings{{
    {Power::On, 0},
    {Power::Standby, 0},
    {Power::WarmingUp, 0},
    {Power::CoolingDown, 0},
    {Power::PowerFail, 0},
    {Power::On, kTemperature},
    {Power::On, kNoKeyInput},
    {Power::On, kLampOffByPowerManagement},
    {Power::CoolingDown, kTemperature},
    {Power::CoolingDown, kLampOffByPowerManagement | kTemperature},
    {Power::Standby, kTemperatureRecovered},
    {Power::CoolingDown, kAllLampsFailed},
    {Power::Standby, kAllLampsFailed},
}};

struct Input {
    int number = 1;  // 1 to 4
    friend bool operator==(const Input&, const Input&) = default;
};

// Image reversal.
struct Setting {
    bool topBottom = false;
    bool leftRight = false;
    friend bool operator==(const Setting&, const Setting&) = default;
};

struct LampHours {
    int hours = 0;
    friend bool operator==(const LampHours&, const LampHours&) = default;
};

// Three readings as the projector wrote them, each a decimal number normalised ("+024.50"
// is "24.50"), and their values in degrees Celsius.
struct Temperatures {
    std::array<std::string, 3> text;
    std::array<double, 3> celsius{};
    friend bool operator==(const Temperatures&, const Temperatures&) = default;
};

struct Mute {
    enum class State : std::uint8_t { Active, NoSignal, Standby };
    State state = State::Active;
    bool video = false;  // meaningful while active
    bool audio = false;
    friend bool operator==(const Mute&, const Mute&) = default;
};

struct LampState {
    enum class Mode : std::uint8_t { TwoLamps, OneLampNo1, OneLampNo2 };
    Mode mode = Mode::TwoLamps;
    std::uint8_t lit = 0;  // bit 0: lamp 1, bit 1: lamp 2
    bool inUse(int lamp) const {
        return mode == Mode::TwoLamps || (lamp == 1) == (mode == Mode::OneLampNo1);
    }
    bool isLit(int lamp) const { return (lit & (1 << (lamp - 1))) != 0; }
    friend bool operator==(const LampState&, const LampState&) = default;
};

struct Pressure {
    std::int16_t hpa = 0;
    friend bool operator==(const Pressure&, const Pressure&) = default;
};

// A query's value; the alternative's index is the query's.
using Value =
    std::variant<PowerStatus, Input, Setting, LampHours, Temperatures, Mute, LampState, Pressure>;
static_assert(std::variant_size_v<Value> == kQueryCount);

constexpr Query queryOf(const Value& value) {
    return Query(value.index());
}

// The value in a query's reply (the bytes before its CR), or none when the reply is not of the
// form the query's decoder reads: a code in none of its table's rows, lamp hours that are not
// digits, temperatures that are not three numbers, a pressure reading that is not a number or
// is out of range.
std::optional<Value> decode(Query query, std::string_view reply);

// "+024.50" as "24.50": an optional sign, digits, optionally "." and digits; none otherwise.
std::optional<std::string> normalDecimal(std::string_view text);

}  // namespace r7k::session
