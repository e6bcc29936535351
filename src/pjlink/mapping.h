#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pjlink/protocol.h"
#include "session/commands.h"
#include "session/values.h"

namespace r7k::pjlink {

// What the service says of itself: NAME, INF1, INF2, INFO, SNUM, SVER.
struct Identity {
    std::string name = "r7k";
    std::string manufacturer;  // INF1; none unless configured
    std::string product = "R7KM/R7K";
    std::string info;
    std::string serial;
    std::string version;
};

// The projector's inputs as PJLink numbers them (type digit, then number).
struct InputName {
    std::string_view pjlink;
    std::string_view name;  // INNM
};
inline constexpr std::array<InputName, 4> kInputNames{{
    {"11", "Input 1 (RGB, SCART)"},
    {"12", "Input 2 (RGB)"},
    {"21", "Input 3 (Video, Y/Pb/Pr)"},
    {"22", "Input 4 (Video, S-Video, Y/Pb/Pr)"},
}};

// The projector's power states as a set, for what a command allows.
enum PowerSet : std::uint8_t {
    kOn = 1,
    kStandby = 2,
    kWarmingUp = 4,
    kCoolingDown = 8,
    kPowerFail = 16,
};
constexpr std::uint8_t powerBit(session::Power power) {
    switch (power) {
        case session::Power::On:
            return kOn;
        case session::Power::Standby:
            return kStandby;
        case session::Power::WarmingUp:
            return kWarmingUp;
        case session::Power::CoolingDown:
            return kCoolingDown;
        case session::Power::PowerFail:
            return kPowerFail;
    }
    return 0;
}

// How a request is answered: from the service's identity, by asking the projector, or by
// telling it something.
enum class Does : std::uint8_t { Identity, Ask, Tell };

// What an identity request answers with.
enum class Own : std::uint8_t {
    Name,
    Manufacturer,
    Product,
    Info,
    Class,
    Inputs,
    Version,
    Serial,
    InputName,
    Undefined
};

// How the values of the queries asked make the answer.
enum class Reading : std::uint8_t { Power, Errors, Input, Mute, Lamps };

// One row of the mapping: a request, and what it does on the line.
struct Row {
    char cls = '1';          // the class that defines the body ('2': class 2 only)
    std::string_view body;   // "POWR"
    std::string_view param;  // the parameter it takes ("1", "?", "?12")
    Does does = Does::Identity;
    Own own = Own::Name;                   // Identity
    std::array<session::Query, 2> asks{};  // Ask: the queries
    std::uint8_t askCount = 0;
    Reading reading = Reading::Power;         // Ask: how their values answer
    std::array<session::Command, 2> tells{};  // Tell: the commands, in order
    std::uint8_t tellCount = 0;
    std::uint8_t sends = 0;      // Tell: power states in which the commands go out
    std::uint8_t already = 0;    // Tell: power states that answer OK without sending
    std::string_view inputName;  // InputName
};

namespace rows {
constexpr Row own(char cls, std::string_view body, std::string_view param, Own what,
                  std::string_view name = {}) {
    Row r;
    r.cls = cls;
    r.body = body;
    r.param = param;
    r.own = what;
    r.inputName = name;
    return r;
}
constexpr Row ask(std::string_view body, Reading reading, session::Query q1,
                  std::optional<session::Query> q2 = std::nullopt) {
    Row r;
    r.body = body;
    r.param = "?";
    r.does = Does::Ask;
    r.reading = reading;
    r.asks = {q1, q2.value_or(q1)};
    r.askCount = q2 ? 2 : 1;
    return r;
}
constexpr Row tell(char cls, std::string_view body, std::string_view param, session::Command c1,
                   std::optional<session::Command> c2, std::uint8_t sends,
                   std::uint8_t already = 0) {
    Row r;
    r.cls = cls;
    r.body = body;
    r.param = param;
    r.does = Does::Tell;
    r.tells = {c1, c2.value_or(c1)};
    r.tellCount = c2 ? 2 : 1;
    r.sends = sends;
    r.already = already;
    return r;
}
using namespace session;
// A picture's settings are taken while the lamp is lit, warming up included: a controller that
// switches the input as soon as the projector is on gets its answer.
constexpr std::uint8_t kLit = kOn | kWarmingUp;
}  // namespace rows

// The PJLink requests the service answers. A body in no row is ERR1; a parameter in no row of
// its body ERR2; a Tell row in a power state neither in `sends` nor in `already` ERR3. The
// class 1 bodies are answered alike when asked with class 2.
inline constexpr Row kMapping[] = {
    // Power on is taken in standby (and after a power failure); one on or warming up already
    // is told OK. Power off likewise; switching off during the warm-up is refused.
    rows::tell('1', "POWR", "1", session::kPowerOn, {}, kStandby | kPowerFail, kOn | kWarmingUp),
    rows::tell('1', "POWR", "0", session::kPowerOff, {}, kOn, kStandby | kPowerFail | kCoolingDown),
    rows::ask("POWR", Reading::Power, session::Query::Status),
    rows::tell('1', "INPT", "11", session::kInputs[0], {}, rows::kLit),
    rows::tell('1', "INPT", "12", session::kInputs[1], {}, rows::kLit),
    rows::tell('1', "INPT", "21", session::kInputs[2], {}, rows::kLit),
    rows::tell('1', "INPT", "22", session::kInputs[3], {}, rows::kLit),
    rows::ask("INPT", Reading::Input, session::Query::Input),
    rows::tell('1', "AVMT", "10", session::kNoShowOff, {}, rows::kLit),
    rows::tell('1', "AVMT", "11", session::kNoShowOn, {}, rows::kLit),
    rows::tell('1', "AVMT", "20", session::kSoundMuteOff, {}, rows::kLit),
    rows::tell('1', "AVMT", "21", session::kSoundMuteOn, {}, rows::kLit),
    rows::tell('1', "AVMT", "30", session::kNoShowOff, session::kSoundMuteOff, rows::kLit),
    rows::tell('1', "AVMT", "31", session::kNoShowOn, session::kSoundMuteOn, rows::kLit),
    rows::ask("AVMT", Reading::Mute, session::Query::Mute),
    rows::ask("ERST", Reading::Errors, session::Query::Status),
    rows::ask("LAMP", Reading::Lamps, session::Query::LampHours, session::Query::LampState),
    rows::own('1', "INST", "?", Own::Inputs),
    rows::own('1', "NAME", "?", Own::Name),
    rows::own('1', "INF1", "?", Own::Manufacturer),
    rows::own('1', "INF2", "?", Own::Product),
    rows::own('1', "INFO", "?", Own::Info),
    rows::own('1', "CLSS", "?", Own::Class),
    rows::tell('2', "FREZ", "1", session::kFreezeOn, {}, kOn),
    rows::tell('2', "FREZ", "0", session::kFreezeOff, {}, kOn),
    rows::own('2', "FREZ", "?", Own::Undefined),  // the projector cannot be asked
    rows::tell('2', "SVOL", "1", session::kVolumeUp, {}, kOn),
    rows::tell('2', "SVOL", "0", session::kVolumeDown, {}, kOn),
    rows::own('2', "SVER", "?", Own::Version),
    rows::own('2', "SNUM", "?", Own::Serial),
    rows::own('2', "INNM", "?11", Own::InputName, kInputNames[0].name),
    rows::own('2', "INNM", "?12", Own::InputName, kInputNames[1].name),
    rows::own('2', "INNM", "?21", Own::InputName, kInputNames[2].name),
    rows::own('2', "INNM", "?22", Own::InputName, kInputNames[3].name),
};

namespace rows {
// Checked when the program is built: every body has four upper-case letters or digits, no
// request stands twice, a body keeps its class, a Tell row names a state it acts in, and no
// state both sends and is answered without sending.
constexpr bool sound() {
    for (std::size_t i = 0; i < std::size(kMapping); ++i) {
        const Row& r = kMapping[i];
        if (r.body.size() != 4 || (r.cls != '1' && r.cls != '2') || r.param.empty())
            return false;
        for (const char c : r.body) {
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                return false;
        }
        if (r.does == Does::Tell && (r.sends == 0 || (r.sends & r.already) != 0))
            return false;
        if (r.does == Does::Ask && (r.askCount == 0 || r.param != "?"))
            return false;
        for (std::size_t j = i + 1; j < std::size(kMapping); ++j) {
            const Row& o = kMapping[j];
            if (o.body == r.body && (o.param == r.param || o.cls != r.cls))
                return false;
        }
    }
    return true;
}
static_assert(sound(), "a row of the PJLink mapping is malformed or stands twice");
}  // namespace rows

// The row for a request, or none with the error to answer: ERR1 (undefined: an unknown body,
// a class-2 body asked with class 1, a class other than 1 and 2) or ERR2 (out of parameter).
struct Found {
    const Row* row = nullptr;
    std::string_view error;
};
Found find(const Request& request);

// The answer from the identity.
std::string identityAnswer(const Row& row, const Identity& identity);

// The answer from the queries' values (in the order of `asks`); ERR3 where the projector is
// in no state to say.
std::string readingAnswer(Reading reading, const std::optional<session::Value>& first,
                          const std::optional<session::Value>& second);

// PJLink's words for the projector's power ('0' standby, '1' on, '2' cooling, '3' warm-up),
// its six error digits, and its input.
char powerDigit(const session::PowerStatus& status);
std::string errorDigits(const session::PowerStatus& status);
std::optional<std::string_view> pjlinkInput(const session::Input& input);

inline constexpr std::string_view kOk = "OK";
inline constexpr std::string_view kUndefined = "ERR1";
inline constexpr std::string_view kOutOfParameter = "ERR2";
inline constexpr std::string_view kUnavailable = "ERR3";
inline constexpr std::string_view kProjectorFailure = "ERR4";

}  // namespace r7k::pjlink
