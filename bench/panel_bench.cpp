// r7k-bench: in-process benchmarks of the real panel window, core and adapters, wired as the
// application wires them, against a pseudo-terminal (or a simulated projector) whose other side
// the bench watches; with --gateway, ser2net carries that line to the panel over loopback TCP.
// Each run prints one JSON object per line; bench/run.sh gathers them.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "gateway.h"
#include "link/form1.h"
#include "link/port_address.h"
#include "qt/panel_window.h"
#include "qt/port_router.h"
#include "qt/qt_serial.h"
#include "qt/qt_timer.h"

namespace r7k::bench {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double usSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// The value below which `share` of the samples lie (nearest rank); 0 for no samples.
double percentile(std::vector<double> v, double share) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(share * double(v.size()) + 0.999999);
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

long rssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A pseudo-terminal whose master side the bench plays as the projector.
struct Pty {
    int master = -1;
    std::string slave;

    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            std::perror("r7k-bench: pseudo-terminal");
            std::exit(1);
        }
        slave = ptsname(master);
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { ::close(master); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void drain() const {
        char buf[4096];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    }
};

// Runs the event loop for `ms`, as app.exec() would. (QTest::qWait sleeps 10 ms at a time
// between event batches, which would show up as stalls and late timers.)
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The panel as the application builds it: window, serial component, five timers and the core.
// COM1 is a device path or a gateway's address.
struct LivePanel {
    PanelWindow window;
    std::unique_ptr<SerialPort> serial;
    QtTimer t1, t2, t3, t4, relink;
    Form1 form{{t1, t2, t3, t4, relink}, *serial, window};

    explicit LivePanel(const std::string& com1)
        : serial(makeSerialPort(*parsePortAddress(com1).address,
                                *parsePortAddress("/dev/r7k-bench-none").address)) {
        window.attach(&form);
    }
    QPushButton* button(const char* name) const {
        return qobject_cast<QPushButton*>(window.control(name));
    }
    // Opens the port as start-up does, shows the window and lets it settle (a gateway's
    // connection included).
    void start(bool load = true) {
        if (load)
            form.Form_Load();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::fprintf(stderr, "r7k-bench: window not exposed\n");
        spin(300);
        if (load && !serial->portOpen())
            std::fprintf(stderr, "r7k-bench: COM1 is not open\n");
    }
};

// A 10 ms precise timer that records how late each tick is against the one before: the
// event loop's stalls as the panel's own timers would feel them.
class Heartbeat {
  public:
    static constexpr milliseconds kPeriod{10};

    Heartbeat() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kPeriod);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (m_recording && m_last != Clock::time_point{})
                m_lateMs.push_back(usSince(m_last, now) / 1000.0 - double(kPeriod.count()));
            m_last = now;
        });
        m_timer.start();
    }
    void record(bool on) {
        m_recording = on;
        if (on)
            m_lateMs.clear();
    }
    const std::vector<double>& lateMs() const { return m_lateMs; }

  private:
    QTimer m_timer;
    Clock::time_point m_last{};
    bool m_recording = false;
    std::vector<double> m_lateMs;
};

// --- 1. click to wire ---------------------------------------------------------------------

