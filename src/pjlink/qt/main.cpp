// r7k-pjlink: the projector on its serial line, answering PJLink on the network.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "pjlink/keep_fresh.h"
#include "pjlink/metrics.h"
#include "pjlink/options.h"
#include "pjlink/qt/metrics_front.h"
#include "pjlink/qt/notifier.h"
#include "pjlink/qt/tcp_front.h"
#include "pjlink/service.h"
#include "qt/port_router.h"
#include "qt/qt_timer.h"
#include "qt/stop_signals.h"
#include "session/line_scheduler.h"
#include "session/projector.h"
#include "transport/port_address.h"

namespace {

int failure(const std::string& message) {
    std::fprintf(stderr, "r7k-pjlink: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    const r7k::pjlink::Invocation invocation = r7k::pjlink::readOptions(args, R7K_VERSION);
    std::fputs(invocation.out.c_str(), stdout);
    std::fputs(invocation.err.c_str(), stderr);
    if (!invocation.config)
        return invocation.status;
    const r7k::pjlink::Config& config = *invocation.config;
    QCoreApplication app(argc, argv);
    const QHostAddress listenHost(QString::fromStdString(config.listen.host));

    std::signal(SIGPIPE, SIG_IGN);

    const auto log = [](const std::string& text) {
        std::fprintf(stderr, "r7k-pjlink: %s\n", text.c_str());
    };
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return std::chrono::microseconds{clock.nsecsElapsed() / 1000}; };
    // The serial component with the address as COM1; COM2 is never used. Messages name the
    // port by the device given, as the operator knows it, not as the panel's COM1.
    const auto serial =
        r7k::makeSerialPort(config.port, *r7k::parsePortAddress("/dev/null").address);
    serial->setPortName(1, "");
    r7k::QtTimer lineTimeout, lineRetry, keeper, idle;
    r7k::session::LineScheduler lineScheduler(*serial, lineTimeout, lineRetry, now);
    lineScheduler.onLog = log;
    r7k::session::Projector projector(lineScheduler, keeper, now);
    r7k::pjlink::Requests requests(projector, config.identity, config.maxAge);
    r7k::pjlink::Service service(requests, config.service, idle, now, r7k::pjlink::randomGreeting);
    service.onLog = log;
    r7k::pjlink::TcpFront front(service);
    if (!front.listen(listenHost, config.listen.port)) {
        return failure("cannot listen on " + config.listen.text + ": " +
                       front.errorString().toStdString());
    }
    r7k::pjlink::Notifier notifier(projector, config);
    r7k::pjlink::Announcer& announcer = notifier.announcer();
    if (!notifier.bind(listenHost, front.serverPort())) {
        return failure(
            "cannot listen on " + config.listen.text + " (UDP, for search and notification): " +
            notifier.errorString().toStdString() + "; --no-search --no-notify do without");
    }
    r7k::pjlink::RequestCounts counts;
    service.onAnswer =
        [&counts](const r7k::pjlink::Request& request, const r7k::pjlink::Answered& answer,
                  std::chrono::microseconds took) { counts.count(request, answer.result, took); };
    r7k::pjlink::MetricsFront metrics(
        [&] { return r7k::pjlink::renderMetrics(projector, service.connections(), counts); });
    if (config.metrics) {
        if (!metrics.listen(QHostAddress(QString::fromStdString(config.metrics->host)),
                            config.metrics->port)) {
            return failure("cannot listen on " + config.metrics->text +
                           " (metrics): " + metrics.errorString().toStdString());
        }
    }
    const auto keepFresh = [&] {
        r7k::pjlink::keepFresh(projector,
                               {service.connections(), announcer.telling(), metrics.isListening()},
                               config.maxAge);
    };
    service.onConnections = keepFresh;
    announcer.onTelling = keepFresh;
    service.onRequest = [&announcer](const std::string& from) { announcer.controllerAt(from); };
    projector.onValue = [&announcer](const r7k::session::Value& value) { announcer.see(value); };
    projector.onCommand = [&announcer](std::string_view code) { announcer.taken(code); };
    std::fprintf(stderr, "r7k-pjlink: answering PJLink on %s:%u for %s%s\n",
                 listenHost.toString().toLocal8Bit().constData(), front.serverPort(),
                 config.device.c_str(), config.service.password.empty() ? "" : ", with a password");
    if (metrics.isListening()) {
        r7k::pjlink::NetAddress served = *config.metrics;
        served.port = metrics.serverPort();
        log("serving metrics at http://" + served.hostPort() + "/metrics");
    }
    if (config.service.password.empty() && !config.listen.isLoopback()) {
        std::fprintf(stderr,
                     "r7k-pjlink: warning: anyone who reaches %s can switch the projector; "
                     "give a password with --password-file\n",
                     config.listen.text.c_str());
    }
    lineScheduler.open(config.lineSettings);
    keepFresh();  // the metrics' looks start with the line
    announcer.start();

    const r7k::StopSignals stops([&lineScheduler](int signo) {
        std::fprintf(stderr, "r7k-pjlink: stopped by %s; the port is closed\n", ::strsignal(signo));
        lineScheduler.close();
        QCoreApplication::exit(0);
    });
    if (!stops.ok())
        return failure(std::string("socketpair: ") + std::strerror(errno));
    return QCoreApplication::exec();
}
