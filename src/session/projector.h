#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "session/commands.h"
#include "session/line_scheduler.h"
#include "session/projector_state.h"

namespace r7k::session {

// A query's answer: its value, or why there is none.
struct QueryAnswer {
    std::optional<Value> value;
    Outcome outcome = Outcome::Reply;
    std::string failure;  // no reply, a reply of another form, the port lost
    bool cached = false;  // answered from the state, without asking
};

// The projector as a service sees it: typed commands and queries over the line scheduler, and
// the state its replies tell. A query is answered from the state when what was seen is young
// enough and the line answers, else asked (sharing a query already under way). Queries the
// service keeps are looked at by itself, at low priority, before they grow older than asked.
class Projector {
  public:
    using Clock = LineScheduler::Clock;
    // How long a query's reply may take; commands take their own (see Command).
    static constexpr milliseconds kQueryTimeout{500};

    Projector(LineScheduler& line, Timer& keeper, Clock now);
    Projector(const Projector&) = delete;
    Projector& operator=(const Projector&) = delete;
    ~Projector();

    void query(Query query, milliseconds maxAge, Priority priority,
               std::function<void(const QueryAnswer&)> done);
    void command(const Command& command, Priority priority,
                 std::function<void(const ExchangeResult&)> done);
    // Keeps a query's value no older than `age` by looks of the service's own; 0 stops it.
    void keep(Query query, milliseconds age);
    // Looks at the kept queries now that are stale or missing.
    void lookNow();

    const ProjectorState& state() const { return m_state; }
    LineScheduler& line() { return m_line; }
    // The line answers: it is open, and the last exchange got an answer.
    bool answering() const { return m_line.isOpen() && !m_line.silent() && m_answeredAt; }
    // When the line last answered, if it has.
    std::optional<microseconds> answeredAt() const { return m_answeredAt; }
    microseconds now() const { return m_now(); }

    // Every value a reply brought, after the state took it.
    std::function<void(const Value&)> onValue;
    // Every command taken (acknowledged), by its code.
    std::function<void(std::string_view code)> onCommand;
    // Every exchange that ended (requests counted, latency), before its callers are told.
    std::function<void(const Exchange&, const ExchangeResult&)> onExchange;

  private:
    void seen(const Exchange& exchange, const ExchangeResult& result);
    void reschedule();
    void look(Query query);

    LineScheduler& m_line;
    Timer& m_keeper;
    Clock m_now;
    ProjectorState m_state;
    std::optional<microseconds> m_answeredAt;
    std::array<milliseconds, kQueryCount> m_kept{};
    std::array<bool, kQueryCount> m_looking{};
    std::array<std::optional<microseconds>, kQueryCount> m_lookedAt{};  // the last look's end
};

}  // namespace r7k::session
