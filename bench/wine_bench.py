#!/usr/bin/python3
"""Benchmarks of the Windows programs under Wine, in the X server in $DISPLAY.

  startup  r7k-panel.exe and r7k-floor.exe (a plain Win32 window with as many controls) started
           in turn: exec of `wine` to the window's MapNotify
  pace     the arrows' 5 ms repeat after a D.Zoom release: intervals between the "C3C" commands
           as they reach the far end of the line (a pseudo-terminal behind COM5)
  click    a click on POWER ON (XTEST) to "C00" on the far end of the line, repeated
  size     the .exe files and the installer
  flood    (with --sim) `r7k-sim --flood 1920` on COM5 for --flood-seconds: CPU of r7k-panel.exe,
           the wineserver and every other process of the prefix; then a flood of its own with
           POWER ON clicked once a second and ACK answered amid the flood: the ACK's byte on the
           line to its RXD line in --trace

Prints one JSON object per measurement on standard output, then a markdown table.
"""

import argparse
import json
import os
import random
import statistics
import subprocess
import threading
import time
import tty

from Xlib import X, display
from Xlib.ext import xtest

TITLE = "TOVA   R7KM & R7K    CONTROL   Ver.1.40"
FLOOR_TITLE = "r7k-floor"
# Centres of the controls used, in client pixels at 96 DPI (laid-out twips / 15, containers
# added): POWER ON (Command17 in Frame1), D.Zoom + (Command48), the up arrow (Command5).
POWER_ON = (36, 66)
DZOOM_PLUS = (444, 200)
ARROW_UP = (108, 180)


CLK_TCK = os.sysconf("SC_CLK_TCK")


def now():
    return time.monotonic()


def percentile(values, share):
    v = sorted(values)
    return v[max(0, min(len(v) - 1, int(share * len(v) + 0.999999) - 1))]


class Line:
    """The far end of COM5: a pseudo-terminal whose commands are timestamped as they arrive."""

    def __init__(self, prefix):
        self.master, slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(slave)
        self.slave_fd = slave
        link = os.path.join(prefix, "dosdevices", "com5")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.ttyname(slave), link)
        self.commands = []  # (time the CR arrived, command)
        self.cond = threading.Condition()
        self.replies = []  # bytes to send amid the flood; their times are appended to `sent`
        self.sent = []
        threading.Thread(target=self._read, daemon=True).start()

    def flood(self, rate, seconds):
        """Lower-case letters, one write per byte at `rate` bytes/s, with the queued replies
        written between two of them."""
        end, due, gap = now() + seconds, now(), 1.0 / rate
        while due < end:
            time.sleep(max(0.0, due - now()))
            with self.cond:
                reply = self.replies.pop(0) if self.replies else None
            if reply is not None:
                os.write(self.master, reply)
                with self.cond:
                    self.sent.append(now())
            os.write(self.master, bytes([random.randrange(0x61, 0x7B)]))
            due += gap

    def _read(self):
        pending = b""
        while True:
            try:
                data = os.read(self.master, 4096)
            except OSError:
                return
            t = now()
            pending += data
            while b"\r" in pending:
                cmd, pending = pending.split(b"\r", 1)
                with self.cond:
                    self.commands.append((t, cmd.decode("latin-1")))
                    self.cond.notify_all()

    def wait_for(self, command, after, timeout=2.0):
        end = now() + timeout
        with self.cond:
            while True:
                for t, c in self.commands:
                    if c == command and t >= after:
                        return t
                if now() >= end:
                    return None
                self.cond.wait(end - now())


class Screen:
    def __init__(self):
        self.d = display.Display()
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.d.sync()

    def wait_mapped(self, title, timeout=30.0):
        end = now() + timeout
        while now() < end:
            while self.d.pending_events():
                ev = self.d.next_event()
                t = now()
                if ev.type == X.MapNotify and ev.event == self.root:
                    try:
                        name = ev.window.get_wm_name() or ""
                    except Exception:
                        name = ""
                    if name == title:
                        return ev.window, t
            time.sleep(0.0005)
        raise RuntimeError(f"no window '{title}' within {timeout} s")

    def origin(self, win):
        g = win.translate_coords(self.root, 0, 0)
        return -g.x, -g.y

    def press(self, win, at, button=1):
        x, y = self.origin(win)
        xtest.fake_input(self.d, X.MotionNotify, x=x + at[0], y=y + at[1])
        xtest.fake_input(self.d, X.ButtonPress, button)
        self.d.sync()

    def park(self):
        g = self.root.get_geometry()
        xtest.fake_input(self.d, X.MotionNotify, x=g.width - 1, y=g.height - 1)
        self.d.sync()

    def release(self, button=1):
        xtest.fake_input(self.d, X.ButtonRelease, button)
        self.d.sync()
        return now()


