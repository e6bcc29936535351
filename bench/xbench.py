#!/usr/bin/python3
"""Out-of-process benchmarks of a real GUI program under the X server in $DISPLAY.

Measures, for r7k-panel and for the peer serial terminal (cutecom) alike:
  startup  exec to the window's MapNotify, and RSS once settled
  flood    CPU share, event-loop response (_NET_WM_PING round trips) and RSS growth while
           r7k-sim floods the program's port
  burst    worst event-loop response and RSS growth while r7k-sim sends 1 MiB at once

Prints one JSON object per measurement on standard output.
"""

import argparse
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display
from Xlib.protocol import event as xevent

PANEL_TITLE = "TOVA   R7KM & R7K    CONTROL   Ver.1.40"
PING_EVERY = 0.020  # seconds between _NET_WM_PING messages
CLK_TCK = os.sysconf("SC_CLK_TCK")
# Where cutecom's Open button sits in its window (window-relative pixels, default layout).
CUTECOM_OPEN = (50, 43)


def now():
    return time.monotonic()


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def cpu_ticks(pid):
    """utime + stime of the whole process, in clock ticks."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def cpu_ns(pid):
    """Time on a CPU of all the process's threads, in ns (schedstat: finer than ticks)."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def percentile(values, share):
    if not values:
        return None
    v = sorted(values)
    rank = max(1, min(len(v), int(share * len(v) + 0.999999)))
    return v[rank - 1]


class Sim:
    """r7k-sim on its own pseudo-terminal; its log lines are timestamped as they arrive."""

    def __init__(self, path, args):
        self.proc = subprocess.Popen([path, "--seed", "7"] + args, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        first = self.proc.stdout.readline()
        marker = "listening on "
        if marker not in first:
            raise RuntimeError("r7k-sim did not start: " + first)
        self.pty = first.split(marker, 1)[1].strip()
        self.log = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read_log, daemon=True).start()

    def _read_log(self):
        for line in self.proc.stderr:
            with self.cond:
                self.log.append((now(), line.rstrip("\n")))
                self.cond.notify_all()

    def wait_for(self, text, timeout):
        """Time the first log line containing `text` arrived, or None."""
        end = now() + timeout
        with self.cond:
            while True:
                for t, line in self.log:
                    if text in line:
                        return t
                left = end - now()
                if left <= 0:
                    return None
                self.cond.wait(left)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(3)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class X11:
    """Watches the root window for new top-level windows and answers to pings."""

    def __init__(self):
        self.d = display.Display()
        self.root = self.d.screen().root
        # Qt answers a ping at the root with StructureNotify | SubstructureRedirect; the first is
        # the one a client other than the window manager can select.
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
        self.WM_PROTOCOLS = self.d.intern_atom("WM_PROTOCOLS")
        self.PING = self.d.intern_atom("_NET_WM_PING")
        self.PID = self.d.intern_atom("_NET_WM_PID")
        self.NAME = self.d.intern_atom("_NET_WM_NAME")
        self.UTF8 = self.d.intern_atom("UTF8_STRING")
        self.d.sync()

    def events(self, timeout):
        """Yields (arrival time, event) until `timeout` seconds pass without one."""
        while True:
            if self.d.pending_events() == 0:
                ready, _, _ = select.select([self.d], [], [], timeout)
                if not ready and self.d.pending_events() == 0:
                    return
            while self.d.pending_events():
                yield now(), self.d.next_event()

    def title(self, win):
        try:
            p = win.get_full_property(self.NAME, self.UTF8)
            if p is not None:
                return p.value.decode("utf-8", "replace")
            return win.get_wm_name() or ""
        except Exception:  # the window may be gone already
            return ""

    def pid_of(self, win):
        try:
            p = win.get_full_property(self.PID, X.AnyPropertyType)
            return int(p.value[0]) if p is not None else None
        except Exception:
            return None

    def wait_mapped(self, pid, title, timeout=20.0):
        """(window, time of its MapNotify) for the first top-level window of `pid` (and with
        `title`, if given) that is mapped."""
        end = now() + timeout
        while now() < end:
            for t, ev in self.events(max(0.0, end - now())):
                if ev.type != X.MapNotify or ev.event != self.root:
                    continue
                win = ev.window
                if self.pid_of(win) != pid:
                    continue
                if title is not None and self.title(win) != title:
                    continue
                return win, t
        raise RuntimeError(f"no window of pid {pid} was mapped within {timeout} s")

    def ping(self, win, seconds, actions=()):
        """Sends _NET_WM_PING every PING_EVERY for `seconds`; returns the round trips (s) as
        (send time, round trip) pairs and the count never answered. `actions` are
        (delay, callable) run at those offsets from the start."""
        serial = 0
        sent = {}
        rtts = []
        start = now()
        next_ping = start
        todo = sorted(actions, key=lambda a: a[0])
        while True:
            t = now()
            if todo and t - start >= todo[0][0]:
                # In a thread: the pings go on while an action waits for its own steps.
                threading.Thread(target=todo.pop(0)[1], daemon=True).start()
                continue
            if t - start >= seconds:
                break
            if t >= next_ping:
                serial = (serial + 1) & 0xFFFFFFFF
                msg = xevent.ClientMessage(window=win, client_type=self.WM_PROTOCOLS,
                                           data=(32, [self.PING, serial, win.id, 0, 0]))
                win.send_event(msg, event_mask=0)
                self.d.flush()
                sent[serial] = now()
                next_ping += PING_EVERY
                if next_ping < t:
                    next_ping = t + PING_EVERY
            wait = max(0.0, min(next_ping, start + seconds) - now())
            if todo:
                wait = min(wait, max(0.0, start + todo[0][0] - now()))
            for t_ev, ev in self.events(wait):
                if ev.type == X.ClientMessage and ev.window == self.root:
                    fmt, data = ev.data
                    if fmt == 32 and data[0] == self.PING and data[1] in sent:
                        t0 = sent.pop(data[1])
                        rtts.append((t0, t_ev - t0))
                if now() >= next_ping:
                    break
        # Late answers still count, up to one second after the last ping.
        end = now() + 1.0
        while sent and now() < end:
            for t_ev, ev in self.events(max(0.0, end - now())):
                if ev.type == X.ClientMessage and ev.window == self.root:
                    fmt, data = ev.data
                    if fmt == 32 and data[0] == self.PING and data[1] in sent:
                        t0 = sent.pop(data[1])
                        rtts.append((t0, t_ev - t0))
                if not sent or now() >= end:
                    break
        return rtts, len(sent)


