#include "panel/caption_fit.h"

#include <algorithm>

namespace r7k {

namespace {

// The length in bytes of the UTF-8 character that starts at `text[i]`.
std::size_t charLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(n, text.size() - i);
}

}  // namespace

std::vector<std::string> wrapCaption(std::string_view caption, const MeasureText& advance,
                                     int width) {
    if (width <= 0 || advance(caption) <= width)
        return {std::string(caption)};
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < caption.size();) {
        const std::size_t n = charLength(caption, i);
        const std::string_view ch = caption.substr(i, n);
        i += n;
        if (line.empty() || advance(line + std::string(ch)) <= width) {
            line += ch;
            continue;
        }
        const std::size_t blank = line.rfind(' ');
        if (ch == " ") {
            lines.push_back(std::move(line));
            line.clear();
        } else if (blank != std::string::npos && blank > 0) {
            lines.push_back(line.substr(0, blank));
            line = line.substr(blank + 1) + std::string(ch);
        } else {
            lines.push_back(std::move(line));
            line = ch;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

FittedCaption fitCaption(double points, const std::function<CaptionTrial(double)>& tryAt) {
    for (;;) {
        CaptionTrial trial = tryAt(points);
        // Not "points <= smallest": a size that is not a number would never get there.
        if (trial.fits || !(points > kSmallestCaptionPoints))
            return {points, std::move(trial.lines)};
        points -= kCaptionPointStep;
    }
}

}  // namespace r7k
