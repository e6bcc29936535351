#pragma once

#include <string>
#include <string_view>

namespace r7k::pjlink {

// MD5 (RFC 1321) of `bytes` as 32 lower-case hex digits: what PJLink's authentication asks for.
// Written out here so that every platform computes it alike, without a crypto library.
std::string md5Hex(std::string_view bytes);

}  // namespace r7k::pjlink