def stall_figures(rtts, lost, since=None, until=None):
    v = [r for t, r in rtts if (since is None or t >= since) and (until is None or t <= until)]
    return {
        "pings": len(v),
        "ping_p50_ms": round(percentile(v, 0.5) * 1000, 2) if v else None,
        "ping_p99_ms": round(percentile(v, 0.99) * 1000, 2) if v else None,
        "ping_max_ms": round(max(v) * 1000, 2) if v else None,
        "pings_lost": lost,
    }


class Programs:
    """How each program is started, pointed at a port and told to open it."""

    def __init__(self, args, home):
        self.args = args
        self.home = home
        self.env = dict(os.environ)
        self.env["HOME"] = home
        self.env["XDG_CONFIG_HOME"] = os.path.join(home, ".config")
        self.env["XDG_CACHE_HOME"] = os.path.join(home, ".cache")
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env.pop("QT_QPA_PLATFORM", None)
        self.panel_clicks = None

    def cutecom_session(self, device):
        """A session with the device at 19200 8N1. Hardware flow control: with "None" cutecom
        sets DTR/RTS, which a pseudo-terminal refuses, and it then closes and retries."""
        conf = os.path.join(self.home, ".config", "CuteCom")
        os.makedirs(conf, exist_ok=True)
        with open(os.path.join(conf, "CuteCom5.conf"), "w") as f:
            f.write("[sessions]\n"
                    "1\\BaudRate=19200\n1\\DataBits=8\n"
                    f"1\\Device={device}\n"
                    "1\\FlowControl=1\n1\\History=@Invalid()\n1\\MacroFile=\n"
                    "1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                    "1\\autoReconnect=false\n1\\name=bench\n"
                    "1\\showCtrlCharacters=false\n1\\showTimestamp=false\n"
                    "size=1\n")

    def start(self, which, com1, com2=None):
        if which == "floor":
            cmd, title = [self.args.floor], "r7k-floor"
        elif which in ("panel", "before"):
            panel = self.args.panel if which == "panel" else self.args.panel_before
            cmd = [panel, "--com1", com1]
            if com2:
                cmd += ["--com2", com2]
            title = PANEL_TITLE
        else:
            self.cutecom_session(com1)
            cmd = [self.args.cutecom, "-s", "bench"]
            title = None
        env = self.env
        t0 = now()
        proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        return proc, t0, title

    def panel_geometry(self):
        if self.panel_clicks is None:
            out = subprocess.run([self.args.bench, "geometry", "Command33", "Option2"],
                                 env=self.env, capture_output=True, text=True, check=True).stdout
            self.panel_clicks = {n: (int(x), int(y))
                                 for n, x, y in (l.split() for l in out.splitlines())}

    def panel_click(self, win, control):
        self.panel_geometry()
        x, y = self.panel_clicks[control]
        click(win, x, y)


