// Fuzz target for the reply decoders: any received bytes, after any of the nine queries,
// decode without a crash into a printable line, a table decoder only into a row's line, and a
// pressure within the formula's range whose reading agrees with strtod.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/decoders.h"
#include "protocol/traffic.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "decoder invariant broken: %s\n", what);
        std::abort();
    }
}

// The number's characters without the skipped blanks, read by strtod: a second conversion.
double referenceReading(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    std::size_t n = s.size() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
    const std::size_t digits = n;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9')
        ++n;
    if (n < s.size() && s[n] == '.')
        for (++n; n < s.size() && s[n] >= '0' && s[n] <= '9';)
            ++n;
    s.resize(n);
    return s.find_first_of("0123456789", digits) == std::string::npos
               ? 0.0
               : std::strtod(s.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string rxd = r7k::trafficText(bytes);
    // Raw bytes as well as traffic text: the decoders must be safe on any text.
    for (const std::string_view text : {std::string_view(rxd), bytes}) {
        for (const r7k::QueryEntry& query : r7k::kQueryTable) {
            const r7k::DecodeResult r = r7k::runDecoder(query.decoder, text);
            if (text.data() == rxd.data() && r.status)
                require(std::all_of(r.status->begin(), r.status->end(),
                                    [](char c) { return c >= 0x20 && c <= 0x7E; }),
                        "status line not printable");
            if (const r7k::ReplyTable* table = r7k::replyTableFor(query.decoder); table && r.status)
                require(std::any_of(table->rows.begin(), table->rows.end(),
                                    [&](const auto& row) { return row.status == *r.status; }),
                        "table decoder wrote a text of no row");
            if (query.decoder != r7k::QueryDecoder::Pressure) {
                require(!r.pressure, "PressureValue set by another decoder");
                continue;
            }
            const double reading = r7k::readNumber(text);
            require(reading == referenceReading(text), "reading differs from strtod");
            const auto n = r7k::roundToInt16(reading);
            require(r.pressure.has_value() == (n && *n >= -6553 && *n <= 6553), "range");
            if (r.pressure)
                require(*r.pressure >= -6865 && *r.pressure <= 7077 &&
                            r.status == std::to_string(*r.pressure) + " hPa",
                        "pressure line and value");
        }
    }
    return 0;
}
