#pragma once

// Header-only so that the unit tests can use the model without the simulator's I/O.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "codes.h"

namespace r7k::sim {

using std::chrono::milliseconds;

inline constexpr char kAck = '\x06';
inline constexpr char kNak = '\x15';
inline constexpr char kCr = '\r';

enum class PowerState : std::uint8_t { Standby, CountDown, On, CoolingDown };

// Lengths of the projector's timed phases.
struct ModelTiming {
    milliseconds warmUp{30'000};
    milliseconds coolDown{60'000};
    milliseconds lampHour{3'600'000};  // lit time that adds one lamp hour
};
inline constexpr ModelTiming kRealTiming{};
// Short enough to watch a whole power cycle, and lamp hours that visibly grow.
inline constexpr ModelTiming kFastTiming{milliseconds{2'000}, milliseconds{3'000},
                                         milliseconds{10'000}};

inline constexpr std::string_view kQueryStatus = "CR0";
inline constexpr std::string_view kQueryInput = "CR1";
inline constexpr std::string_view kQueryLampTime = "CR3";
inline constexpr std::string_view kQuerySetting = "CR4";
inline constexpr std::string_view kQueryTemperature = "CR6";
inline constexpr std::string_view kQueryPowerFail = "CR INFPFAIL";
// Queries that no button sends; the operator types them.
inline constexpr std::string_view kQueryMute = "CRA";
inline constexpr std::string_view kQueryModel = "CR9";
inline constexpr std::string_view kQueryPressure = "CR PRESSURE";
inline constexpr std::string_view kQueryLampMode = "CR7";

inline constexpr std::string_view kModelText = "R7K SIM V1.40";
inline constexpr std::string_view kPressureReading = "512";
inline constexpr std::string_view kPowerFailText = "NONE";
inline constexpr std::string_view kSettingNormal = "11";
inline constexpr int kLampHoursAtStart = 1234;
inline constexpr int kLampHoursMax = 99'999;

// Sensor temperatures in degrees Celsius: intake, exhaust, panel.
using Temperatures = std::array<double, 3>;
inline constexpr Temperatures kAmbientTemperatures{24.0, 25.5, 25.0};
inline constexpr Temperatures kLitTemperatures{32.5, 41.0, 38.5};
inline constexpr double kFanMaxCooling = 3.0;  // maximum fan speed runs this much cooler when lit

// The projector's state and its answers: power sequence, input, mutes, fan, lamp hours and
// temperatures, driven only by the commands and the time values passed in.
class ProjectorModel {
  public:
    explicit ProjectorModel(ModelTiming timing = kRealTiming) : m_timing(timing) {}

    // The bytes the projector sends back for one command (its CR removed) received at `now`:
    // a query's answer followed by CR, ACK for any other known command, NAK for anything else.
    std::string handle(std::string_view command, milliseconds now) {
        advance(now);
        if (auto answer = queryAnswer(command))
            return *answer + kCr;
        const KnownCode* known = knownCode(command);
        if (known == nullptr)
            return std::string(1, kNak);
        apply(known->effect);
        return std::string(1, kAck);
    }

    // Runs the timed phase changes up to `now`. A `now` earlier than one already seen counts as
    // that one: time never runs backwards.
    void advance(milliseconds now) {
        now = std::max(now, m_now);
        while (auto change = nextChange()) {
            if (*change > now)
                break;
            enter(m_power == PowerState::CountDown ? PowerState::On : PowerState::Standby, *change);
        }
        m_now = now;
    }

    // When the current phase ends by itself, if it does.
    std::optional<milliseconds> nextChange() const {
        if (m_power == PowerState::CountDown)
            return m_since + m_timing.warmUp;
        if (m_power == PowerState::CoolingDown)
            return m_since + m_timing.coolDown;
        return std::nullopt;
    }

    PowerState power() const { return m_power; }
    int input() const { return m_input; }

    int lampHours() const {
        auto lit = m_lampTime + (isLit() ? m_now - m_lampSince : milliseconds{0});
        auto hours = kLampHoursAtStart + lit / std::max(m_timing.lampHour, milliseconds{1});
        return static_cast<int>(std::min<long long>(hours, kLampHoursMax));
    }

    Temperatures temperatures() const {
        double elapsed = static_cast<double>((m_now - m_tempSince).count());
        double factor = std::exp(-elapsed / static_cast<double>(m_tempTau.count()));
        Temperatures t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            t[i] = m_tempTarget[i] + (m_tempStart[i] - m_tempTarget[i]) * factor;
        }
        return t;
    }

    // The answer to a query without its CR, or nothing if `command` is not a query.
    std::optional<std::string> queryAnswer(std::string_view command) const {
        if (command == kQueryStatus)
            return std::string(statusCode());
        if (command == kQueryInput)
            return std::to_string(m_input);
        if (command == kQueryLampTime)
            return fiveDigits(lampHours());
        if (command == kQuerySetting)
            return std::string(kSettingNormal);
        if (command == kQueryTemperature)
            return temperatureText();
        if (command == kQueryMute)
            return muteCode();
        if (command == kQueryModel)
            return std::string(kModelText);
        if (command == kQueryPressure)
            return std::string(kPressureReading);
        if (command == kQueryLampMode)
            return std::string(isLit() ? "03" : "00");
        if (command == kQueryPowerFail)
            return std::string(kPowerFailText);
        return std::nullopt;
    }

  private:
    bool isLit() const { return m_power == PowerState::CountDown || m_power == PowerState::On; }

    std::string_view statusCode() const {
        switch (m_power) {
            case PowerState::Standby:
                return "80";
            case PowerState::CountDown:
                return "40";
            case PowerState::On:
                return "00";
            case PowerState::CoolingDown:
                return "20";
        }
        return "80";
    }

    std::string muteCode() const {
        if (m_power == PowerState::Standby)
            return "FF";
        int code = (m_videoMute ? 1 : 0) + (m_audioMute ? 2 : 0);
        return "0" + std::to_string(code);
    }

    static std::string fiveDigits(int value) {
        char text[16];
        std::snprintf(text, sizeof text, "%05d", value);
        return text;
    }

    // Three readings of the form "+32.5", blank-separated: 17 characters.
    std::string temperatureText() const {
        std::string text;
        for (double t : temperatures()) {
            char field[16];
            std::snprintf(field, sizeof field, "%+05.1f", std::clamp(t, -99.9, 99.9));
            if (!text.empty())
                text += ' ';
            text += field;
        }
        return text;
    }

    void apply(Effect effect) {
        switch (effect) {
            case Effect::PowerOn:
                // A lamp that is still cooling cannot be struck again: the command is ignored.
                if (m_power == PowerState::Standby)
                    enter(PowerState::CountDown, m_now);
                break;
            case Effect::PowerOff:
                if (isLit()) {
                    enter(PowerState::CoolingDown, m_now);
                    m_videoMute = false;
                    m_audioMute = false;
                }
                break;
            case Effect::SoundMuteOn:
            case Effect::SoundMuteOff:
                m_audioMute = effect == Effect::SoundMuteOn;
                break;
            case Effect::NoShowOn:
            case Effect::NoShowOff:
                m_videoMute = effect == Effect::NoShowOn;
                break;
            case Effect::FanMax:
            case Effect::FanNormal:
                m_fanMax = effect == Effect::FanMax;
                retarget(m_now);
                break;
            case Effect::Input1:
            case Effect::Input2:
            case Effect::Input3:
            case Effect::Input4:
                m_input = 1 + static_cast<int>(effect) - static_cast<int>(Effect::Input1);
                break;
            case Effect::None:
                break;
        }
    }

    void enter(PowerState next, milliseconds at) {
        if (isLit())
            m_lampTime += at - m_lampSince;
        m_power = next;
        m_since = at;
        if (isLit())
            m_lampSince = at;
        m_now = at;  // never earlier than m_now: changes are entered in time order
        retarget(at);
    }

    // Starts a new approach towards the temperatures the current state settles at; heating
    // follows the warm-up, and cooling runs faster than the cool-down with the fans at full.
    void retarget(milliseconds at) {
        m_tempStart = temperatures();
        m_tempSince = at;
        if (isLit()) {
            m_tempTarget = kLitTemperatures;
            if (m_fanMax) {
                for (double& t : m_tempTarget)
                    t -= kFanMaxCooling;
            }
            m_tempTau = std::max(m_timing.warmUp, milliseconds{1});
        } else {
            m_tempTarget = kAmbientTemperatures;
            m_tempTau = std::max(
                m_power == PowerState::CoolingDown ? m_timing.coolDown / 3 : m_timing.coolDown,
                milliseconds{1});
        }
    }

    ModelTiming m_timing;
    milliseconds m_now{0};
    PowerState m_power = PowerState::Standby;
    milliseconds m_since{0};  // when the current power state began
    int m_input = 1;
    bool m_videoMute = false;
    bool m_audioMute = false;
    bool m_fanMax = false;
    milliseconds m_lampTime{0};   // lit time before m_lampSince
    milliseconds m_lampSince{0};  // when the lamp was last struck
    Temperatures m_tempStart = kAmbientTemperatures;
    Temperatures m_tempTarget = kAmbientTemperatures;
    milliseconds m_tempSince{0};
    milliseconds m_tempTau{1};
};

}  // namespace r7k::sim
