#include "transport/line_settings.h"

#include <charconv>
#include <vector>

namespace r7k {
namespace {

std::optional<int> number(std::string_view s) {
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view settings) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = settings.find(',', start);
        fields.push_back(settings.substr(start, comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 4 || fields[1].size() != 1)
        return std::nullopt;
    LineSettings s;
    const auto baud = number(fields[0]);
    const auto data = number(fields[2]);
    const auto stop = number(fields[3]);
    s.parity = fields[1][0];
    if (!baud || *baud <= 0 || !data || *data < 5 || *data > 8 || !stop ||
        (*stop != 1 && *stop != 2) ||
        std::string_view("NEOMS").find(s.parity) == std::string_view::npos) {
        return std::nullopt;
    }
    s.baud = *baud;
    s.dataBits = *data;
    s.stopBits = *stop;
    return s;
}

}  // namespace r7k
