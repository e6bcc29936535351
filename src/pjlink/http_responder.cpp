#include "pjlink/http_responder.h"

#include "pjlink/metrics.h"

namespace r7k::pjlink {

namespace {

constexpr std::string_view kText = "text/plain; charset=utf-8";

std::string_view reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        default:
            return "Request Header Fields Too Large";
    }
}

// A method is a token; upper-case letters are all HTTP's own methods use. Anything else at
// the start is no HTTP, and is answered as soon as it is seen.
bool methodSoFar(std::string_view head) {
    const std::size_t space = head.find(' ');
    const std::string_view method = head.substr(0, space);
    for (const char c : method)
        if (c < 'A' || c > 'Z')
            return false;
    return space == std::string_view::npos || space > 0;
}

// Where the head ends (after its empty line), or npos while it has not.
std::size_t headEnd(std::string_view head) {
    const std::size_t crlf = head.find("\r\n\r\n");
    const std::size_t lf = head.find("\n\n");
    if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf < lf))
        return crlf + 4;
    return lf == std::string_view::npos ? lf : lf + 2;
}

}  // namespace

HttpResponder::Step HttpResponder::take(std::string_view bytes) {
    if (m_done)
        return {Verdict::Close, {}, 0};
    m_head.append(bytes.substr(0, kMaxHead + 1 - std::min(m_head.size(), kMaxHead + 1)));
    const std::size_t lineEnd = m_head.find('\n');
    if (!methodSoFar(m_head.substr(0, lineEnd)))
        return respond(400, kText, "not an HTTP request\n", false);
    const std::size_t end = headEnd(m_head);
    if (end == std::string::npos || end > kMaxHead) {
        if (m_head.size() > kMaxHead)
            return respond(431, kText, "request head too large\n", false);
        return {Verdict::NeedMore, {}, 0};
    }
    std::string_view line(m_head.data(), lineEnd);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return answer(line);
}

HttpResponder::Step HttpResponder::answer(std::string_view requestLine) {
    // METHOD SP TARGET SP HTTP/1.x, nothing more.
    const std::size_t first = requestLine.find(' ');
    const std::size_t second = requestLine.find(' ', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos ||
        requestLine.find(' ', second + 1) != std::string_view::npos || second == first + 1)
        return respond(400, kText, "not an HTTP request\n", false);
    const std::string_view method = requestLine.substr(0, first);
    const std::string_view target = requestLine.substr(first + 1, second - first - 1);
    const std::string_view version = requestLine.substr(second + 1);
    if (version != "HTTP/1.0" && version != "HTTP/1.1")
        return respond(400, kText, "not an HTTP/1 request\n", false);
    const bool head = method == "HEAD";
    if (method != "GET" && !head)
        return respond(405, kText, "only GET and HEAD\n", false);
    const std::string_view path = target.substr(0, target.find('?'));
    if (path != "/metrics")
        return respond(404, kText, "not found: the metrics are at /metrics\n", head);
    return respond(200, kMetricsType, m_body(), head);
}

HttpResponder::Step HttpResponder::respond(int status, std::string_view type,
                                           const std::string& body, bool head) {
    m_done = true;
    m_head.clear();
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason(status)) +
                      "\r\nContent-Type: " + std::string(type) +
                      "\r\nContent-Length: " + std::to_string(body.size()) +
                      (status == 405 ? "\r\nAllow: GET, HEAD" : "") +
                      "\r\nConnection: close\r\n\r\n";
    if (!head)
        out += body;
    return {Verdict::Respond, std::move(out), status};
}

}  // namespace r7k::pjlink
