#include "protocol/decoders.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace r7k {
namespace {

constexpr std::size_t kLampHoursLength = 38;
constexpr std::string_view kHourUse = " Hour Use";

bool isSkippedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// prefix + code + CR, compared without building the string.
bool isQuery(std::string_view prefix, std::string_view code, std::string_view lastCommand) {
    return lastCommand.size() == prefix.size() + code.size() + 1 &&
           lastCommand.substr(0, prefix.size()) == prefix &&
           lastCommand.substr(prefix.size(), code.size()) == code && lastCommand.back() == '\r';
}

DecodeResult tableResult(QueryDecoder decoder, std::string_view rxd) {
    if (auto status = lookupReplyCode(*replyTableFor(decoder), rxd)) {
        return {std::string(*status), std::nullopt};
    }
    return {};
}

}  // namespace

std::string_view cut(std::string_view text, std::size_t from, std::size_t to) {
    if (from == 0 || from > text.size() || to < from)
        return {};
    return text.substr(from - 1, to - from + 1);
}

std::optional<std::string_view> lookupReplyCode(const ReplyTable& table, std::string_view rxd) {
    const std::string_view code = cut(rxd, 1, table.codeLength);
    std::optional<std::string_view> status;
    // Every row is tested; codes are unique, so at most one matches.
    for (const ReplyRow& row : table.rows) {
        if (row.code == code)
            status = row.status;
    }
    return status;
}

const ReplyTable* replyTableFor(QueryDecoder decoder) {
    switch (decoder) {
        case QueryDecoder::PowerStatus:
            return &kPowerStatusTable;
        case QueryDecoder::InputMode:
            return &kInputModeTable;
        case QueryDecoder::Setting:
            return &kSettingTable;
        case QueryDecoder::Mute:
            return &kMuteTable;
        case QueryDecoder::LampMode:
            return &kLampModeTable;
        case QueryDecoder::LampHours:
        case QueryDecoder::Temperatures:
        case QueryDecoder::WholeText:
        case QueryDecoder::Pressure:
            break;
    }
    return nullptr;
}

std::string lampHoursLine(std::string_view rxd) {
    std::string line(cut(rxd, 1, kLampHoursLength));
    line += kHourUse;
    return line;
}

std::string temperatureLine(std::string_view rxd) {
    // The second cut is 8 characters from 15, not 10 from 13: the original layout.
    std::string line = "  S1=";
    line += cut(rxd, 1, 10);
    line += " C  ,   S2= ";
    line += cut(rxd, 15, 22);
    line += " C , S3=";
    line += cut(rxd, 25, 34);
    line += " C";
    return line;
}

double readNumber(std::string_view text) {
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && isSkippedBlank(text[i]))
            ++i;
    };

    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Gather the digits without the blanks between them, so one correctly rounded conversion
    // gives the value. Leading zeros are dropped: whether an integer part remains tells an
    // overflow from an underflow below.
    std::string digits;
    bool integerPart = false;
    for (skipBlanks(); i < text.size() && isDigit(text[i]); ++i, skipBlanks()) {
        if (!integerPart && text[i] == '0')
            continue;
        digits += text[i];
        integerPart = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += '.';  // "7." reads as 7
        for (skipBlanks(); i < text.size() && isDigit(text[i]); ++i, skipBlanks())
            digits += text[i];
    }

    // No digits at all ("", ".") do not convert and read as 0: a failed conversion leaves
    // the value as it was.
    double value = 0.0;
    const std::errc ec = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                         std::chars_format::fixed)
                             .ec;
    if (ec == std::errc::result_out_of_range)
        value = integerPart ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::optional<std::int16_t> roundToInt16(double value) {
    // Also rejects NaN; keeps the arithmetic below far from any integer overflow.
    if (!(value > -32769.0 && value < 32768.0))
        return std::nullopt;
    const double lower = std::floor(value);
    const double fraction = value - lower;  // exact for this magnitude
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        rounded += 1.0;
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> pressureFromReading(std::int16_t reading) {
    if (reading < -kPressureReadingLimit || reading > kPressureReadingLimit)
        return std::nullopt;
    const auto product = static_cast<std::int16_t>(reading * kPressureMultiplier);
    const double hpa =
        (product / kPressureDivisor - kPressureOffset) / kPressureSlope + kPressureBase;
    return roundToInt16(hpa);
}

DecodeResult decodePressure(std::string_view rxd) {
    // A reading whose product would overflow 16 bits leaves line and value as they were,
    // instead of ending the program.
    const std::optional<std::int16_t> reading = roundToInt16(readNumber(rxd));
    if (!reading)
        return {};
    const std::optional<std::int16_t> hpa = pressureFromReading(*reading);
    if (!hpa)
        return {};
    return {std::to_string(*hpa) + " hPa", *hpa};
}

DecodeResult runDecoder(QueryDecoder decoder, std::string_view rxd) {
    switch (decoder) {
        case QueryDecoder::PowerStatus:
        case QueryDecoder::InputMode:
        case QueryDecoder::Setting:
        case QueryDecoder::Mute:
        case QueryDecoder::LampMode:
            return tableResult(decoder, rxd);
        case QueryDecoder::LampHours:
            return {lampHoursLine(rxd), std::nullopt};
        case QueryDecoder::Temperatures:
            return {temperatureLine(rxd), std::nullopt};
        case QueryDecoder::WholeText:
            return {std::string(rxd), std::nullopt};
        case QueryDecoder::Pressure:
            return decodePressure(rxd);
    }
    return {};
}

DecodeResult decodeReply(std::string_view commandPrefix, std::string_view lastCommand,
                         std::string_view rxdText) {
    DecodeResult result;
    // Every entry is tested; the nine command strings differ, so at most one runs.
    for (const QueryEntry& query : kQueryTable) {
        if (isQuery(commandPrefix, query.code, lastCommand)) {
            result = runDecoder(query.decoder, rxdText);
        }
    }
    return result;
}

}  // namespace r7k
