#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/decoders.h"

namespace r7k {

// What a program may trust a command's answer to be: a lone ACK (a command), a line of the
// form a query's decoder reads, any line (a reply shown as received), or, for a command the
// catalogue does not know, ACK or any line.
enum class Answer : std::uint8_t { Ack, Query, AnyLine, AckOrLine };

struct Expectation {
    Answer answer = Answer::Ack;
    QueryDecoder decoder = QueryDecoder::WholeText;  // for Answer::Query
};

// What the command code `code` (as sent, without prefix and CR) should be answered with.
Expectation expectationFor(std::string_view code);

// The expectation in words, for a message: "ACK", "a power status code (00, 80, ...)".
std::string describe(const Expectation& expected);

// A query's answer for programs: the value as JSON, and as one line of words for shell scripts.
struct QueryValue {
    std::string json;
    std::string plain;
};

// The value in a query's reply (the bytes before its CR), or none when the reply is not of the
// form the query's decoder reads: a code in none of its table's rows, lamp hours that are not
// digits, temperatures that are not three numbers, a pressure reading that is not a number or
// is out of range.
std::optional<QueryValue> queryValue(QueryDecoder decoder, std::string_view reply);

// The value of a line taken as received (CR9, P-FAIL): a JSON string, one character per byte.
QueryValue lineValue(std::string_view reply);

// What each row of the panel's status table means, in the table's order.
struct PowerStatusMeaning {
    std::string_view power;     // on, standby, warming-up, cooling-down, power-fail
    std::string_view warnings;  // comma-separated, or empty
};
inline constexpr std::array<PowerStatusMeaning, kPowerStatusRows.size()> kPowerStatusMeanings{{
    {"on", ""},
    {"standby", ""},
    {"warming-up", ""},
    {"cooling-down", ""},
    {"power-fail", ""},
    {"on", "temperature"},
    {"on", "no-key-input"},
    {"on", "lamp-off-by-power-management"},
    {"cooling-down", "temperature"},
    {"cooling-down", "lamp-off-by-power-management,temperature"},
    {"standby", "temperature-recovered"},
    {"cooling-down", "all-lamps-failed"},
    {"standby", "all-lamps-failed"},
}};

}  // namespace r7k
