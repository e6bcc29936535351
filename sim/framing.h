#pragma once

// Header-only so that the unit tests can use it without the simulator's I/O.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace r7k::sim {

// Longer than any command the projector knows; bounds memory when a sender never ends a line.
inline constexpr std::size_t kMaxCommandLength = 128;

// One command as received: its text without the CR, and whether it was cut because it ran past
// kMaxCommandLength (such a command is answered as unknown).
struct ReceivedCommand {
    std::string text;
    bool overlong = false;

    bool operator==(const ReceivedCommand&) const = default;
};

// Cuts the received byte stream into commands at each CR, across any split into pieces.
class CommandFramer {
  public:
    std::vector<ReceivedCommand> feed(std::string_view bytes) {
        std::vector<ReceivedCommand> done;
        for (char c : bytes) {
            if (c == '\r') {
                done.push_back({std::move(m_text), m_overlong});
                m_text.clear();
                m_overlong = false;
            } else if (c == '\n' && m_text.empty() && !m_overlong) {
                // A terminal that ends lines with CR LF: the LF belongs to the previous line.
            } else if (m_text.size() < kMaxCommandLength) {
                m_text += c;
            } else {
                m_overlong = true;
            }
        }
        return done;
    }

    // Forgets a half-received command, as when the other side closes the line.
    void reset() {
        m_text.clear();
        m_overlong = false;
    }

  private:
    std::string m_text;
    bool m_overlong = false;
};

// `bytes` cut into `pieces` parts of nearly equal length, longer parts first; never an empty
// part, so a reply shorter than `pieces` goes out one byte at a time.
inline std::vector<std::string> splitIntoPieces(std::string_view bytes, int pieces) {
    std::vector<std::string> parts;
    if (bytes.empty())
        return parts;
    std::size_t n = pieces < 1 ? 1 : static_cast<std::size_t>(pieces);
    if (n > bytes.size())
        n = bytes.size();
    std::size_t base = bytes.size() / n;
    std::size_t extra = bytes.size() % n;
    std::size_t at = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t len = base + (i < extra ? 1 : 0);
        parts.emplace_back(bytes.substr(at, len));
        at += len;
    }
    return parts;
}

// `bytes` as a readable, double-quoted C string: \r, \n, \t, \\, \" and \xHH for the rest
// outside printable ASCII.
inline std::string quoted(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            default:
                if (u >= 0x20 && u < 0x7F) {
                    out += c;
                } else {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", u);
                    out += hex;
                }
        }
    }
    out += '"';
    return out;
}

// How the log shows a reply: ACK and NAK by name, anything else quoted.
inline std::string replyForLog(std::string_view reply) {
    if (reply == "\x06")
        return "ACK";
    if (reply == "\x15")
        return "NAK";
    return quoted(reply);
}

}  // namespace r7k::sim
