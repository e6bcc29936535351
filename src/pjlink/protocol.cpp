#include "pjlink/protocol.h"

#include <algorithm>
#include <utility>

namespace r7k::pjlink {
namespace {

bool isBodyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// 32 hex digits and then the request's "%": a password's digest.
bool startsWithDigest(std::string_view line) {
    if (line.size() <= kDigestLength || line[kDigestLength] != '%')
        return false;
    return std::all_of(line.begin(), line.begin() + kDigestLength, isHex);
}

// Compares every character, so the time taken says nothing of where a wrong digest differs.
bool sameDigest(std::string_view given, std::string_view expected) {
    if (given.size() != expected.size())
        return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < given.size(); ++i)
        differ |= static_cast<unsigned char>(lower(given[i]) ^ expected[i]);
    return differ == 0;
}

}  // namespace

std::optional<Request> parseRequest(std::string_view line) {
    if (line.size() < 6 || line[0] != '%' || line[1] < '0' || line[1] > '9')
        return std::nullopt;
    Request request;
    request.cls = line[1];
    for (std::size_t i = 2; i < 6; ++i) {
        const char c = upper(line[i]);
        if (!isBodyChar(c))
            return std::nullopt;
        request.body += c;
    }
    // The separator is one blank; anything else where it stands leaves no parameter, which
    // every command refuses as out of parameter.
    if (line.size() > 6 && line[6] == ' ')
        request.param = std::string(line.substr(7));
    else if (line.size() > 6)
        request.param.assign(1, '\x01');  // no parameter that any command takes
    return request;
}

std::string response(const Request& request, std::string_view result) {
    std::string line = "%";
    line += request.cls;
    line += request.body;
    line += '=';
    line += result;
    line += '\r';
    return line;
}

std::string greeting(std::string_view random) {
    return random.empty() ? "PJLINK 0\r" : "PJLINK 1 " + std::string(random) + "\r";
}

Intake Session::take(std::string_view bytes) {
    // The rest of a line cut off by a close, or a second try at the digest, is never read.
    if (m_closed)
        return {{}, false, {}, true, "input after the close"};
    Intake intake;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (std::exchange(m_skipping, false))
                intake.activity = true;
            else
                endLine(intake);
        } else if (m_skipping || (m_line.empty() && (c == ' ' || c == '\t'))) {
            continue;  // the rest of an over-long line, or blanks before a request
        } else {
            m_line += c;
            const bool digest = startsWithDigest(m_line);
            if (m_line.size() + 1 > kMaxLine + (digest ? kDigestLength : 0))
                overflow(intake);
        }
        if (intake.close)
            break;
    }
    m_closed = intake.close;
    return intake;
}

bool Session::takeDigest(std::string_view& line, Intake& intake) {
    const bool given = startsWithDigest(line);
    if (!m_digest.empty() && ((!given && !m_authenticated) ||
                              (given && !sameDigest(line.substr(0, kDigestLength), m_digest)))) {
        intake.reply = "PJLINK ERRA\r";
        intake.close = true;
        intake.why = "a wrong or missing password digest";
        intake.requests.clear();
        return false;
    }
    if (given) {
        m_authenticated = true;
        line.remove_prefix(kDigestLength);
    }
    return true;
}

void Session::endLine(Intake& intake) {
    const std::string whole = std::exchange(m_line, {});
    intake.activity = true;
    std::string_view line = whole;
    if (line.empty())
        return;  // a bare CR, or the LF of a CR LF
    if (!takeDigest(line, intake))
        return;
    auto request = parseRequest(line);
    if (!request) {
        intake.close = true;
        intake.why = "a line that is no request";
        return;
    }
    intake.requests.push_back(std::move(*request));
}

void Session::overflow(Intake& intake) {
    std::string_view line = m_line;
    if (!takeDigest(line, intake))
        return;
    auto request = parseRequest(line.substr(0, 6));
    if (!request) {
        intake.close = true;
        intake.why = "a line longer than 136 bytes that is no request";
        return;
    }
    request->overLong = true;
    intake.requests.push_back(std::move(*request));
    intake.activity = true;
    m_line.clear();
    m_skipping = true;
}

}  // namespace r7k::pjlink
