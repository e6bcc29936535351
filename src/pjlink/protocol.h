#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace r7k::pjlink {

// The longest request line a controller may send, its CR included.
inline constexpr std::size_t kMaxLine = 136;
inline constexpr std::size_t kDigestLength = 32;  // MD5 in lower-case hex

// One request: "%1POWR 1" is class '1', body "POWR", parameter "1".
struct Request {
    char cls = '1';
    std::string body;
    std::string param;
    bool overLong = false;  // the line ran past kMaxLine: answered ERR2
};

// A request line (without its CR) read, or none when it has no "%", class and four-letter
// body to answer to.
std::optional<Request> parseRequest(std::string_view line);

// "%1POWR=OK" and its CR.
std::string response(const Request& request, std::string_view result);

// What a connection does with a piece of input: the requests it completes, in order, and
// whether it must be closed (after sending `reply`).
struct Intake {
    std::vector<Request> requests;
    bool activity = false;  // a line ended, an empty one included
    std::string reply;      // sent before anything else, such as "PJLINK ERRA"
    bool close = false;
    std::string why;  // for the log, when closing
};

// A controller's connection as the protocol sees it. A line ends with CR, LF or CR LF; blanks
// before it are skipped; it may start with the 32 hex digits of the password's digest (required
// on the first line where a password is set, checked wherever it stands, and ignored without
// a password, as controllers that always send it expect). A line longer than kMaxLine is
// answered ERR2 when it starts like a request, and its rest skipped.
class Session {
  public:
    // `digest`: the MD5 of the greeting's random number and the password, in lower-case hex;
    // empty when no password is set.
    explicit Session(std::string digest = {}) : m_digest(std::move(digest)) {}

    // Once an intake says close, every later one does too, with no requests.
    Intake take(std::string_view bytes);
    bool authenticated() const { return m_digest.empty() || m_authenticated; }

  private:
    // Takes a digest off the line, or closes for a wrong or missing one.
    bool takeDigest(std::string_view& line, Intake& intake);
    void endLine(Intake& intake);
    void overflow(Intake& intake);

    std::string m_digest;
    bool m_authenticated = false;
    bool m_closed = false;
    bool m_skipping = false;  // the rest of an over-long line
    std::string m_line;
};

// The greeting: "PJLINK 0" without a password, "PJLINK 1 <random>" with one; its CR included.
std::string greeting(std::string_view random);

}  // namespace r7k::pjlink
