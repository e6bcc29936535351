#pragma once

#include <string>
#include <string_view>

namespace r7k {

// The bytes a typed text goes out as: every character up to U+00FF as its own byte, any
// other character (and any malformed UTF-8 sequence) as "?", as a single-byte code page
// would send it.
std::string toSingleByte(std::string_view utf8);

}  // namespace r7k
