#pragma once

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

}  // namespace r7k
