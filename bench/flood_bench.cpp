// Receive flood: the event loop's heartbeat, CPU and memory while r7k-sim floods the line.
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "benches.h"
#include "gateway.h"

namespace r7k::bench {

namespace {

// Starts r7k-sim with `args` and returns the pseudo-terminal it listens on.
std::string startSim(QProcess& sim, const QString& program, const QStringList& args) {
    sim.setProgram(program);
    sim.setArguments(args + QStringList{QStringLiteral("--quiet")});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "r7k-bench: %s did not start\n", qPrintable(program));
        std::exit(1);
    }
    const QByteArray line = sim.readLine().trimmed();
    const QByteArray marker = "listening on ";
    const qsizetype at = line.indexOf(marker);
    if (at < 0) {
        std::fprintf(stderr, "r7k-bench: unexpected first line from r7k-sim: %s\n",
                     line.constData());
        std::exit(1);
    }
    return line.mid(at + marker.size()).toStdString();
}

}  // namespace

int flood(const QString& simPath, int rate, bool ascii, int seconds, const QString& gatewayMode) {
    QProcess sim;
    QStringList args{QStringLiteral("--flood"), QString::number(rate), QStringLiteral("--seed"),
                     QStringLiteral("7")};
    if (ascii)
        args << QStringLiteral("--flood-ascii");
    const std::string device = startSim(sim, simPath, args);
    Gateway gateway(device, gatewayMode);
    LivePanel panel(gateway.line());
    Heartbeat beat;
    panel.start();
    spin(1000);  // the flood is running; start-up allocations are behind us
    const long rssBefore = rssKiB();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    beat.record(true);
    spin(seconds * 1000);
    beat.record(false);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wallS = double(wall.nsecsElapsed()) / 1e9;
    const long rssAfter = rssKiB();
    const std::string kind = std::string(ascii ? "ascii" : "random") +
                             (gatewayMode.isEmpty() ? "" : " via " + gateway.path());
    std::printf(
        "{\"bench\":\"flood_heartbeat\",\"kind\":\"%s\",\"path\":\"%s\",\"rate\":%d,"
        "\"seconds\":%.1f,\"cpu_pct\":%.2f,\"late_p99_ms\":%.2f,\"late_max_ms\":%.2f,"
        "\"ticks\":%zu,\"rss_before_kib\":%ld,\"rss_after_kib\":%ld,\"received\":%zu}\n",
        kind.c_str(), gateway.path().c_str(), rate, wallS, cpu / wallS * 100.0,
        percentile(beat.lateMs(), 0.99), maxOf(beat.lateMs()), beat.lateMs().size(), rssBefore,
        rssAfter, panel.form.state().received.size());
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}

}  // namespace r7k::bench
