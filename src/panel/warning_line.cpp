#include "panel/warning_line.h"

#include <ctime>

namespace r7k {

namespace {
constexpr std::size_t npos = std::string_view::npos;
}  // namespace

std::string warningLine(std::string_view program, std::string_view text,
                        std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char stamp[32] = "";
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string line = std::string(program) + ": " + stamp + " ";
    constexpr std::string_view kBlank = " \t\r";
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view piece = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t from = piece.find_first_not_of(kBlank);
        if (from == std::string_view::npos)
            continue;  // a blank line between paragraphs
        piece = piece.substr(from, piece.find_last_not_of(kBlank) - from + 1);
        const bool sentenceEnded = std::string_view(".!?:;").find(line.back()) != npos;
        if (!first)
            line += sentenceEnded ? " " : "; ";
        line += piece;
        first = false;
    }
    line += '\n';
    return line;
}

}  // namespace r7k
