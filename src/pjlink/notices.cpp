#include "pjlink/notices.h"

#include <algorithm>
#include <cctype>

#include "pjlink/mapping.h"
#include "session/commands.h"

namespace r7k::pjlink {

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

void StatusWatch::track(Told& told, const std::string& now, std::string_view body,
                        std::vector<std::string>& out) {
    if ((told.value || told.changing) && told.value != now)
        out.push_back("%2" + std::string(body) + "=" + now + "\r");
    told.value = now;
    told.changing = false;
}

std::vector<std::string> StatusWatch::see(const session::Value& value) {
    std::vector<std::string> out;
    if (const auto* status = std::get_if<session::PowerStatus>(&value)) {
        track(m_power, std::string(1, powerDigit(*status)), "POWR", out);
        track(m_errors, errorDigits(*status), "ERST", out);
    } else if (const auto* input = std::get_if<session::Input>(&value)) {
        if (const auto pjlink = pjlinkInput(*input))
            track(m_input, std::string(*pjlink), "INPT", out);
    }
    return out;
}

void StatusWatch::taken(std::string_view code) {
    if (code == session::kPowerOn.code || code == session::kPowerOff.code)
        m_power.changing = m_errors.changing = true;
    for (const session::Command& input : session::kInputs) {
        if (code == input.code)
            m_input.changing = true;
    }
}

bool SearchPace::allow(std::chrono::microseconds now) {
    if (now - m_second >= std::chrono::seconds{1}) {
        m_second = now;
        m_answers = 0;
    }
    return ++m_answers <= kPerSecond;
}

}  // namespace r7k::pjlink
