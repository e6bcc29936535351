#pragma once

#include <optional>
#include <string_view>

namespace r7k {

// A settings string such as "19200,N,8,1" taken apart.
struct LineSettings {
    int baud = 0;
    char parity = 'N';  // N, E, O, M or S
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1 or 2 (1.5 is not offered by the panel)
};

// Reads "baud,parity,data,stop"; nullopt for anything malformed or out of range.
std::optional<LineSettings> parseLineSettings(std::string_view settings);

}  // namespace r7k
