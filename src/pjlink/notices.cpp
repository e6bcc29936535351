#include "pjlink/notices.h"

#include <algorithm>
#include <cctype>

#include "pjlink/mapping.h"

namespace r7k::pjlink {
namespace {

// `value` becomes `now`; a notification of it when it was known and differed.
void track(std::optional<std::string>& value, const std::string& now, std::string_view body,
           std::vector<std::string>& out) {
    if (value && *value != now)
        out.push_back("%2" + std::string(body) + "=" + now + "\r");
    value = now;
}

}  // namespace

bool isSearch(std::string_view datagram) {
    if (datagram.size() >= 2 && datagram.substr(datagram.size() - 2) == "\r\n")
        datagram.remove_suffix(1);
    constexpr std::string_view kSearch = "%2SRCH\r";
    return std::equal(
        datagram.begin(), datagram.end(), kSearch.begin(), kSearch.end(),
        [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

std::optional<std::string> searchAnswer(std::string_view datagram, std::string_view mac) {
    if (!isSearch(datagram))
        return std::nullopt;
    return "%2ACKN=" + std::string(mac) + "\r";
}

std::string linkUp(std::string_view mac) {
    return "%2LKUP=" + std::string(mac) + "\r";
}

std::vector<std::string> StatusWatch::see(const ctl::StepResult& result) {
    std::vector<std::string> out;
    if (!result.step || !result.value)
        return out;  // no reply, or not one that says anything
    if (result.step->word == "status") {
        track(m_power, std::string(1, powerState(result)), "POWR", out);
        track(m_errors, errorStatus(result), "ERST", out);
    } else if (result.step->word == "mode") {
        if (const auto input = pjlinkInput(result))
            track(m_input, std::string(*input), "INPT", out);
    }
    return out;
}

}  // namespace r7k::pjlink