int clickToWire(int count, bool mouse, const QString& gatewayMode) {
    Pty pty;
    Gateway gateway(pty.slave, gatewayMode);
    LivePanel panel(gateway.line());
    panel.start();
    QPushButton* on = panel.button("Command17");
    const std::string expected = "C00\r";
    std::vector<double> us;
    int wrong = 0;
    for (int i = 0; i < count; ++i) {
        pty.drain();
        // A mouse click reaches the panel with its release: the press goes before the clock.
        if (mouse)
            QTest::mousePress(on, Qt::LeftButton);
        const auto t0 = Clock::now();
        if (mouse) {
            QTest::mouseRelease(on, Qt::LeftButton);
        } else {
            on->click();
        }
        pollfd p{pty.master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 1000);
        const auto t1 = Clock::now();
        if (ready != 1) {
            ++wrong;
            continue;
        }
        us.push_back(usSince(t0, t1));
        std::string got;
        char buf[64];
        for (int tries = 0; got.size() < expected.size() && tries < 100; ++tries) {
            const ssize_t n = ::read(pty.master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, std::size_t(n));
            } else {
                ::poll(&p, 1, 10);
            }
        }
        if (got != expected)
            ++wrong;
        // Lets the window repaint and the timers run between clicks; each click stands alone.
        spin(2);
    }
    const std::string mode = std::string(mouse ? "QTest mouse release" : "QPushButton::click") +
                             (gatewayMode.isEmpty() ? "" : " via " + gateway.path());
    std::printf(
        "{\"bench\":\"click\",\"mode\":\"%s\",\"path\":\"%s\",\"clicks\":%d,"
        "\"p50_us\":%.1f,\"p99_us\":%.1f,\"max_us\":%.1f,\"wrong\":%d}\n",
        mode.c_str(), gateway.path().c_str(), count, percentile(us, 0.5), percentile(us, 0.99),
        maxOf(us), wrong);
    return wrong == 0 ? 0 : 1;
}

// --- 2. hold pace -------------------------------------------------------------------------

// Timestamps every complete send of the watched codes as it becomes readable on the master.
class WireWatcher {
  public:
    explicit WireWatcher(int fd) : m_fd(fd), m_thread([this] { run(); }) {}
    ~WireWatcher() {
        m_stop = true;
        m_thread.join();
    }
    std::vector<Clock::time_point> times(const std::string& send) {
        std::lock_guard lock(m_mutex);
        std::vector<Clock::time_point> out;
        for (const auto& [code, t] : m_seen) {
            if (code == send)
                out.push_back(t);
        }
        return out;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_seen.clear();
    }

  private:
    void run() {
        std::string pending;
        char buf[4096];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) != 1)
                continue;
            const auto now = Clock::now();
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                continue;
            pending.append(buf, std::size_t(n));
            std::size_t cr;
            while ((cr = pending.find('\r')) != std::string::npos) {
                std::lock_guard lock(m_mutex);
                m_seen.emplace_back(pending.substr(0, cr + 1), now);
                pending.erase(0, cr + 1);
            }
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::pair<std::string, Clock::time_point>> m_seen;
    std::thread m_thread;
};

void reportHold(const char* what, const std::vector<Clock::time_point>& t, double intervalMs,
                double heldMs) {
    std::vector<double> periods, deviation;
    for (std::size_t i = 1; i < t.size(); ++i) {
        const double ms = usSince(t[i - 1], t[i]) / 1000.0;
        periods.push_back(ms);
        deviation.push_back(std::abs(ms - intervalMs));
    }
    if (qEnvironmentVariableIsSet("R7K_BENCH_PERIODS")) {
        for (double p : periods)
            std::fprintf(stderr, "%.3f ", p);
        std::fprintf(stderr, "\n");
    }
    const double mean =
        t.size() > 1 ? usSince(t.front(), t.back()) / 1000.0 / double(t.size() - 1) : 0;
    // Sends a perfect repeater makes while held: one at the press, one per interval after it.
    const double nominal = heldMs / intervalMs + 1;
    std::printf(
        "{\"bench\":\"hold\",\"button\":\"%s\",\"interval_ms\":%.0f,\"held_ms\":%.0f,"
        "\"sends\":%zu,\"nominal\":%.0f,\"rate_share\":%.4f,\"mean_period_ms\":%.3f,"
        "\"mean_error_pct\":%.2f,\"p99_dev_ms\":%.3f,\"max_dev_ms\":%.3f}\n",
        what, intervalMs, heldMs, t.size(), nominal, double(t.size()) / nominal, mean,
        (mean - intervalMs) / intervalMs * 100.0, percentile(deviation, 0.99), maxOf(deviation));
}

