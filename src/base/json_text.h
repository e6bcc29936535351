#pragma once

#include <string>
#include <string_view>

namespace r7k {

// Bytes as a JSON string in which every character stands for one byte, its code point being the
// byte's value (0 to 255), so any byte survives the trip through a JSON parser.
void appendJsonBytes(std::string& out, std::string_view bytes);

// UTF-8 text as a JSON string; a byte that is not valid UTF-8 becomes U+FFFD.
void appendJsonText(std::string& out, std::string_view text);

}  // namespace r7k