def click(win, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", str(win.id), str(x), str(y),
                    "click", "1"], check=True)


def stop(proc):
    proc.terminate()
    try:
        proc.wait(3)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def startup(x11, progs, which, sim_path, runs, warm=True):
    results = []
    for run in range(0 if warm else 1, runs + 1):  # a first start warms the caches, uncounted
        sim = Sim(sim_path, ["--quiet"])
        try:
            proc, t0, title = progs.start(which, sim.pty)
            _, mapped = x11.wait_mapped(proc.pid, title)
            time.sleep(1.0)
            rss = rss_kib(proc.pid)
            stop(proc)
        finally:
            sim.stop()
        if run == 0:
            continue
        results.append({"bench": "startup", "program": which, "run": run,
                        "map_ms": round((mapped - t0) * 1000, 1), "rss_kib": rss})
        time.sleep(0.3)
    return results


def flood(x11, progs, which, sim_path, rate, ascii, seconds):
    """rate 0: the line open and silent, which shows what the pings themselves cost."""
    args = ((["--flood", str(rate)] + (["--flood-ascii"] if ascii else [])) if rate else [])
    sim = Sim(sim_path, args)
    try:
        proc, _, title = progs.start(which, sim.pty)
        try:
            win, _ = x11.wait_mapped(proc.pid, title)
            time.sleep(0.3)
            if which == "cutecom":
                click(win, *CUTECOM_OPEN)
            if sim.wait_for("the line was opened", 10) is None:
                raise RuntimeError(f"{which} did not open {sim.pty}")
            time.sleep(1.0)  # the flood is running; start-up is behind
            rss0, cpu0, ns0, t0 = rss_kib(proc.pid), cpu_ticks(proc.pid), cpu_ns(proc.pid), now()
            rtts, lost = x11.ping(win, seconds)
            t1 = now()
            rss1, cpu1, ns1 = rss_kib(proc.pid), cpu_ticks(proc.pid), cpu_ns(proc.pid)
            closed = sum(1 for _, l in sim.log if "the line was closed" in l)
        finally:
            stop(proc)
    finally:
        sim.stop()
    wall = t1 - t0
    kind = ("ascii" if ascii else "random") if rate else "silent"
    r = {"bench": "flood", "program": which, "kind": kind,
         "rate": rate, "seconds": round(wall, 2),
         "cpu_pct": round((cpu1 - cpu0) / CLK_TCK / wall * 100, 2),
         "cpu_pct_schedstat": round((ns1 - ns0) / 1e9 / wall * 100, 2),
         "rss_before_kib": rss0, "rss_after_kib": rss1, "rss_growth_kib": rss1 - rss0,
         "line_closed": closed}
    r.update(stall_figures(rtts, lost))
    return r