def wine_cpu(prefix):
    """utime + stime in clock ticks of every Wine process of `prefix` (its programs, services and
    wineserver), by name."""
    ticks = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if not os.path.basename(os.readlink(f"/proc/{pid}/exe")).startswith("wine"):
                continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}\0".encode() not in f.read():
                    continue
            with open(f"/proc/{pid}/stat") as f:
                head, fields = f.read().rsplit(")", 1)
            name = head.split("(", 1)[1]
            ticks[pid] = (name, int(fields.split()[11]) + int(fields.split()[12]))
        except OSError:
            continue
    return ticks


def cpu_shares(before, after, seconds):
    """% of a core per process name (r7k-panel.exe, wineserver, the rest as "other")."""
    share = {}
    for pid, (name, t1) in after.items():
        key = "wineserver" if name.startswith("wineserver") else name
        key = key if key in ("r7k-panel.exe", "wineserver") else "other"
        t0 = before.get(pid, (name, 0))[1]
        share[key] = share.get(key, 0.0) + (t1 - t0) / CLK_TCK / seconds * 100
    return {k: round(v, 2) for k, v in share.items()}


def flood(a, screen, prefix, line):
    """CPU under `r7k-sim --flood 1920`, then the reply latency amid a flood of our own."""
    link = os.path.join(prefix, "dosdevices", "com5")
    sim = subprocess.Popen([a.sim, "--flood", "1920", "--seed", "7", "--link", link],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    sim.stdout.readline()
    proc, _, _ = start(a.panel, ["--com1", "COM5"], screen, TITLE)
    # The pointer off the window: resting on a button, it costs Wine's mouse tracking 100
    # wake-ups a second of its own, flood or not.
    screen.park()
    time.sleep(2.0)
    before, t0 = wine_cpu(prefix), now()
    time.sleep(a.flood_seconds)
    after, t1 = wine_cpu(prefix), now()
    stop(proc)
    sim.terminate()
    sim.wait()
    shares = cpu_shares(before, after, t1 - t0)
    row = dict(bench="flood_cpu", seconds=round(t1 - t0, 1), total=round(sum(shares.values()), 2))
    row.update(shares)

    # The latency: our own line on COM5 again, --trace read as it comes.
    if not os.path.lexists(link):  # the simulator took its own link away
        os.symlink(os.ttyname(line.slave_fd), link)
    proc, win, _ = start(a.panel, ["--com1", "COM5", "--trace"], screen, TITLE,
                         stdout=subprocess.PIPE)
    shown = []  # arrival times of RXD lines showing an ACK
    def read_trace():
        for raw in proc.stdout:
            if b"\tRXD\t" in raw and b"ACK" in raw:
                shown.append(now())
    threading.Thread(target=read_trace, daemon=True).start()
    clicks = int(a.flood_seconds)
    flooder = threading.Thread(target=line.flood, args=(1920, clicks + 3.0), daemon=True)
    flooder.start()
    time.sleep(1.0)
    lat = []
    for _ in range(clicks):
        screen.press(win, POWER_ON)
        t = screen.release()
        if line.wait_for("C00", t - 0.001) is not None:
            with line.cond:
                line.replies.append(b"\x06")
                n = len(line.sent)
            time.sleep(0.2)
            with line.cond:
                ack = line.sent[n] if len(line.sent) > n else None
            later = [s for s in shown if ack is not None and s >= ack]
            if later:
                lat.append((later[0] - ack) * 1000)
        time.sleep(0.8)
    flooder.join()
    stop(proc)
    row.update(reply_p50_ms=percentile(lat, 0.5) if lat else None,
               reply_p90_ms=percentile(lat, 0.9) if lat else None,
               reply_max_ms=max(lat) if lat else None, replies=clicks, replies_shown=len(lat))
    return row


def start(exe, args, screen, title, stdout=subprocess.DEVNULL):
    t0 = now()
    proc = subprocess.Popen(["wine", exe] + args, stdout=stdout, stderr=subprocess.DEVNULL)
    win, t1 = screen.wait_mapped(title)
    return proc, win, (t1 - t0) * 1000


def stop(proc):
    proc.kill()
    proc.wait()
    time.sleep(0.3)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--panel", required=True)
    ap.add_argument("--floor", required=True)
    ap.add_argument("--installer")
    ap.add_argument("--ctl")
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--clicks", type=int, default=60)
    ap.add_argument("--sim", help="r7k-sim (Linux build), for the flood")
    ap.add_argument("--flood-seconds", type=float, default=20)
    ap.add_argument("--flood-only", action="store_true")
    a = ap.parse_args()
    prefix = os.environ["WINEPREFIX"]
    line = Line(prefix)
    screen = Screen()
    results = []

    def emit(**row):
        results.append(row)
        print(json.dumps(row), flush=True)

    if a.sim:
        # The flood first: its line's link is made anew for the rest.
        f = flood(a, screen, prefix, line)
        emit(**f)
        print(f"\n| flood 1920 B/s, {f['seconds']:.0f} s | % of a core |\n|---|---|")
        for k in ("r7k-panel.exe", "wineserver", "other", "total"):
            print(f"| {k} | {f.get(k, 0.0):.2f} |")
        print(f"| ACK on the line → RXD line (--trace), p50 / p90 / max | "
              f"{f['reply_p50_ms']:.1f} / {f['reply_p90_ms']:.1f} / {f['reply_max_ms']:.1f} ms "
              f"({f['replies_shown']} of {f['replies']} shown) |")
        if a.flood_only:
            return

    # Start-up, in turn, after one warm-up start of each.
    times = {"panel": [], "floor": []}
    for i in range(a.runs + 1):
        for name, exe, args, title in (("floor", a.floor, [], FLOOR_TITLE),
                                       ("panel", a.panel, ["--com1", "COM5"], TITLE)):
            proc, _, ms = start(exe, args, screen, title)
            stop(proc)
            if i > 0:
                times[name].append(ms)
    for name, v in times.items():
        emit(bench="startup", program=name, median_ms=statistics.median(v), runs=len(v))

    proc, win, _ = start(a.panel, ["--com1", "COM5"], screen, TITLE)
    time.sleep(1.0)
    # Click to wire.
    lat = []
    for _ in range(a.clicks):
        screen.press(win, POWER_ON)
        t0 = screen.release()
        t1 = line.wait_for("C00", t0 - 0.001)
        if t1 is not None:
            lat.append((t1 - t0) * 1000)
        time.sleep(0.1)
    emit(bench="click", p50_ms=percentile(lat, 0.5), p99_ms=percentile(lat, 0.99),
         clicks=a.clicks, seen=len(lat))

    # The 5 ms pace: D.Zoom + pressed and released, then the up arrow held for 3 s.
    screen.press(win, DZOOM_PLUS)
    time.sleep(0.1)
    screen.release()
    time.sleep(0.3)
    t_start = now()
    screen.press(win, ARROW_UP)
    time.sleep(3.0)
    t_end = screen.release()
    ups = [t for t, c in line.commands if c == "C3C" and t_start <= t <= t_end]
    gaps = [(b - a_) * 1000 for a_, b in zip(ups, ups[1:])]
    within = sum(1 for g in gaps if abs(g - 5.0) <= 1.0)
    emit(bench="pace", sends=len(ups), mean_ms=statistics.mean(gaps) if gaps else None,
         within_1ms_share=within / len(gaps) if gaps else 0.0,
         p99_ms=percentile(gaps, 0.99) if gaps else None)
    stop(proc)

    sizes = {os.path.basename(p): os.path.getsize(p)
             for p in (a.panel, a.ctl, a.floor, a.installer) if p and os.path.exists(p)}
    emit(bench="size", bytes=sizes)

    s = {r["program"]: r["median_ms"] for r in results if r["bench"] == "startup"}
    c = next(r for r in results if r["bench"] == "click")
    p = next(r for r in results if r["bench"] == "pace")
    print("\n| measure | r7k-panel.exe | floor | ratio / target |\n|---|---|---|---|")
    print(f"| start-up to window mapped (median of {a.runs}) | {s['panel']:.0f} ms | "
          f"{s['floor']:.0f} ms | {s['panel'] / s['floor']:.2f} (at most 1.3) |")
    print(f"| click → wire p50 / p99 | {c['p50_ms']:.2f} / {c['p99_ms']:.2f} ms | | "
          f"p99 under 5 ms |")
    print(f"| 5 ms pace: intervals within 1 ms of 5 ms | {100 * p['within_1ms_share']:.1f} % "
          f"({p['sends']} sends, mean {p['mean_ms']:.3f} ms) | | at least 95 % |")
    for name, b in sizes.items():
        print(f"| size of {name} | {b / 1024:.0f} KiB | | |")


if __name__ == "__main__":
    main()
