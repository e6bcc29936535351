#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace r7k {

// What one decoding step yields: a new status line (none = the line keeps its text) and a new
// PressureValue (none = unchanged).
struct DecodeResult {
    std::optional<std::string> status;
    std::optional<std::int16_t> pressure;
};

// Which decoder a query's reply goes to.
enum class QueryDecoder : std::uint8_t {
    PowerStatus,
    InputMode,
    Setting,
    LampHours,
    Temperatures,
    Mute,
    WholeText,
    Pressure,
    LampMode,
};

// One query the dispatch knows: its command code (sent after the prefix, before a CR).
struct QueryEntry {
    int order = 0;
    std::string_view code;
    QueryDecoder decoder = QueryDecoder::PowerStatus;
};

// Tested in this order, every entry on every call.
inline constexpr std::array<QueryEntry, 9> kQueryTable{{
    {1, "CR0", QueryDecoder::PowerStatus},
    {2, "CR1", QueryDecoder::InputMode},
    {3, "CR4", QueryDecoder::Setting},
    {4, "CR3", QueryDecoder::LampHours},
    {5, "CR6", QueryDecoder::Temperatures},
    {6, "CRA", QueryDecoder::Mute},
    {7, "CR9", QueryDecoder::WholeText},
    {8, "CR PRESSURE", QueryDecoder::Pressure},
    {9, "CR7", QueryDecoder::LampMode},
}};

// One row of a reply-code table: the code as it stands at the start of the RXD text, and the
// status line it gives.
struct ReplyRow {
    std::string_view code;
    std::string_view status;
};

// A reply-code table: how many RXD characters form the code, and the rows in test order.
struct ReplyTable {
    std::string_view query;
    std::size_t codeLength = 4;
    std::span<const ReplyRow> rows;
};

inline constexpr std::array<ReplyRow, 13> kPowerStatusRows{{
    {" 0 0", " Power ON"},
    {" 8 0", " Stand by"},
    {" 4 0", " Count down"},
    {" 2 0", " Cooling down"},
    {" 1 0", " Power Fail"},
    {" 0 8", " Temperature Warning(Power ON)"},
    {" 0 2", " NO Key input "},
    {" 0 4", " Lamp OFF by PWR Management"},
    {" 2 8", " Temperature Warning & cooling down"},
    {" 2 4", " Lamp OFF & Tempereture Warning by PWR Management"},
    {" 8 8", " Temperature Warning and recoverd"},
    {" 2 1", " Cooling down (All Lamp FAIL)"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)"},
}};

inline constexpr std::array<ReplyRow, 4> kInputModeRows{{
    {" 1", " Input mode 1"},
    {" 2", " Input mode 2"},
    {" 3", " Input mode 3"},
    {" 4", " Input mode 4"},
}};

inline constexpr std::array<ReplyRow, 4> kSettingRows{{
    {" 1 1", " Normally"},
    {" 1 0", " Top/Bottom reversal"},
    {" 0 1", " Left/Right reversal"},
    {" 0 0", " Top/Bottom , Left/Right reversal"},
}};

inline constexpr std::array<ReplyRow, 6> kMuteRows{{
    {" 0 0", " Video & Audio mute OFF"},
    {" 0 1", " Video mute ON"},
    {" 0 2", " Audio mute ON"},
    {" 0 3", " Video & Audio mute ON"},
    {" 8 0", " No signal"},
    {" F F", " Stand by"},
}};

inline constexpr std::array<ReplyRow, 8> kLampModeRows{{
    {" 0 0", " All OFF : 2 Lamp mode"},
    {" 0 1", " No1 ON  : 2 Lamp mode"},
    {" 0 2", " No2 ON  : 2 Lamp mode"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)"},
}};

// The input-mode code is one reply character (two RXD characters); the others are two.
inline constexpr ReplyTable kPowerStatusTable{"CR0", 4, kPowerStatusRows};
inline constexpr ReplyTable kInputModeTable{"CR1", 2, kInputModeRows};
inline constexpr ReplyTable kSettingTable{"CR4", 4, kSettingRows};
inline constexpr ReplyTable kMuteTable{"CRA", 4, kMuteRows};
inline constexpr ReplyTable kLampModeTable{"CR7", 4, kLampModeRows};

