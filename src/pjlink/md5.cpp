#include "pjlink/md5.h"

#include <array>
#include <cstdint>

namespace r7k::pjlink {
namespace {

// floor(abs(sin(i + 1)) * 2^32), as RFC 1321 gives them.
constexpr std::array<std::uint32_t, 64> kSines{
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::array<std::uint32_t, 16> kShifts{7, 12, 17, 22, 5, 9,  14, 20,
                                                4, 11, 16, 23, 6, 10, 15, 21};

std::uint32_t rotate(std::uint32_t x, std::uint32_t n) {
    return (x << n) | (x >> (32 - n));
}

void block(std::array<std::uint32_t, 4>& h, const unsigned char* p) {
    std::array<std::uint32_t, 16> m{};
    for (std::size_t i = 0; i < 16; ++i) {
        m[i] = std::uint32_t(p[4 * i]) | std::uint32_t(p[4 * i + 1]) << 8 |
               std::uint32_t(p[4 * i + 2]) << 16 | std::uint32_t(p[4 * i + 3]) << 24;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (std::uint32_t i = 0; i < 64; ++i) {
        std::uint32_t f = 0;
        std::uint32_t g = 0;
        switch (i / 16) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        const std::uint32_t next = d;
        d = c;
        c = b;
        b = b + rotate(a + f + kSines[i] + m[g], kShifts[(i / 16) * 4 + i % 4]);
        a = next;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
}

}  // namespace

std::string md5Hex(std::string_view bytes) {
    std::array<std::uint32_t, 4> h{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::string data(bytes);
    const std::uint64_t bits = std::uint64_t(bytes.size()) * 8;
    data += '\x80';
    while (data.size() % 64 != 56)
        data += '\0';
    for (int i = 0; i < 8; ++i)
        data += static_cast<char>((bits >> (8 * i)) & 0xff);
    for (std::size_t at = 0; at < data.size(); at += 64)
        block(h, reinterpret_cast<const unsigned char*>(data.data() + at));
    constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const std::uint32_t word : h) {
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (word >> (8 * i)) & 0xff;
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        }
    }
    return out;
}

}  // namespace r7k::pjlink
