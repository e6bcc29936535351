#include "link/trace_line.h"

namespace r7k {

std::string_view traceTag(std::string_view control) {
    if (control == "Label11")
        return "TXD";
    if (control == "Label12")
        return "RXD";
    if (control == "Label22")
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
    std::size_t end = kShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

}  // namespace r7k