inline constexpr std::array<const ReplyTable*, 5> kReplyTables{
    &kPowerStatusTable, &kInputModeTable, &kSettingTable, &kMuteTable, &kLampModeTable};

// Checked when the program is built: in every table, codes have the table's length, codes and
// lines start with a blank, and no code occurs twice.
constexpr bool replyTablesAreSound() {
    for (const ReplyTable* table : kReplyTables) {
        for (std::size_t i = 0; i < table->rows.size(); ++i) {
            const ReplyRow& row = table->rows[i];
            if (row.code.size() != table->codeLength || row.code[0] != ' ' || row.status[0] != ' ')
                return false;
            for (std::size_t j = i + 1; j < table->rows.size(); ++j) {
                if (table->rows[j].code == row.code)
                    return false;
            }
        }
    }
    return true;
}
static_assert(replyTablesAreSound(), "a reply table row is malformed or repeats a code");

// Pressure formula: (N * 5 / 1024 - 0.204) / 0.00459 + 150, N the 16-bit reading.
inline constexpr int kPressureMultiplier = 5;
inline constexpr double kPressureDivisor = 1024.0;
inline constexpr double kPressureOffset = 0.204;
inline constexpr double kPressureSlope = 0.00459;
inline constexpr double kPressureBase = 150.0;
// N * 5 must fit in 16 bits.
inline constexpr std::int16_t kPressureReadingLimit = 6553;

// Characters `from` to `to` of `text`, counted from 1, both included. A range running past
// the end yields only what is there; one starting past the end (or with to < from) is empty.
// `from` must be at least 1.
std::string_view cut(std::string_view text, std::size_t from, std::size_t to);

// The table decoder: the status line of the row whose code equals the first codeLength
// characters of the RXD text, or none when no row does.
std::optional<std::string_view> lookupReplyCode(const ReplyTable& table, std::string_view rxd);

// The reply table a decoder uses, or nullptr for the four decoders that are not tables.
const ReplyTable* replyTableFor(QueryDecoder decoder);

// "CR3": the first 38 RXD characters (the reply's first 19) followed by " Hour Use".
std::string lampHoursLine(std::string_view rxd);

// "CR6": three cuts of the RXD text (1-10, 15-22, 25-34) set into the temperature line.
std::string temperatureLine(std::string_view rxd);

// Reads the leading number of a text: blanks, tabs and line feeds are skipped wherever they
// stand; then an optional sign, digits, and an optional "." with more digits. Reading stops at
// the first character that cannot continue the number; no digits read as 0. No exponent and
// no radix prefix: "1e9" reads as 1, "&H10" as 0. The result is the nearest double; a number
// beyond the double range reads as +/-infinity, one too small for it as 0.
double readNumber(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour, independent of the
// floating-point rounding mode. None when the result does not fit in 16 bits or the value is
// not finite.
std::optional<std::int16_t> roundToInt16(double value);

// Pressure in hPa for a reading N. None when N * 5 would not fit in 16 bits
// (N outside -6553..6553); within range the result lies in -6865..7077.
std::optional<std::int16_t> pressureFromReading(std::int16_t reading);

// "CR PRESSURE": reading, formula and the "<P> hPa" line; PressureValue is set to P. A reading
// that does not fit changes nothing.
DecodeResult decodePressure(std::string_view rxd);

// Runs one decoder on an RXD text.
DecodeResult runDecoder(QueryDecoder decoder, std::string_view rxd);

// The dispatch: compares lastCommand with commandPrefix + query code + CR for each query in
// table order (exact and case-sensitive) and runs the matching query's decoder on rxdText.
// No match changes nothing.
DecodeResult decodeReply(std::string_view commandPrefix, std::string_view lastCommand,
                         std::string_view rxdText);

}  // namespace r7k