int holdPace(int seconds) {
    Pty pty;
    LivePanel panel(pty.slave);
    panel.start();
    WireWatcher wire(pty.master);
    const int heldMs = seconds * 1000;

    // Zoom + held with the mouse: a press, the hold, a release anywhere.
    QPushButton* zoom = panel.button("Command15");
    wire.clear();
    QElapsedTimer held;
    QTest::mousePress(zoom, Qt::LeftButton);
    held.start();
    spin(heldMs);
    QTest::mouseRelease(zoom, Qt::LeftButton);
    const double zoomHeld = double(held.nsecsElapsed()) / 1e6;
    spin(200);
    reportHold("Command15 Zoom + (C47)", wire.times("C47\r"), 50, zoomHeld);

    // D.Zoom pressed and released sets the arrows to the digital-zoom pace; then an arrow.
    spin(1200);  // the release's display clear has run
    QPushButton* dzoom = panel.button("Command48");
    QTest::mousePress(dzoom, Qt::LeftButton);
    spin(100);
    QTest::mouseRelease(dzoom, Qt::LeftButton);
    spin(1200);
    QPushButton* up = panel.button("Command5");
    wire.clear();
    QTest::mousePress(up, Qt::LeftButton);
    held.restart();
    spin(heldMs);
    QTest::mouseRelease(up, Qt::LeftButton);
    const double upHeld = double(held.nsecsElapsed()) / 1e6;
    spin(200);
    reportHold("Command5 arrow after D.Zoom (C3C)", wire.times("C3C\r"), 5, upHeld);
    return 0;
}

// --- 3. receive flood (heartbeat) ---------------------------------------------------------

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
        rssAfter, panel.form.state().RxBuffer.size());
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}

// --- 4. burst, then a click ---------------------------------------------------------------

// Writes `bytes` random bytes to the master as fast as the line takes them (4096-byte writes,
// as r7k-sim --burst does); then posts a click of POWER ON to the panel's event queue, as an
// operator's click would arrive, and timestamps its bytes on the wire.
struct BurstFeeder {
    int fd;
    std::size_t bytes;
    QPushButton* button;
    Clock::time_point started{}, written{}, onWire{};
    std::size_t sent = 0;
    bool clickSeen = false;

    void run() {
        std::mt19937 random(7);
        std::string chunk;
        started = Clock::now();
        while (sent < bytes) {
            if (chunk.empty()) {
                chunk.resize(std::min<std::size_t>(4096, bytes - sent));
                for (char& c : chunk)
                    c = static_cast<char>(random() & 0xFF);
            }
            const ssize_t n = ::write(fd, chunk.data(), chunk.size());
            if (n > 0) {
                sent += std::size_t(n);
                chunk.erase(0, std::size_t(n));
                continue;
            }
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
        written = Clock::now();
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
        std::string got;
        char buf[256];
        const auto give_up = written + std::chrono::seconds(10);
        while (Clock::now() < give_up) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1)
                continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, std::size_t(n));
            if (got.find("C00\r") != std::string::npos) {
                onWire = Clock::now();
                clickSeen = true;
                return;
            }
        }
    }
};

