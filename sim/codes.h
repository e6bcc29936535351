#pragma once

// The codes the projector knows, written out on the projector's side: a second copy of the
// panel's catalogue on purpose, so that a mistyped code in either shows as a NAK in the tests
// instead of passing unseen.

#include <array>
#include <cstdint>
#include <string_view>

namespace r7k::sim {

enum class Effect : std::uint8_t {
    None,  // acknowledged, nothing the model keeps changes
    PowerOn,
    PowerOff,
    SoundMuteOn,
    SoundMuteOff,
    NoShowOn,
    NoShowOff,
    FanMax,
    FanNormal,
    Input1,
    Input2,
    Input3,
    Input4,
};

struct KnownCode {
    std::string_view code;
    Effect effect;
};

// clang-format off
inline constexpr std::array<KnownCode, 64> kKnownCodes{{
    {"C00", Effect::PowerOn}, {"C01", Effect::PowerOff},
    {"C05", Effect::Input1}, {"C06", Effect::Input2}, {"C07", Effect::Input3}, {"C08", Effect::Input4},
    {"C0B", Effect::SoundMuteOn}, {"C0C", Effect::SoundMuteOff},
    {"C0D", Effect::NoShowOn}, {"C0E", Effect::NoShowOff},
    {"C0F", Effect::None}, {"C10", Effect::None}, {"C1C", Effect::None}, {"C1D", Effect::None},
    {"C43", Effect::None}, {"C44", Effect::None}, {"C89", Effect::None}, {"C27", Effect::None},
    {"C8A", Effect::None}, {"C1E", Effect::None},
    {"CF IMAGE STAND", Effect::None}, {"CF IMAGE REAL", Effect::None},
    {"CF IMAGE CINEMA", Effect::None}, {"CF IMAGE IMAGE1", Effect::None},
    {"CF IMAGE IMAGE2", Effect::None}, {"CF IMAGE IMAGE3", Effect::None},
    {"CF IMAGE IMAGE4", Effect::None},
    {"CF KEYDIS NONE", Effect::None}, {"CF KEYDIS RC", Effect::None}, {"CF KEYDIS KEY", Effect::None},
    // The query buttons' codes, answered with their readings before this table is asked.
    {"CR0", Effect::None}, {"CR1", Effect::None}, {"CR3", Effect::None}, {"CR4", Effect::None},
    {"CR6", Effect::None}, {"CR INFPFAIL", Effect::None},
    {"CF FANSPEED MAX", Effect::FanMax}, {"CF FANSPEED NOR", Effect::FanNormal},
    // Terminals: choosing one selects the input it belongs to.
    {"C50", Effect::Input1}, {"C51", Effect::Input1}, {"C25", Effect::Input2}, {"C26", Effect::Input2},
    {"C33", Effect::Input3}, {"C35", Effect::Input3},
    {"C81", Effect::Input4}, {"C82", Effect::Input4}, {"C83", Effect::Input4},
    // Adjustments (held buttons repeat them).
    {"C09", Effect::None}, {"C0A", Effect::None}, {"C3C", Effect::None}, {"C3D", Effect::None},
    {"C3B", Effect::None}, {"C3A", Effect::None}, {"C47", Effect::None}, {"C46", Effect::None},
    {"C4B", Effect::None}, {"C4A", Effect::None}, {"C3F", Effect::None}, {"C30", Effect::None},
    {"C31", Effect::None}, {"C8E", Effect::None}, {"C8F", Effect::None}, {"C5D", Effect::None},
    {"C5E", Effect::None},
}};
// clang-format on

constexpr const KnownCode* knownCode(std::string_view code) {
    for (const auto& k : kKnownCodes) {
        if (k.code == code)
            return &k;
    }
    return nullptr;
}

}  // namespace r7k::sim
