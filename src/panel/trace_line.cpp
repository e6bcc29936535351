#include "panel/trace_line.h"
#include "panel/controls.h"

namespace r7k {

std::string_view traceTag(std::string_view control) {
    if (control == control::kTxdLine)
        return "TXD";
    if (control == control::kRxdLine)
        return "RXD";
    if (control == control::kStatusLine)
        return "STATUS";
    return {};
}

std::string traceLine(std::int64_t milliseconds, std::string_view tag, std::string_view text) {
    std::string line = std::to_string(milliseconds);
    line += '\t';
    line += tag;
    line += '\t';
    line += text;
    line += '\n';
    return line;
}

std::string_view shownPart(std::string_view text) {
    if (text.size() <= kShownBytes)
        return text;
    // Back to the start of the character at the cut: at most three bytes, as a UTF-8 character
    // has at most four; bytes that are not UTF-8 are cut where they are, not dropped whole.
    std::size_t end = kShownBytes;
    while (end > kShownBytes - 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

}  // namespace r7k