int burst(std::size_t bytes, const QString& gatewayMode) {
    Pty pty;
    Gateway gateway(pty.slave, gatewayMode);
    LivePanel panel(gateway.line());
    Heartbeat beat;
    panel.start();
    spin(500);
    const long rssBefore = rssKiB();
    const double cpuBefore = cpuSeconds();
    BurstFeeder feeder{pty.master, bytes, panel.button("Command17")};
    beat.record(true);
    std::thread feed([&feeder] { feeder.run(); });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000 && (feeder.onWire == Clock::time_point{}) &&
           !(feeder.written != Clock::time_point{} && waited.elapsed() > 12000)) {
        spin(5);
    }
    spin(100);
    beat.record(false);
    feed.join();
    const double cpu = cpuSeconds() - cpuBefore;
    const long rssAfter = rssKiB();
    std::printf(
        "{\"bench\":\"burst_inprocess\",\"path\":\"%s\",\"bytes\":%zu,\"burst_ms\":%.1f,"
        "\"click_to_wire_ms\":%s,"
        "\"late_p99_ms\":%.2f,\"late_max_ms\":%.2f,\"cpu_s\":%.3f,\"rss_before_kib\":%ld,"
        "\"rss_after_kib\":%ld,\"rxd\":\"%s\"}\n",
        gateway.path().c_str(), feeder.sent, usSince(feeder.started, feeder.written) / 1000.0,
        feeder.clickSeen
            ? QByteArray::number(usSince(feeder.written, feeder.onWire) / 1000.0, 'f', 2)
                  .constData()
            : "null",
        percentile(beat.lateMs(), 0.99), maxOf(beat.lateMs()), cpu, rssBefore, rssAfter,
        std::to_string(panel.form.state().RxBuffer.size()).c_str());
    return feeder.clickSeen ? 0 : 1;
}

// --- receive integrity ----------------------------------------------------------------------

// Not a timing: checks that the serial adapter's gathering of streamed bytes delivers every
// byte in order, for a trickle, isolated pieces, a bulk write and a trickle again.
int integrity() {
    Pty pty;
    QtSerial serial(QString::fromStdString(pty.slave), QStringLiteral("/dev/r7k-bench-none"));
    std::string got;
    int reports = 0;
    serial.setCommHandler([&] {
        got += serial.input();
        ++reports;
    });
    if (!serial.setSettings("19200,N,8,1").ok() || !serial.setPortOpen(true).ok()) {
        std::fprintf(stderr, "r7k-bench: cannot open %s\n", pty.slave.c_str());
        return 1;
    }
    std::string sent;  // the writer's until it is joined
    std::atomic<std::size_t> sentCount{0};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::mt19937 random(11);
        auto put = [&](const std::string& bytes) {
            std::size_t at = 0;
            while (at < bytes.size()) {
                const ssize_t n = ::write(pty.master, bytes.data() + at, bytes.size() - at);
                if (n > 0) {
                    at += std::size_t(n);
                } else {
                    pollfd p{pty.master, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                }
            }
            sent += bytes;
            sentCount += bytes.size();
        };
        auto trickle = [&](int count) {
            for (int i = 0; i < count; ++i) {
                put(std::string(1, char(random() & 0xFF)));
                std::this_thread::sleep_for(std::chrono::microseconds(520));
            }
        };
        trickle(2000);
        for (int i = 0; i < 20; ++i) {
            put("80\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(7 + i % 5));
        }
        std::string bulk(256 * 1024, '\0');
        for (char& c : bulk)
            c = char(random() & 0xFF);
        put(bulk);
        trickle(500);
        put("\x06");
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!(done && got.size() == sentCount) && waited.elapsed() < 30000)
        spin(10);
    writer.join();
    spin(100);
    const bool same = got == sent;
    std::printf(
        "{\"bench\":\"integrity\",\"sent\":%zu,\"received\":%zu,\"reports\":%d,"
        "\"identical\":%s}\n",
        sent.size(), got.size(), reports, same ? "true" : "false");
    return same ? 0 : 1;
}

// --- helpers for the out-of-process benches -----------------------------------------------

// Prints the window-relative centre of each named control, for clicking it with xdotool.
int geometry(const QStringList& names) {
    LivePanel panel("/dev/r7k-bench-none");
    panel.window.show();
    if (!QTest::qWaitForWindowExposed(&panel.window))
        return 1;
    for (const QString& name : names) {
        QWidget* w = panel.window.control(name.toStdString());
        if (w == nullptr) {
            std::fprintf(stderr, "r7k-bench: no control %s\n", qPrintable(name));
            return 1;
        }
        const QPoint c = w->mapTo(&panel.window, w->rect().center());
        std::printf("%s %d %d\n", qPrintable(name), c.x(), c.y());
    }
    return 0;
}

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
}  // namespace r7k::bench

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
