#include "win/box_text.h"

#include <vector>

namespace r7k::win {
namespace {

constexpr std::string_view kEllipsis = "\u2026";

bool continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t characters(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s)
        n += continuation(c) ? 0 : 1;
    return n;
}

// The byte offset of character `n` (the size when there are fewer).
std::size_t offsetOf(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        if (!continuation(s[i]) && n-- == 0)
            break;
    }
    return i;
}

// The first and last characters of `s`, `keep` in all, an ellipsis between them.
std::string middleCut(std::string_view s, std::size_t keep) {
    const std::size_t count = characters(s);
    if (count <= keep)
        return std::string(s);
    const std::size_t head = (keep + 1) / 2;
    const std::size_t tail = keep - head;
    return std::string(s.substr(0, offsetOf(s, head))) + std::string(kEllipsis) +
           std::string(s.substr(offsetOf(s, count - tail)));
}

std::vector<std::string_view> split(std::string_view s, char at) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = s.find(at, start);
        parts.push_back(s.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::string join(const std::vector<std::string>& parts, char with) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? std::string(1, with) : std::string()) + parts[i];
    return out;
}

}  // namespace

std::string boxText(std::string_view utf8) {
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r'))
        utf8.remove_suffix(1);
    std::vector<std::string> lines;
    for (const std::string_view line : split(utf8, '\n')) {
        std::vector<std::string> words;
        for (const std::string_view word : split(line, ' '))
            words.push_back(middleCut(word, kBoxWordLimit - 1));
        lines.push_back(join(words, ' '));
    }
    if (lines.size() > kBoxLineLimit) {
        // The first lines say what happened, the last ones often why: both stay.
        const std::size_t tail = (kBoxLineLimit - 1) / 2;
        lines.erase(lines.begin() + std::ptrdiff_t(kBoxLineLimit - 1 - tail),
                    lines.end() - std::ptrdiff_t(tail));
        lines.insert(lines.end() - std::ptrdiff_t(tail), std::string(kEllipsis));
    }
    return middleCut(join(lines, '\n'), kBoxTextLimit - 1);
}

}  // namespace r7k::win
