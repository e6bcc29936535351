#include "protocol/traffic.h"

#include <array>

namespace r7k {
namespace {

// Precomputed once: the token of every byte value, first matching rule wins.
constexpr std::array<std::string_view, 256> kTokens = [] {
    // Printable tokens "c " for 0x20..0x7A live in one static string, two bytes each.
    std::array<std::string_view, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = "? ";
    t[0x06] = "ACK ";
    t[0x14] = "&";
    t[0x0D] = "CR ";
    t[0x0A] = "LF ";
    return t;
}();

constexpr std::string_view kPrintable =
    "  ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; < = > ? @ A B C D E F G H I J K L "
    "M N O P Q R S T U V W X Y Z [ \\ ] ^ _ ` a b c d e f g h i j k l m n o p q r s t u v w x y "
    "z ";

static_assert(kPrintable.size() == 2 * (0x7A - 0x20 + 1));

}  // namespace

std::string_view trafficToken(unsigned char c) {
    if (c >= 0x20 && c <= 0x7A)
        return kPrintable.substr(2 * (c - 0x20), 2);
    return kTokens[c];
}

void appendTraffic(std::string& text, std::string_view bytes) {
    text.reserve(text.size() + 2 * bytes.size());
    for (char ch : bytes)
        text += trafficToken(static_cast<unsigned char>(ch));
}

std::string trafficText(std::string_view bytes) {
    std::string text = " ";
    appendTraffic(text, bytes);
    return text;
}

}  // namespace r7k
