#include "session/judge.h"

namespace r7k::session {

std::string_view outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ack:
            return "ack";
        case Outcome::Nak:
            return "nak";
        case Outcome::Reply:
            return "reply";
        case Outcome::Unexpected:
            return "unexpected";
        case Outcome::Timeout:
            return "timeout";
        case Outcome::Lost:
            return "lost";
        case Outcome::Waited:
            return "waited";
    }
    return "?";
}

std::optional<Query> queryFor(QueryDecoder decoder) {
    for (std::size_t i = 0; i < kQueryCount; ++i) {
        if (decoderOf(Query(i)) == decoder)
            return Query(i);
    }
    return std::nullopt;
}

Judgement judge(const Expectation& expected, std::string_view answer) {
    Judgement j;
    const std::size_t end = answer.find_first_of(kAnswerEnds);
    const char terminator = end == std::string_view::npos ? '\0' : answer[end];
    if (terminator == kNak) {
        j.outcome = Outcome::Nak;
        return j;
    }
    const std::string_view reply = answer.substr(0, end);
    const bool line = terminator == '\r';
    j.outcome = line ? Outcome::Reply : Outcome::Ack;
    switch (expected.answer) {
        case Answer::Ack:
            if (line)
                j.outcome = Outcome::Unexpected;
            return j;
        case Answer::AckOrLine:
            return j;
        case Answer::AnyLine:
            if (line)
                j.line = std::string(reply);
            if (!j.line)
                j.outcome = Outcome::Unexpected;
            return j;
        case Answer::Query:
            if (const auto query = queryFor(expected.decoder); line && query)
                j.value = decode(*query, reply);
            if (!j.value)
                j.outcome = Outcome::Unexpected;
            return j;
    }
    return j;
}

}  // namespace r7k::session
