#include "session/projector.h"

#include <algorithm>

namespace r7k::session {
namespace {

Exchange queryExchange(Query query) {
    return {std::string(codeOf(query)), Expectation{Answer::Query, decoderOf(query)},
            Projector::kQueryTimeout, true};
}

}  // namespace

Projector::Projector(LineScheduler& line, Timer& keeper, Clock now)
    : m_line(line), m_keeper(keeper), m_now(std::move(now)) {
    m_line.onResult = [this](const Exchange& e, const ExchangeResult& r) { seen(e, r); };
    m_keeper.setEnabled(false);
    m_keeper.setHandler([this] {
        m_keeper.setEnabled(false);
        lookNow();
    });
}

Projector::~Projector() {
    m_line.onResult = nullptr;
    m_keeper.setHandler(nullptr);
}

void Projector::query(Query query, milliseconds maxAge, Priority priority,
                      std::function<void(const QueryAnswer&)> done) {
    if (answering()) {
        if (auto value = m_state.fresh(query, maxAge, m_now()))
            return done({std::move(value), Outcome::Reply, {}, true});
    }
    m_line.submit(queryExchange(query), priority,
                  [done = std::move(done)](const ExchangeResult& r) {
                      QueryAnswer a;
                      a.value = r.value;
                      a.outcome = r.outcome;
                      a.failure = r.failure;
                      if (!a.value && a.failure.empty())
                          a.failure = "no value in the reply";
                      done(a);
                  });
}

void Projector::command(const Command& command, Priority priority,
                        std::function<void(const ExchangeResult&)> done) {
    m_line.submit({std::string(command.code), Expectation{Answer::Ack}, command.timeout, false},
                  priority, std::move(done));
}

void Projector::seen(const Exchange& exchange, const ExchangeResult& result) {
    const microseconds now = m_now();
    if (result.outcome != Outcome::Timeout && result.outcome != Outcome::Lost)
        m_answeredAt = now;
    if (result.value) {
        m_state.see(*result.value, now);
        const auto q = static_cast<std::size_t>(result.value->index());
        m_looking[q] = false;
    }
    if (!exchange.shareable && result.outcome == Outcome::Ack)
        m_state.changedBy(exchange.code);
    if (onExchange)
        onExchange(exchange, result);
    if (result.value && onValue)
        onValue(*result.value);
    if (!exchange.shareable && result.outcome == Outcome::Ack && onCommand)
        onCommand(exchange.code);
    reschedule();
}

void Projector::keep(Query query, milliseconds age) {
    m_kept[static_cast<std::size_t>(query)] = age;
    reschedule();
}

void Projector::look(Query query) {
    const auto q = static_cast<std::size_t>(query);
    if (m_looking[q])
        return;
    m_looking[q] = true;
    m_line.submit(queryExchange(query), Priority::Look, [this, q](const ExchangeResult&) {
        m_looking[q] = false;
        m_lookedAt[q] = m_now();
        reschedule();
    });
}

void Projector::lookNow() {
    const microseconds now = m_now();
    for (std::size_t q = 0; q < kQueryCount; ++q) {
        if (m_kept[q] <= milliseconds{0})
            continue;
        const auto& last = m_state.last(Query(q));
        if (!last || m_state.isStale(Query(q)) || now - last->at >= m_kept[q])
            look(Query(q));
    }
    reschedule();
}

void Projector::reschedule() {
    // The keeper wakes when the first kept query comes due. A look is at least the query's age
    // after the last one ended, so a dead line, or a projector that cannot say, is not asked
    // more often than the state is kept.
    const microseconds now = m_now();
    std::optional<microseconds> next;
    for (std::size_t q = 0; q < kQueryCount; ++q) {
        if (m_kept[q] <= milliseconds{0} || m_looking[q])
            continue;
        const auto& last = m_state.last(Query(q));
        microseconds due = now;
        if (last && !m_state.isStale(Query(q)))
            due = last->at + m_kept[q];
        if (m_lookedAt[q])
            due = std::max(due, *m_lookedAt[q] + microseconds{m_kept[q]});
        next = next ? std::min(*next, due) : due;
    }
    if (!next) {
        m_keeper.setEnabled(false);
        return;
    }
    const auto wait = std::chrono::ceil<milliseconds>(std::max(*next - now, microseconds{0}));
    m_keeper.setInterval(std::max(wait, milliseconds{1}));
    m_keeper.setEnabled(true);
}

}  // namespace r7k::session
