#include "session/values.h"

#include <charconv>
#include <cstdlib>

namespace r7k::session {
namespace {

// Nine digits always fit an int; a lamp has never run for a billion hours.
constexpr std::size_t kMaxHourDigits = 9;

// What the rows of the other tables mean, in their tables' order.
constexpr std::array<Setting, kSettingRows.size()> kSettingMeanings{{
    {false, false},
    {true, false},
    {false, true},
    {true, true},
}};

constexpr std::array<Mute, kMuteRows.size()> kMuteMeanings{{
    {Mute::State::Active, false, false},
    {Mute::State::Active, true, false},
    {Mute::State::Active, false, true},
    {Mute::State::Active, true, true},
    {Mute::State::NoSignal, false, false},
    {Mute::State::Standby, false, false},
}};

using LampMode = LampState::Mode;
constexpr std::array<LampState, kLampModeRows.size()> kLampMeanings{{
    {LampMode::TwoLamps, 0},
    {LampMode::TwoLamps, 1},
    {LampMode::TwoLamps, 2},
    {LampMode::TwoLamps, 3},
    {LampMode::OneLampNo1, 0},
    {LampMode::OneLampNo1, 1},
    {LampMode::OneLampNo2, 0},
    {LampMode::OneLampNo2, 2},
}};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The row whose code the reply begins with, as the panel's table decoder finds it: the code's
// characters stand at every second place of the row's code (" 8 0" for "80").
std::optional<std::size_t> rowOf(const ReplyTable& table, std::string_view reply) {
    const std::size_t length = table.codeLength / 2;
    if (reply.size() < length)
        return std::nullopt;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < length; ++k)
            same = same && table.rows[i].code[2 * k + 1] == reply[k];
        if (same)
            return i;
    }
    return std::nullopt;
}

std::optional<Value> temperatures(std::string_view reply) {
    Temperatures value;
    std::size_t count = 0;
    while (!reply.empty()) {
        const std::size_t start = reply.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        reply.remove_prefix(start);
        const std::string_view word = reply.substr(0, reply.find(' '));
        reply.remove_prefix(word.size());
        auto number = normalDecimal(word);
        if (!number || count == value.text.size())
            return std::nullopt;
        value.celsius[count] = std::strtod(number->c_str(), nullptr);
        value.text[count++] = std::move(*number);
    }
    if (count != value.text.size())
        return std::nullopt;
    return value;
}

std::optional<Value> lampHours(std::string_view reply) {
    if (reply.empty() || reply.size() > kMaxHourDigits || !isDigit(reply[0]))
        return std::nullopt;
    int hours = 0;
    const auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), hours);
    if (ec != std::errc{} || end != reply.data() + reply.size())
        return std::nullopt;
    return LampHours{hours};
}

std::optional<Value> pressure(std::string_view reply) {
    if (!normalDecimal(reply))
        return std::nullopt;
    const DecodeResult decoded = decodePressure(reply);
    if (!decoded.pressure)
        return std::nullopt;
    return Pressure{*decoded.pressure};
}

template <typename T, std::size_t N>
std::optional<Value> tableValue(const ReplyTable& table, const std::array<T, N>& meanings,
                                std::string_view reply) {
    const auto row = rowOf(table, reply);
    if (!row)
        return std::nullopt;
    return meanings[*row];
}

}  // namespace

std::optional<std::string> normalDecimal(std::string_view text) {
    std::string sign;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? "-" : "";
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    for (const char c : whole)
        if (!isDigit(c))
            return std::nullopt;
    for (const char c : fraction)
        if (!isDigit(c))
            return std::nullopt;
    while (whole.size() > 1 && whole[0] == '0')
        whole.remove_prefix(1);
    std::string number = sign + std::string(whole);
    if (point != std::string_view::npos)
        number.append(".").append(fraction);
    // A minus zero is zero.
    if (number[0] == '-' && number.find_first_of("123456789") == std::string::npos)
        number.erase(0, 1);
    return number;
}

std::optional<Value> decode(Query query, std::string_view reply) {
    switch (query) {
        case Query::Status:
            return tableValue(kPowerStatusTable, kPowerStatusMeanings, reply);
        case Query::Input:
            if (!rowOf(kInputModeTable, reply))
                return std::nullopt;
            return Input{reply[0] - '0'};
        case Query::Setting:
            return tableValue(kSettingTable, kSettingMeanings, reply);
        case Query::LampHours:
            return lampHours(reply);
        case Query::Temperatures:
            return temperatures(reply);
        case Query::Mute:
            return tableValue(kMuteTable, kMuteMeanings, reply);
        case Query::LampState:
            return tableValue(kLampModeTable, kLampMeanings, reply);
        case Query::Pressure:
            return pressure(reply);
    }
    return std::nullopt;
}

std::string_view nameOf(Query query) {
    constexpr std::array<std::string_view, kQueryCount> kNames{
        "status",       "input", "setting",    "lamp hours",
        "temperatures", "mute",  "lamp state", "pressure"};
    return kNames[static_cast<std::size_t>(query)];
}

}  // namespace r7k::session
