#include "protocol/answers.h"

#include "protocol/catalogue.h"

namespace r7k {
namespace {

constexpr std::string_view kPowerFailQuery = "CR INFPFAIL";

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

}  // namespace r7k
