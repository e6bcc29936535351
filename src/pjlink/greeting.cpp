// The greeting's random number, apart from the service: each platform's main passes it in.
#include <cstdint>
#include <random>

#include "pjlink/service.h"

namespace r7k::pjlink {

std::string randomGreeting() {
    static std::random_device device;
    static std::mt19937 generator(device());
    static constexpr char kHex[] = "0123456789abcdef";
    const auto number = static_cast<std::uint32_t>(generator());
    std::string text(8, '0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = kHex[(number >> (28 - 4 * i)) & 0xf];
    return text;
}

}  // namespace r7k::pjlink
