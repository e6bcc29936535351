#pragma once

#include <string>
#include <string_view>

namespace r7k {

// The readable token of one byte on the TXD/RXD lines.
std::string_view trafficToken(unsigned char c);

// Appends the tokens of `bytes` to an existing traffic text (which already holds its
// leading blank), so a growing receive buffer is rendered piece by piece.
void appendTraffic(std::string& text, std::string_view bytes);

// The traffic text of a byte string: a blank, then one token per byte.
std::string trafficText(std::string_view bytes);

}  // namespace r7k
