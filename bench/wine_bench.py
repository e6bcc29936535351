#!/usr/bin/python3
"""Benchmarks of the Windows programs under Wine, in the X server in $DISPLAY.

  startup  r7k-panel.exe and r7k-floor.exe (a plain Win32 window with as many controls) started
           in turn: exec of `wine` to the window's MapNotify
  pace     the arrows' 5 ms repeat after a D.Zoom release: intervals between the "C3C" commands
           as they reach the far end of the line (a pseudo-terminal behind COM5)
  click    a click on POWER ON (XTEST) to "C00" on the far end of the line, repeated
  size     the .exe files and the installer

Prints one JSON object per measurement on standard output, then a markdown table.
"""

import argparse
import json
import os
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
        threading.Thread(target=self._read, daemon=True).start()

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

    def release(self, button=1):
        xtest.fake_input(self.d, X.ButtonRelease, button)
        self.d.sync()
        return now()


def start(exe, args, screen, title):
    t0 = now()
    proc = subprocess.Popen(["wine", exe] + args, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
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
    a = ap.parse_args()
    prefix = os.environ["WINEPREFIX"]
    line = Line(prefix)
    screen = Screen()
    results = []

    def emit(**row):
        results.append(row)
        print(json.dumps(row), flush=True)

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
