#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/answers.h"
#include "session/values.h"

namespace r7k::session {

// How a step or an exchange ended: a lone ACK or NAK, a reply ended by CR, an answer other
// than the one its command is answered with, no reply in time, the port lost, or a pause over.
enum class Outcome : std::uint8_t { Ack, Nak, Reply, Unexpected, Timeout, Lost, Waited };

std::string_view outcomeName(Outcome outcome);

inline constexpr char kAck = '\x06';
inline constexpr char kNak = '\x15';
// Each ends an answer.
inline constexpr std::string_view kAnswerEnds = "\r\x06\x15";

// An answer held against what its command is answered with.
struct Judgement {
    Outcome outcome = Outcome::Unexpected;
    std::optional<Value> value;       // a query's value
    std::optional<std::string> line;  // a line taken as it came (CR9, P-FAIL)
};

// `answer`: what came for the command, up to and including the CR, ACK or NAK that ended it.
Judgement judge(const Expectation& expected, std::string_view answer);

// The query whose reply a decoder reads (none for the whole-text decoder).
std::optional<Query> queryFor(QueryDecoder decoder);

}  // namespace r7k::session
