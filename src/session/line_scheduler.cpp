#include "session/line_scheduler.h"

#include <algorithm>
#include <utility>

namespace r7k::session {
namespace {

// A port's message as one line of a log: its lines joined.
std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        const std::size_t end = text.find_first_not_of('\n', at);
        const bool sentence = at > 0 && text[at - 1] == '.';
        text.replace(at, end == std::string::npos ? text.size() - at : end - at,
                     sentence ? " " : "; ");
    }
    return text;
}

}  // namespace

LineScheduler::LineScheduler(SerialPort& port, Timer& timeout, Timer& retry, Clock now)
    : m_port(port), m_timeout(timeout), m_retry(retry), m_now(std::move(now)) {
    m_timeout.setEnabled(false);
    m_timeout.setHandler([this] {
        m_timeout.setEnabled(false);
        timedOut();
    });
    m_retry.setEnabled(false);
    m_retry.setInterval(kRetry);
    m_retry.setHandler([this] { tryOpen(); });
    m_port.setCommHandler([this] { received(); });
    m_port.setLostHandler([this](const std::string& why) { lost(why); });
    m_port.setOpenedHandler([this](const SerialResult& outcome) { opened(outcome); });
    m_port.setWarningHandler([this](const std::string& text) { log(oneLine(text)); });
}

LineScheduler::~LineScheduler() {
    m_port.setCommHandler(nullptr);
    m_port.setLostHandler(nullptr);
    m_port.setOpenedHandler(nullptr);
    m_port.setWarningHandler(nullptr);
    m_timeout.setHandler(nullptr);
    m_retry.setHandler(nullptr);
}

std::string LineScheduler::where() const {
    return m_port.portLabel(m_port.commPort());
}

void LineScheduler::log(const std::string& text) {
    if (onLog)
        onLog(text);
}

void LineScheduler::open(std::string settings) {
    m_settings = std::move(settings);
    m_wanted = true;
    (void)m_port.setCommPort(1);
    tryOpen();
}

void LineScheduler::close() {
    m_wanted = false;
    m_retry.setEnabled(false);
    m_opening = false;
    (void)m_port.setPortOpen(false);
    m_closedWhy = where() + " is closed";
    failAll(m_closedWhy, Outcome::Lost);
}

void LineScheduler::tryOpen() {
    if (!m_wanted || m_opening || m_port.portOpen()) {
        m_retry.setEnabled(false);
        return;
    }
    (void)m_port.setSettings(m_settings);
    const SerialResult r = m_port.setPortOpen(true);
    if (r.pending) {
        m_opening = true;
        m_retry.setEnabled(false);
        return;
    }
    opened(r);
}

void LineScheduler::opened(const SerialResult& outcome) {
    if (outcome.provisional)
        return pump();  // it carries bytes already
    m_opening = false;
    if (!outcome.ok()) {
        // Said once for as long as the cause stays the same, then tried again quietly.
        const std::string why = oneLine(outcome.error);
        if (why != m_closedWhy)
            log(why + "; trying again every second");
        m_closedWhy = why;
        failAll(why, Outcome::Lost);
        if (m_wanted)
            m_retry.setEnabled(true);
        return;
    }
    m_retry.setEnabled(false);
    if (!m_closedWhy.empty())
        log(where() + " is open again");
    m_closedWhy.clear();
    pump();
}

void LineScheduler::lost(const std::string& why) {
    m_closedWhy = oneLine(why);
    log(m_closedWhy + "; trying again every second");
    failAll(m_closedWhy, Outcome::Lost);
    if (m_wanted)
        m_retry.setEnabled(true);
}

void LineScheduler::submit(Exchange exchange, Priority priority, Done done) {
    if (!m_port.portOpen()) {
        ExchangeResult r;
        r.outcome = Outcome::Lost;
        r.failure = m_closedWhy.empty() ? where() + " is not open" : m_closedWhy;
        done(r);
        return;
    }
    if (m_silent && !m_current && m_queue.empty() && m_now() - m_silentAt < kProbeGap) {
        ExchangeResult r;
        r.outcome = Outcome::Timeout;
        r.failure = "the projector does not answer on " + where() + " (" + m_silentWhy + ")";
        done(r);
        return;
    }
    if (exchange.shareable) {
        const auto same = [&exchange](const std::shared_ptr<Entry>& e) {
            return e->exchange.shareable && e->exchange.code == exchange.code;
        };
        if (m_current && same(m_current)) {
            m_current->waiting.push_back(std::move(done));
            return;
        }
        const auto it = std::find_if(m_queue.begin(), m_queue.end(), same);
        if (it != m_queue.end()) {
            std::shared_ptr<Entry> entry = *it;
            entry->waiting.push_back(std::move(done));
            if (priority == Priority::Request && entry->priority == Priority::Look) {
                m_queue.erase(it);
                entry->priority = Priority::Request;
                const auto first = std::find_if(m_queue.begin(), m_queue.end(), [](const auto& e) {
                    return e->priority == Priority::Look;
                });
                m_queue.insert(first, std::move(entry));
            }
            return;
        }
    }
    auto entry = std::make_shared<Entry>();
    entry->exchange = std::move(exchange);
    entry->priority = priority;
    entry->waiting.push_back(std::move(done));
    if (priority == Priority::Request) {
        const auto first = std::find_if(m_queue.begin(), m_queue.end(), [](const auto& e) {
            return e->priority == Priority::Look;
        });
        m_queue.insert(first, std::move(entry));
    } else {
        m_queue.push_back(std::move(entry));
    }
    pump();
}

