// r7k-bench: in-process benchmarks of the real panel window, core and adapters, wired as the
// application wires them, against a pseudo-terminal (or a simulated projector) whose other side
// the bench watches; with --gateway, ser2net carries that line to the panel over loopback TCP.
// Each run prints one JSON object per line; bench/run.sh gathers them.
#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "benches.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "Usage: r7k-bench click [--count N] [--mouse] [--gateway tcp|rfc2217]\n"
                 "       r7k-bench hold [--seconds S]\n"
                 "       r7k-bench flood --sim PATH [--rate R] [--ascii] [--seconds S]\n"
                 "                       [--gateway tcp|rfc2217]\n"
                 "       r7k-bench burst [--bytes N] [--gateway tcp|rfc2217]\n"
                 "       r7k-bench integrity\n"
                 "       r7k-bench geometry CONTROL...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace r7k::bench;
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString what = args.takeFirst();
    auto option = [&args](const QString& name, const QString& fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    auto flag = [&args](const QString& name) { return args.contains(name); };
    // Through ser2net on loopback, as raw TCP or RFC 2217, instead of the pty itself.
    const QString gateway = option("--gateway", "");
    if (!gateway.isEmpty() && gateway != "tcp" && gateway != "rfc2217")
        return usage();
    if (what == "click")
        return clickToWire(option("--count", "1000").toInt(), flag("--mouse"), gateway);
    if (what == "hold")
        return holdPace(option("--seconds", "10").toInt());
    if (what == "flood") {
        return flood(option("--sim", ""), option("--rate", "1920").toInt(), flag("--ascii"),
                     option("--seconds", "30").toInt(), gateway);
    }
    if (what == "burst")
        return burst(option("--bytes", "1048576").toULongLong(), gateway);
    if (what == "integrity")
        return integrity();
    if (what == "geometry")
        return geometry(args);
    return usage();
}
