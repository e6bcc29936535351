#include "session/projector_state.h"

#include "session/commands.h"

namespace r7k::session {
namespace {

constexpr unsigned bit(Query q) {
    return 1u << static_cast<unsigned>(q);
}
constexpr unsigned kEverything = (1u << kQueryCount) - 1;

// What each command may change; a command not named here may change anything.
struct Effect {
    Command command;
    unsigned queries = 0;
};
constexpr Effect kEffects[] = {
    {kInputs[0], bit(Query::Input) | bit(Query::Mute)},
    {kInputs[1], bit(Query::Input) | bit(Query::Mute)},
    {kInputs[2], bit(Query::Input) | bit(Query::Mute)},
    {kInputs[3], bit(Query::Input) | bit(Query::Mute)},
    {kNoShowOn, bit(Query::Mute)},
    {kNoShowOff, bit(Query::Mute)},
    {kSoundMuteOn, bit(Query::Mute)},
    {kSoundMuteOff, bit(Query::Mute)},
    {kFreezeOn, 0},
    {kFreezeOff, 0},
    {kVolumeUp, 0},
    {kVolumeDown, 0},
};

}  // namespace

void ProjectorState::see(const Value& value, microseconds at) {
    const auto q = static_cast<std::size_t>(value.index());
    m_seen[q] = Seen{value, at};
    m_stale[q] = false;
}

void ProjectorState::changedBy(std::string_view code) {
    unsigned queries = kEverything;
    for (const Effect& e : kEffects) {
        if (e.command.code == code)
            queries = e.queries;
    }
    for (std::size_t q = 0; q < kQueryCount; ++q) {
        if (queries & (1u << q))
            m_stale[q] = true;
    }
}

std::optional<Value> ProjectorState::fresh(Query query, milliseconds maxAge,
                                           microseconds now) const {
    const auto q = static_cast<std::size_t>(query);
    if (maxAge <= milliseconds{0} || !m_seen[q] || m_stale[q] || now - m_seen[q]->at > maxAge)
        return std::nullopt;
    return m_seen[q]->value;
}

}  // namespace r7k::session
