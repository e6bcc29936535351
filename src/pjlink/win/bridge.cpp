#include "pjlink/win/bridge.h"

#include "pjlink/keep_fresh.h"
#include "pjlink/metrics.h"
#include "pjlink/win/log.h"
#include "pjlink/win/socket_events.h"
#include "pjlink/win/socket_front.h"
#include "pjlink/win/socket_metrics.h"
#include "pjlink/win/socket_notifier.h"
#include "session/line_scheduler.h"
#include "session/projector.h"
#include "transport/port_address.h"
#include "win/perf_clock.h"
#include "win/win_port_router.h"
#include "win/win_timer.h"

namespace r7k::pjlink::win {
namespace {

microseconds now() {
    return microseconds{r7k::win::counterMicroseconds()};
}

}  // namespace

struct Bridge::Parts {
    explicit Parts(const Config& c)
        : config(c),
          // The device as COM1; COM2 is never used.
          serial(c.port, *parsePortAddress("NUL").address),
          line(serial, lineTimeout, lineRetry, now),
          projector(line, keeper, now),
          requests(projector, c.identity, c.maxAge),
          service(requests, c.service, idle, now, randomGreeting),
          front(service),
          notifier(projector, c),
          metrics([this] { return renderMetrics(projector, service.connections(), counts); }) {}

    Config config;
    r7k::win::WinPortRouter serial;
    r7k::win::WinTimer lineTimeout, lineRetry, keeper, idle;
    session::LineScheduler line;
    session::Projector projector;
    Requests requests;
    Service service;
    SocketFront front;
    SocketNotifier notifier;
    RequestCounts counts;
    SocketMetrics metrics;
};

Bridge::Bridge(const Config& config) : m_parts(std::make_unique<Parts>(config)) {}

Bridge::~Bridge() = default;

bool Bridge::start(std::string& error) {
    Parts& p = *m_parts;
    const Config& c = p.config;
    if (!SocketEvents::start(&error))
        return false;
    p.serial.setPortName(1, "");  // messages name the device given, not the panel's COM1
    p.line.onLog = logLine;
    p.service.onLog = logLine;
    if (!p.front.listen(c.listen.host, c.listen.port)) {
        error = "cannot listen on " + c.listen.text + ": " + p.front.errorString();
        return false;
    }
    if (!p.notifier.bind(c.listen.host, p.front.serverPort())) {
        error = "cannot listen on " + c.listen.text +
                " (UDP, for search and notification): " + p.notifier.errorString() +
                "; --no-search --no-notify do without";
        return false;
    }
    p.service.onAnswer = [&p](const Request& request, const Answered& answer, microseconds took) {
        p.counts.count(request, answer.result, took);
    };
    if (c.metrics) {
        if (!p.metrics.listen(c.metrics->host, c.metrics->port)) {
            error =
                "cannot listen on " + c.metrics->text + " (metrics): " + p.metrics.errorString();
            return false;
        }
        NetAddress served = *c.metrics;
        served.port = static_cast<std::uint16_t>(p.metrics.serverPort());
        logLine("serving metrics at http://" + served.hostPort() + "/metrics");
    }
    const auto keep = [&p] {
        keepFresh(
            p.projector,
            {p.service.connections(), p.notifier.announcer().telling(), p.metrics.isListening()},
            p.config.maxAge);
    };
    p.service.onConnections = keep;
    p.notifier.announcer().onTelling = keep;
    p.service.onRequest = [&p](const std::string& from) {
        p.notifier.announcer().controllerAt(from);
    };
    p.projector.onValue = [&p](const session::Value& value) { p.notifier.announcer().see(value); };
    p.projector.onCommand = [&p](std::string_view code) { p.notifier.announcer().taken(code); };
    NetAddress bound = c.listen;
    bound.port = static_cast<std::uint16_t>(p.front.serverPort());
    logLine("answering PJLink on " + bound.hostPort() + " for " + c.device +
            (c.service.password.empty() ? "" : ", with a password"));
    if (c.service.password.empty() && !c.listen.isLoopback()) {
        logLine("warning: anyone who reaches " + c.listen.text +
                " can switch the projector; give a password with --password-file");
    }
    p.line.open(c.lineSettings);
    keep();  // the metrics' looks start with the line
    p.notifier.announcer().start();
    return true;
}

void Bridge::stop() {
    m_parts->line.close();
    m_parts->notifier.close();
    m_parts->front.close();
    m_parts->metrics.close();
}

}  // namespace r7k::pjlink::win