void LineScheduler::pump() {
    if (m_current || m_queue.empty() || !m_port.portOpen())
        return;
    std::shared_ptr<Entry> entry = std::move(m_queue.front());
    m_queue.pop_front();
    start(std::move(entry));
}

void LineScheduler::start(std::shared_ptr<Entry> entry) {
    m_current = std::move(entry);
    m_answer.clear();
    (void)m_port.input();  // what came unasked, or too late for the last exchange, answers nothing
    const std::string wire = m_current->exchange.code + '\r';
    m_sentAt = m_now();
    const SerialResult written = m_port.output(wire);
    if (!written.ok()) {
        ExchangeResult r;
        r.outcome = Outcome::Lost;
        r.failure = oneLine(written.error);
        return finish(std::move(r));
    }
    m_timeout.setInterval(m_current->exchange.timeout);
    m_timeout.setEnabled(true);
}

void LineScheduler::received() {
    if (m_port.commEvent() != kComEvReceive)
        return;
    const std::string bytes = m_port.input();
    if (!m_current)
        return;
    m_answer.append(bytes, 0, kAnswerLimit - std::min(kAnswerLimit, m_answer.size()));
    const std::size_t end = m_answer.find_first_of(kAnswerEnds);
    if (end == std::string::npos) {
        if (m_answer.size() < kAnswerLimit)
            return;
        ExchangeResult r;
        r.outcome = Outcome::Unexpected;
        r.answer = m_answer;
        r.failure =
            "an answer of " + std::to_string(kAnswerLimit) + " bytes without an end on " + where();
        return finish(std::move(r));
    }
    m_answer.resize(end + 1);
    Judgement j = judge(m_current->exchange.expected, m_answer);
    ExchangeResult r;
    r.outcome = j.outcome;
    r.answer = m_answer;
    r.value = std::move(j.value);
    if (r.outcome == Outcome::Nak)
        r.failure = "the projector answered NAK (0x15) on " + where();
    else if (r.outcome == Outcome::Unexpected)
        r.failure = "expected " + describe(m_current->exchange.expected) + " on " + where();
    finish(std::move(r));
}

void LineScheduler::timedOut() {
    if (!m_current)
        return;
    ExchangeResult r;
    r.outcome = Outcome::Timeout;
    r.answer = m_answer;
    r.failure = "no reply within " + std::to_string(m_current->exchange.timeout.count()) +
                " ms on " + where();
    finish(std::move(r));
}

void LineScheduler::finish(ExchangeResult result) {
    m_timeout.setEnabled(false);
    const std::shared_ptr<Entry> entry = std::exchange(m_current, nullptr);
    result.roundTrip = m_now() - m_sentAt;
    if (result.outcome == Outcome::Timeout) {
        m_silent = true;
        m_silentWhy = result.failure;
        m_silentAt = m_now();
    } else if (result.outcome != Outcome::Lost) {
        m_silent = false;  // the line answered
    }
    // On a silent line what waited behind the exchange fails with it, at once.
    std::deque<std::shared_ptr<Entry>> failing;
    if (result.outcome == Outcome::Timeout)
        failing.swap(m_queue);
    if (onResult)
        onResult(entry->exchange, result);
    for (const Done& done : entry->waiting)
        done(result);
    for (const auto& e : failing) {
        ExchangeResult r;
        r.outcome = Outcome::Timeout;
        r.failure = "the projector did not answer on " + where() + " (" + result.failure + ")";
        for (const Done& done : e->waiting)
            done(r);
    }
    pump();
}

void LineScheduler::failAll(const std::string& failure, Outcome outcome) {
    std::deque<std::shared_ptr<Entry>> failing;
    failing.swap(m_queue);
    if (m_current) {
        m_timeout.setEnabled(false);
        failing.push_front(std::exchange(m_current, nullptr));
    }
    ExchangeResult r;
    r.outcome = outcome;
    r.failure = failure;
    for (const auto& e : failing) {
        for (const Done& done : e->waiting)
            done(r);
    }
}

}  // namespace r7k::session
