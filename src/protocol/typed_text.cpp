#include "protocol/typed_text.h"

namespace r7k {

std::string toSingleByte(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        const unsigned char lead = *p;
        int length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
        }
        bool valid = length > 0 && end - p >= length;
        for (int i = 1; valid && i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                valid = false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++p;
            continue;
        }
        out += cp <= 0xFF ? static_cast<char>(cp) : '?';
        p += length;
    }
    return out;
}

}  // namespace r7k