def burst(x11, progs, which, sim_path, size):
    sim = Sim(sim_path, ["--burst", str(size)])
    quiet_master, quiet_slave = os.openpty()  # the panel's COM1: a line that stays silent
    try:
        if which == "panel":
            proc, _, title = progs.start(which, os.ttyname(quiet_slave), sim.pty)
        else:
            proc, _, title = progs.start(which, sim.pty)
        try:
            win, _ = x11.wait_mapped(proc.pid, title)
            if which == "panel":
                progs.panel_geometry()
            time.sleep(1.0)
            rss0 = rss_kib(proc.pid)
            marks = {}

            def open_line():
                marks["trigger"] = now()
                if which == "panel":
                    # The port group, then COM2: the panel opens the simulator's line.
                    progs.panel_click(win, "Command33")
                    time.sleep(0.2)
                    progs.panel_click(win, "Option2")
                else:
                    click(win, *CUTECOM_OPEN)

            rtts, lost = x11.ping(win, 1.0, [(0.5, open_line)])
            opened = sim.wait_for("the line was opened", 10)
            done = sim.wait_for(f"burst of {size} bytes sent", 60)
            more, lost2 = x11.ping(win, 1.5)
            rtts += more
            lost += lost2
            rss1 = rss_kib(proc.pid)
        finally:
            stop(proc)
    finally:
        sim.stop()
        os.close(quiet_master)
        os.close(quiet_slave)
    if opened is None or done is None:
        raise RuntimeError(f"{which}: the burst did not go through")
    r = {"bench": "burst", "program": which, "bytes": size,
         "burst_ms": round((done - opened) * 1000, 1),
         "rss_before_kib": rss0, "rss_after_kib": rss1, "rss_growth_kib": rss1 - rss0}
    # Stalls from the moment the line opens until a second after the last byte went out.
    r.update(stall_figures(rtts, lost, since=opened - PING_EVERY, until=done + 1.0))
    base = stall_figures(rtts, 0, until=marks["trigger"])
    r["ping_max_before_ms"] = base["ping_max_ms"]
    return r


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--panel", required=True)
    ap.add_argument("--sim", required=True)
    ap.add_argument("--bench", required=True, help="r7k-bench (control positions)")
    ap.add_argument("--cutecom", default=shutil.which("cutecom") or "cutecom")
    ap.add_argument("--floor", help="r7k-floor: a plain Qt window, the start-up floor")
    ap.add_argument("--panel-before", help="an earlier build of r7k-panel, started in turn "
                    "with the others at start-up")
    ap.add_argument("--programs", default="panel,cutecom")
    ap.add_argument("--tests", default="startup,idle,flood,burst")
    ap.add_argument("--idle-seconds", type=float, default=10)
    ap.add_argument("--startup-runs", type=int, default=5)
    ap.add_argument("--flood-runs", type=int, default=3)
    ap.add_argument("--flood-seconds", type=float, default=30)
    ap.add_argument("--flood-rate", type=int, default=1920)
    ap.add_argument("--burst-runs", type=int, default=3)
    ap.add_argument("--burst-bytes", type=int, default=1048576)
    a = ap.parse_args()

    home = tempfile.mkdtemp(prefix="r7k-bench-home-")
    progs = Programs(a, home)
    x11 = X11()
    programs = a.programs.split(",")
    tests = a.tests.split(",")
    # The floor is measured only where it means something: beside the panel at start-up.
    startup_programs = programs + (["floor"] if a.floor and "floor" not in programs else [])
    startup_programs += ["before"] if a.panel_before else []

    def emit(r):
        print(json.dumps(r), flush=True)

    try:
        if "startup" in tests:
            # In turn, so that a load that comes and goes touches every program alike.
            for which in startup_programs:
                startup(x11, progs, which, a.sim, 0)  # warms the caches
            for run in range(1, a.startup_runs + 1):
                for which in startup_programs:
                    for r in startup(x11, progs, which, a.sim, 1, warm=False):
                        r["run"] = run
                        emit(r)
        if "idle" in tests:
            for which in programs:
                r = flood(x11, progs, which, a.sim, 0, False, a.idle_seconds)
                r["run"] = 1
                emit(r)
        if "flood" in tests:
            for run in range(1, a.flood_runs + 1):
                for ascii in (False, True):
                    for which in programs:
                        r = flood(x11, progs, which, a.sim, a.flood_rate, ascii,
                                  a.flood_seconds)
                        r["run"] = run
                        emit(r)
        if "burst" in tests:
            for run in range(1, a.burst_runs + 1):
                for which in programs:
                    r = burst(x11, progs, which, a.sim, a.burst_bytes)
                    r["run"] = run
                    emit(r)
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
