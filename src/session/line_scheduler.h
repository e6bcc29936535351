#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "protocol/answers.h"
#include "session/judge.h"
#include "transport/serial.h"
#include "transport/timer.h"

namespace r7k::session {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// One command or query on the line: its code (the CR is added) and what answers it.
struct Exchange {
    std::string code;
    Expectation expected;
    milliseconds timeout{500};
    bool shareable = false;  // a query: one asked while the same is queued or under way joins it
};

// How an exchange ended. A failure says why in words, for a log.
struct ExchangeResult {
    Outcome outcome = Outcome::Timeout;
    std::string answer;  // what came, up to and including what ended it
    std::optional<Value> value;
    microseconds roundTrip{0};
    std::string failure;
    bool ok() const { return failure.empty(); }
};

// Who asks: a controller's request goes before the service's own looks at the projector.
enum class Priority : std::uint8_t { Request, Look };

// The service's serial line, owned whole: one exchange at a time, the next going out when the
// previous one's answer is in or its time-out has run out. Each exchange keeps its own time-out
// (none carries over to the next). A controller's request waits for at most the exchange
// already on the line, never for a look of the service's own. A query asked while the same one
// is queued or under way shares its answer. After an exchange that got no answer the line counts
// as silent: what queues meanwhile waits for the one exchange on the line and fails with it,
// and while none is on the line one exchange a second goes out to see whether the line answers
// again, the others failing at once; so every request on a dead line fails within one
// time-out, and a line that answers again is found within a second and a half. The port (COM1
// of `port`) is opened
// at start and, while it cannot be opened or after it was lost, tried again every second;
// meanwhile exchanges fail at once.
class LineScheduler {
  public:
    using Clock = std::function<microseconds()>;
    using Done = std::function<void(const ExchangeResult&)>;

    static constexpr milliseconds kRetry{1000};
    // On a silent line, exchanges go out at least this far apart.
    static constexpr milliseconds kProbeGap{1000};
    // Bytes of one answer kept; a line that brings more without an end is no answer.
    static constexpr std::size_t kAnswerLimit = 4096;

    // `timeout` paces the exchanges, `retry` the opens.
    LineScheduler(SerialPort& port, Timer& timeout, Timer& retry, Clock now);
    LineScheduler(const LineScheduler&) = delete;
    LineScheduler& operator=(const LineScheduler&) = delete;
    ~LineScheduler();

    // Opens COM1 with the settings string ("19200,N,8,1"), now and until close().
    void open(std::string settings);
    void close();
    bool isOpen() const { return m_port.portOpen(); }
    // No answer came to the last exchange, and none has come since.
    bool silent() const { return m_silent; }
    // "COM1 (/dev/ttyUSB0)".
    std::string where() const;

    void submit(Exchange exchange, Priority priority, Done done);
    // Exchanges waiting their turn, the one on the line not counted.
    std::size_t queued() const { return m_queue.size(); }

    // Every exchange that ended, before its own callers are told.
    std::function<void(const Exchange&, const ExchangeResult&)> onResult;
    // The port's changes in words: opened, failed to open, lost.
    std::function<void(const std::string&)> onLog;

  private:
    struct Entry {
        Exchange exchange;
        Priority priority = Priority::Look;
        std::vector<Done> waiting;
    };

    void tryOpen();
    void opened(const SerialResult& outcome);
    void lost(const std::string& why);
    void pump();
    void start(std::shared_ptr<Entry> entry);
    void received();
    void timedOut();
    void finish(ExchangeResult result);
    void failAll(const std::string& failure, Outcome outcome);
    void log(const std::string& text);

    SerialPort& m_port;
    Timer& m_timeout;
    Timer& m_retry;
    Clock m_now;
    std::string m_settings;
    bool m_wanted = false;    // open() was called and close() not since
    bool m_opening = false;   // an open's outcome is still to come
    std::string m_closedWhy;  // why the port is not open, for the exchanges that fail
    bool m_silent = false;
    std::string m_silentWhy;     // the failure that made it silent
    microseconds m_silentAt{0};  // when the last exchange on a silent line ended
    std::deque<std::shared_ptr<Entry>> m_queue;
    std::shared_ptr<Entry> m_current;
    std::string m_answer;
    microseconds m_sentAt{0};
};

}  // namespace r7k::session
