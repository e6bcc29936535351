// Fuzz target for the traffic text: any bytes, split anywhere, render to the same printable
// text as in one piece, one token per byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/traffic.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "traffic invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t split = data[0] % size;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string whole = r7k::trafficText(bytes);
    require(!whole.empty() && whole[0] == ' ', "starts with a blank");
    std::size_t tokens = 0;
    for (char c : whole) {
        require(c >= 0x20 && c <= 0x7A, "only blanks, letters, digits and marks");
        tokens += c == ' ';
    }
    // Every token but "&" ends in a blank.
    std::size_t ampersands = 0;
    for (char b : bytes)
        ampersands += b == 0x14;
    std::size_t blanksInSource = 0;
    for (char b : bytes)
        blanksInSource += b == ' ';
    require(tokens == 1 + bytes.size() - ampersands + blanksInSource, "one token per byte");
    std::string pieces = " ";
    const std::size_t at = split < bytes.size() ? split : bytes.size();
    r7k::appendTraffic(pieces, bytes.substr(0, at));
    r7k::appendTraffic(pieces, bytes.substr(at));
    require(pieces == whole, "pieces render as the whole");
    return 0;
}
