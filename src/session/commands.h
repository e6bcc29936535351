#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

#include "protocol/catalogue.h"
#include "protocol/decoders.h"

namespace r7k::session {

// A command the projector takes: the code of a button of the panel's catalogue, named as
// scripts name it. Made at compile time from the catalogue, so a name that is no button's
// fails the build and the code exists only there.
struct Command {
    std::string_view name;  // the step name ("power-on")
    std::string_view code;  // what goes on the line, before its CR ("C00")
    // How long its acknowledgement may take: the catalogue's reply time-out for a timed
    // button, the panel's usual half second for the rest.
    std::chrono::milliseconds timeout{500};

    friend constexpr bool operator==(const Command& a, const Command& b) {
        return a.code == b.code;
    }
};

// The button a script names, one-shot or held (a held button's command once).
constexpr Command command(std::string_view name) {
    for (const OneShotButton& b : kOneShotButtons) {
        if (b.stepName == name) {
            return {b.stepName, b.code,
                    b.kind == SendKind::Timed ? b.timeout : std::chrono::milliseconds{500}};
        }
    }
    for (const HoldButton& b : kHoldButtons) {
        if (b.stepName == name)
            return {b.stepName, b.code};
    }
    throw "no button has this step name";  // a compile-time error where used as a constant
}

inline constexpr Command kPowerOn = command("power-on");
inline constexpr Command kPowerOff = command("power-off");
inline constexpr std::array<Command, 4> kInputs{command("input-1"), command("input-2"),
                                                command("input-3"), command("input-4")};
inline constexpr Command kNoShowOn = command("no-show-on");
inline constexpr Command kNoShowOff = command("no-show-off");
inline constexpr Command kSoundMuteOn = command("sound-mute-on");
inline constexpr Command kSoundMuteOff = command("sound-mute-off");
inline constexpr Command kFreezeOn = command("freeze-on");
inline constexpr Command kFreezeOff = command("freeze-off");
inline constexpr Command kVolumeUp = command("vol-up");
inline constexpr Command kVolumeDown = command("vol-down");

// What can be asked of the projector, one per reply form the decoders read.
enum class Query : std::uint8_t {
    Status,        // power state and warnings
    Input,         // the input selected
    Setting,       // image reversal
    LampHours,     // hours the lamp has run
    Temperatures,  // the three sensors
    Mute,          // video and audio mutes
    LampState,     // lamp mode and the lamps lit
    Pressure,      // air pressure in hPa
};
inline constexpr std::size_t kQueryCount = 8;

// The decoder that reads a query's reply.
constexpr QueryDecoder decoderOf(Query query) {
    switch (query) {
        case Query::Status:
            return QueryDecoder::PowerStatus;
        case Query::Input:
            return QueryDecoder::InputMode;
        case Query::Setting:
            return QueryDecoder::Setting;
        case Query::LampHours:
            return QueryDecoder::LampHours;
        case Query::Temperatures:
            return QueryDecoder::Temperatures;
        case Query::Mute:
            return QueryDecoder::Mute;
        case Query::LampState:
            return QueryDecoder::LampMode;
        case Query::Pressure:
            return QueryDecoder::Pressure;
    }
    return QueryDecoder::WholeText;
}

// The query's code from the dispatch's table ("CR0").
constexpr std::string_view codeOf(Query query) {
    for (const QueryEntry& e : kQueryTable) {
        if (e.decoder == decoderOf(query))
            return e.code;
    }
    return {};
}

// Every query has its row in the dispatch's table, and no two share one.
constexpr bool queriesAreSound() {
    for (std::size_t i = 0; i < kQueryCount; ++i) {
        if (codeOf(Query(i)).empty())
            return false;
        for (std::size_t j = i + 1; j < kQueryCount; ++j) {
            if (codeOf(Query(i)) == codeOf(Query(j)))
                return false;
        }
    }
    return true;
}
static_assert(queriesAreSound(), "a query has no code of its own in the dispatch table");

// What a query is called in messages ("status").
std::string_view nameOf(Query query);

}  // namespace r7k::session
