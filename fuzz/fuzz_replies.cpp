// Fuzz target for the reply decoders: any received bytes, after any command, must decode
// without a crash into a printable status line and a pressure within the formula's range.
//
// Input: one selector byte, then the received bytes. The selector's low four bits pick a query
// (0-8) whose command is sent in a near-miss form chosen by the high four bits, or (9-15) take
// the received bytes themselves as the last command.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/traffic.h"
#include "replies/decoders.h"

namespace {

using r7k::DecodeResult;
using r7k::QueryDecoder;

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "decoder invariant broken: %s\n", what);
        std::abort();
    }
}

bool isPrintable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool same(const DecodeResult& a, const DecodeResult& b) {
    return a.status == b.status && a.pressure == b.pressure;
}

bool unchanged(const DecodeResult& r) {
    return !r.status && !r.pressure;
}

// Reference reading: the number's characters without the skipped blanks, converted by strtod
// (C locale): a second, independent conversion of the same digits.
double referenceReading(std::string_view text) {
    std::string compact;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            compact += c;
    }
    std::size_t n = 0;
    if (n < compact.size() && (compact[n] == '+' || compact[n] == '-'))
        ++n;
    const std::size_t digitsFrom = n;
    while (n < compact.size() && std::isdigit(static_cast<unsigned char>(compact[n])))
        ++n;
    if (n < compact.size() && compact[n] == '.') {
        ++n;
        while (n < compact.size() && std::isdigit(static_cast<unsigned char>(compact[n])))
            ++n;
    }
    std::string number = compact.substr(0, n);
    if (number.find_first_of("0123456789", digitsFrom) == std::string::npos)
        return 0.0;
    return std::strtod(number.c_str(), nullptr);
}

void checkDecoder(QueryDecoder decoder, std::string_view rxd, const DecodeResult& r) {
    if (r.status)
        require(isPrintable(*r.status), "status line not printable ASCII");
    if (r.pressure) {
        require(decoder == QueryDecoder::Pressure, "PressureValue set by a non-pressure decoder");
        require(*r.pressure >= -6865 && *r.pressure <= 7077, "pressure outside -6865..7077");
        require(r.status == std::to_string(*r.pressure) + " hPa", "pressure line and value differ");
    }
    if (const r7k::ReplyTable* table = r7k::replyTableFor(decoder)) {
        if (r.status) {
            const bool inTable =
                std::any_of(table->rows.begin(), table->rows.end(),
                            [&](const auto& row) { return row.status == *r.status; });
            require(inTable, "table decoder wrote a text of no row");
        }
        return;
    }
    switch (decoder) {
        case QueryDecoder::LampHours:
            require(r.status && r.status->size() <= 38 + 9 && r.status->ends_with(" Hour Use") &&
                        rxd.starts_with(r.status->substr(0, r.status->size() - 9)),
                    "lamp-hours line");
            break;
        case QueryDecoder::Temperatures:
            require(r.status && r.status->starts_with("  S1=") && r.status->size() <= 55,
                    "temperature line");
            break;
        case QueryDecoder::WholeText:
            require(r.status && *r.status == rxd, "whole text not shown unchanged");
            break;
        case QueryDecoder::Pressure: {
            require(r.status.has_value() == r.pressure.has_value(), "pressure line without value");
            const double reading = r7k::readNumber(rxd);
            require(reading == referenceReading(rxd), "reading differs from strtod");
            const auto n = r7k::roundToInt16(reading);
            require(r.pressure.has_value() == (n && *n >= -6553 && *n <= 6553),
                    "pressure set for a reading out of range, or missing for one in range");
            break;
        }
        default:
            break;
    }
}

// The command string for a query in one of sixteen forms; only form 0 is the exact one.
std::string nearMiss(std::string_view code, unsigned form) {
    std::string c(code);
    switch (form) {
        case 0:
            return c + "\r";
        case 1:
            return c;
        case 2:
            return c + " \r";
        case 3:
            std::transform(c.begin(), c.end(), c.begin(),
                           [](unsigned char ch) { return std::tolower(ch); });
            return c + "\r";
        case 4:
            return " " + c + "\r";
        case 5:
            return c + "\r\r";
        case 6:
            return c + "\n";
        case 7:
            return c.substr(0, c.size() - 1) + "\r";
        default:
            return "P" + c + "\r";  // a prefix the panel does not use
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const unsigned selector = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string rxd = r7k::trafficText(bytes);

    require(isPrintable(rxd), "traffic text not printable");

    std::array<DecodeResult, r7k::kQueryTable.size()> byQuery;
    for (std::size_t i = 0; i < r7k::kQueryTable.size(); ++i) {
        const r7k::QueryEntry& query = r7k::kQueryTable[i];
        const std::string command = std::string(query.code) + "\r";
        byQuery[i] = r7k::decodeReply("", command, rxd);
        checkDecoder(query.decoder, rxd, byQuery[i]);
        require(same(r7k::decodeReply("P", "P" + command, rxd), byQuery[i]),
                "prefixed command decodes differently");
    }

    const unsigned pick = selector & 0x0F;
    if (pick < r7k::kQueryTable.size()) {
        const unsigned form = selector >> 4;
        const DecodeResult r =
            r7k::decodeReply("", nearMiss(r7k::kQueryTable[pick].code, form), rxd);
        require(form == 0 ? same(r, byQuery[pick]) : unchanged(r),
                "near-miss command decoded, or exact command not");
    } else {
        // Any other last command decodes only if it is exactly one of the nine.
        const DecodeResult r = r7k::decodeReply("", bytes, rxd);
        DecodeResult expected;
        for (std::size_t i = 0; i < r7k::kQueryTable.size(); ++i) {
            if (bytes == std::string(r7k::kQueryTable[i].code) + "\r")
                expected = byQuery[i];
        }
        require(same(r, expected), "arbitrary command decoded wrongly");
    }

    // The decoders are handed text, not only traffic text: raw bytes must be safe as well.
    for (const r7k::QueryEntry& query : r7k::kQueryTable) {
        const DecodeResult r = r7k::runDecoder(query.decoder, bytes);
        if (r.pressure)
            require(*r.pressure >= -6865 && *r.pressure <= 7077, "raw pressure range");
    }
    return 0;
}
