// Fuzz target for the traffic text: any bytes, split anywhere, render to the same printable
// text as in one piece.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/traffic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t at = data[0] % size;
    const std::string whole = r7k::trafficText(bytes);
    std::string pieces = " ";
    r7k::appendTraffic(pieces, bytes.substr(0, at));
    r7k::appendTraffic(pieces, bytes.substr(at));
    bool printable = whole[0] == ' ';
    for (char c : whole)
        printable = printable && c >= 0x20 && c <= 0x7A;
    if (!printable || pieces != whole || whole.size() > 1 + 4 * bytes.size()) {
        std::fprintf(stderr, "traffic text broken\n");
        std::abort();
    }
    return 0;
}
