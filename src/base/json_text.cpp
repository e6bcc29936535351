#include "base/json_text.h"

namespace r7k {
namespace {

void appendCodePoint(std::string& out, char32_t c) {
    if (c == U'"' || c == U'\\') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c < 0x20) {
        static constexpr char kShort[] = "btnvfr";  // \b \t \n (no \v in JSON) \f \r
        if (c >= 0x08 && c <= 0x0d && c != 0x0b) {
            out += '\\';
            out += kShort[c - 0x08];
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        }
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// The length of the valid UTF-8 sequence at the start of `s` and its code point; 0 when the
// first byte does not begin one.
std::size_t decodeUtf8(std::string_view s, char32_t& c) {
    const auto at = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = at(0);
    std::size_t n = 0;
    char32_t min = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    } else if ((b & 0xe0) == 0xc0) {
        n = 2, c = b & 0x1f, min = 0x80;
    } else if ((b & 0xf0) == 0xe0) {
        n = 3, c = b & 0x0f, min = 0x800;
    } else if ((b & 0xf8) == 0xf0) {
        n = 4, c = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((at(i) & 0xc0) != 0x80)
            return 0;
        c = (c << 6) | (at(i) & 0x3f);
    }
    if (c < min || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
        return 0;
    return n;
}

}  // namespace

// Bytes as a JSON string, one character per byte.
void appendJsonBytes(std::string& out, std::string_view bytes) {
    out += '"';
    for (const char b : bytes)
        appendCodePoint(out, static_cast<unsigned char>(b));
    out += '"';
}

// Text as a JSON string; a byte that is not valid UTF-8 becomes U+FFFD.
void appendJsonText(std::string& out, std::string_view text) {
    out += '"';
    while (!text.empty()) {
        char32_t c = 0;
        std::size_t n = decodeUtf8(text, c);
        if (n == 0)
            c = 0xfffd, n = 1;
        appendCodePoint(out, c);
        text.remove_prefix(n);
    }
    out += '"';
}

}  // namespace r7k
