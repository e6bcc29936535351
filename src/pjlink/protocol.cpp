#include "pjlink/protocol.h"

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
        request.param = "\x01";  // no parameter that any command takes
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
    // The rest of a line cut off at the limit, or a second try at the digest, is never read.
    if (m_closed)
        return {{}, {}, true, "input after the close"};
    Intake intake = read(bytes);
    m_closed = intake.close;
    return intake;
}

Intake Session::read(std::string_view bytes) {
    Intake intake;
    for (const char c : bytes) {
        if (c != '\r') {
            m_line += c;
            if (m_line.size() + 1 > kMaxLine + (authenticated() ? 0 : kDigestLength)) {
                intake.close = true;
                intake.why = "a request line longer than 136 bytes";
                return intake;
            }
            continue;
        }
        std::string line = std::exchange(m_line, {});
        if (!line.empty() && line.back() == '\n')
            line.pop_back();  // a controller that ends its lines with CR LF
        if (!line.empty() && line.front() == '\n')
            line.erase(0, 1);
        if (!authenticated()) {
            if (line.size() < kDigestLength ||
                !sameDigest(std::string_view(line).substr(0, kDigestLength), m_digest)) {
                intake.reply = "PJLINK ERRA\r";
                intake.close = true;
                intake.why = "a wrong or missing password digest";
                intake.requests.clear();
                return intake;
            }
            m_authenticated = true;
            line.erase(0, kDigestLength);
        }
        if (line.empty())
            continue;
        auto request = parseRequest(line);
        if (!request) {
            intake.close = true;
            intake.why = "a line that is no request";
            return intake;
        }
        intake.requests.push_back(std::move(*request));
    }
    return intake;
}

}  // namespace r7k::pjlink
