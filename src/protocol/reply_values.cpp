#include "protocol/reply_values.h"

#include <algorithm>
#include <charconv>

#include "base/json_text.h"
#include "protocol/catalogue.h"

namespace r7k {
namespace {

constexpr std::string_view kPowerFailQuery = "CR INFPFAIL";
// Nine digits always fit an int; a lamp has never run for a billion hours.
constexpr std::size_t kMaxHourDigits = 9;

// A table row's meaning as JSON and words. Rows stand in their table's order.
struct Meaning {
    std::string_view json;
    std::string_view plain;
};

constexpr std::array<Meaning, kSettingRows.size()> kSettingMeanings{{
    {R"({"left_right":false,"top_bottom":false})", "none"},
    {R"({"left_right":false,"top_bottom":true})", "top-bottom"},
    {R"({"left_right":true,"top_bottom":false})", "left-right"},
    {R"({"left_right":true,"top_bottom":true})", "top-bottom,left-right"},
}};

constexpr std::array<Meaning, kMuteRows.size()> kMuteMeanings{{
    {R"({"audio":false,"state":"active","video":false})", "none"},
    {R"({"audio":false,"state":"active","video":true})", "video"},
    {R"({"audio":true,"state":"active","video":false})", "audio"},
    {R"({"audio":true,"state":"active","video":true})", "video,audio"},
    {R"({"audio":null,"state":"no-signal","video":null})", "no-signal"},
    {R"({"audio":null,"state":"standby","video":null})", "standby"},
}};

constexpr std::array<Meaning, kLampModeRows.size()> kLampModeMeanings{{
    {R"({"in_use":[1,2],"lit":[],"mode":"2-lamp"})", "2-lamp none"},
    {R"({"in_use":[1,2],"lit":[1],"mode":"2-lamp"})", "2-lamp 1"},
    {R"({"in_use":[1,2],"lit":[2],"mode":"2-lamp"})", "2-lamp 2"},
    {R"({"in_use":[1,2],"lit":[1,2],"mode":"2-lamp"})", "2-lamp 1,2"},
    {R"({"in_use":[1],"lit":[],"mode":"1-lamp"})", "1-lamp-no1 none"},
    {R"({"in_use":[1],"lit":[1],"mode":"1-lamp"})", "1-lamp-no1 1"},
    {R"({"in_use":[2],"lit":[],"mode":"1-lamp"})", "1-lamp-no2 none"},
    {R"({"in_use":[2],"lit":[2],"mode":"1-lamp"})", "1-lamp-no2 2"},
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

// "+024.50" as a JSON number ("24.50"): an optional sign, digits, optionally "." and digits.
std::optional<std::string> decimal(std::string_view text) {
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

std::optional<QueryValue> temperatures(std::string_view reply) {
    QueryValue value{"[", ""};
    int count = 0;
    while (!reply.empty()) {
        const std::size_t start = reply.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        reply.remove_prefix(start);
        const std::string_view word = reply.substr(0, reply.find(' '));
        reply.remove_prefix(word.size());
        const auto number = decimal(word);
        if (!number || ++count > 3)
            return std::nullopt;
        value.json += (count > 1 ? "," : "") + *number;
        value.plain += (count > 1 ? " " : "") + *number;
    }
    if (count != 3)
        return std::nullopt;
    value.json += "]";
    return value;
}

std::optional<QueryValue> lampHours(std::string_view reply) {
    if (reply.empty() || reply.size() > kMaxHourDigits)
        return std::nullopt;
    int hours = 0;
    const auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), hours);
    if (ec != std::errc{} || end != reply.data() + reply.size() || !isDigit(reply[0]))
        return std::nullopt;
    const std::string text = std::to_string(hours);
    return QueryValue{text, text};
}

std::optional<QueryValue> pressure(std::string_view reply) {
    if (!decimal(reply))
        return std::nullopt;
    const DecodeResult decoded = decodePressure(reply);
    if (!decoded.pressure)
        return std::nullopt;
    const std::string text = std::to_string(*decoded.pressure);
    return QueryValue{text, text};
}

template <std::size_t N>
std::optional<QueryValue> tableValue(const ReplyTable& table,
                                     const std::array<Meaning, N>& meanings,
                                     std::string_view reply) {
    const auto row = rowOf(table, reply);
    if (!row)
        return std::nullopt;
    return QueryValue{std::string(meanings[*row].json), std::string(meanings[*row].plain)};
}

std::optional<QueryValue> powerStatus(std::string_view reply) {
    const auto row = rowOf(kPowerStatusTable, reply);
    if (!row)
        return std::nullopt;
    const PowerStatusMeaning& m = kPowerStatusMeanings[*row];
    QueryValue value{R"({"power":")", std::string(m.power)};
    value.json.append(m.power).append(R"(","warnings":[)");
    std::string_view warnings = m.warnings;
    for (bool first = true; !warnings.empty(); first = false) {
        const std::string_view word = warnings.substr(0, warnings.find(','));
        warnings.remove_prefix(std::min(warnings.size(), word.size() + 1));
        value.json.append(first ? "\"" : ",\"").append(word).append("\"");
    }
    value.json += "]}";
    if (!m.warnings.empty())
        value.plain.append(" ").append(m.warnings);
    return value;
}

}  // namespace

Expectation expectationFor(std::string_view code) {
    for (const QueryEntry& query : kQueryTable) {
        if (query.code == code) {
            return query.decoder == QueryDecoder::WholeText
                       ? Expectation{Answer::AnyLine}
                       : Expectation{Answer::Query, query.decoder};
        }
    }
    if (code == kPowerFailQuery)
        return {Answer::AnyLine};
    for (const OneShotButton& b : kOneShotButtons)
        if (b.code == code)
            return {Answer::Ack};
    for (const HoldButton& b : kHoldButtons)
        if (b.code == code)
            return {Answer::Ack};
    return {Answer::AckOrLine};
}

std::string describe(const Expectation& expected) {
    switch (expected.answer) {
        case Answer::Ack:
            return "ACK";
        case Answer::AnyLine:
            return "a line ended by CR";
        case Answer::AckOrLine:
            return "ACK or a line ended by CR";
        case Answer::Query:
            break;
    }
    switch (expected.decoder) {
        case QueryDecoder::PowerStatus:
            return "a power status code (00, 80, 40, 20, ...) and CR";
        case QueryDecoder::InputMode:
            return "an input number from 1 to 4 and CR";
        case QueryDecoder::Setting:
            return "a setting code (11, 10, 01 or 00) and CR";
        case QueryDecoder::LampHours:
            return "the lamp hours in digits and CR";
        case QueryDecoder::Temperatures:
            return "three temperatures (+24.0 +25.5 +25.0) and CR";
        case QueryDecoder::Mute:
            return "a mute code (00, 01, 02, 03, 80 or FF) and CR";
        case QueryDecoder::Pressure:
            return "a pressure reading from -6553 to 6553 and CR";
        case QueryDecoder::LampMode:
            return "a lamp code (00, 01, 02, 03, 10, 11, 20 or 22) and CR";
        case QueryDecoder::WholeText:
            break;
    }
    return "a line ended by CR";
}

std::optional<QueryValue> queryValue(QueryDecoder decoder, std::string_view reply) {
    switch (decoder) {
        case QueryDecoder::PowerStatus:
            return powerStatus(reply);
        case QueryDecoder::InputMode: {
            const auto row = rowOf(kInputModeTable, reply);
            if (!row)
                return std::nullopt;
            const std::string n(1, reply[0]);
            return QueryValue{n, n};
        }
        case QueryDecoder::Setting:
            return tableValue(kSettingTable, kSettingMeanings, reply);
        case QueryDecoder::LampHours:
            return lampHours(reply);
        case QueryDecoder::Temperatures:
            return temperatures(reply);
        case QueryDecoder::Mute:
            return tableValue(kMuteTable, kMuteMeanings, reply);
        case QueryDecoder::WholeText:
            return lineValue(reply);
        case QueryDecoder::Pressure:
            return pressure(reply);
        case QueryDecoder::LampMode:
            return tableValue(kLampModeTable, kLampModeMeanings, reply);
    }
    return std::nullopt;
}

QueryValue lineValue(std::string_view reply) {
    QueryValue value{"", std::string(reply)};
    appendJsonBytes(value.json, reply);
    return value;
}

}  // namespace r7k
