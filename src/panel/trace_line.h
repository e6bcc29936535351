#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace r7k {

// The tag a traced line is logged under ("TXD", "RXD", "STATUS"), or empty for a control whose
// text is not traced.
std::string_view traceTag(std::string_view control);

// One line of --trace output: milliseconds since start, a tab, the tag, a tab, the text exactly
// as set, a newline.
std::string traceLine(std::int64_t milliseconds, std::string_view tag, std::string_view text);

// The traffic lines are about 375 px wide and left-aligned; no glyph of their fonts is
// narrower than a pixel, so this many bytes always fill them. The rest could never be seen,
// and painting a 100,000-character line costs tens of milliseconds.
inline constexpr std::size_t kShownBytes = 512;

// The first bytes of `text` that can show on a traffic line, cut at a character boundary.
std::string_view shownPart(std::string_view text);

}  // namespace r7k
