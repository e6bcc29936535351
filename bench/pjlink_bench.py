#!/usr/bin/python3
"""r7k-pjlink against r7k-sim on a pseudo-terminal, controllers on loopback TCP.

  latency     %1POWR ? one request at a time, spaced, and back to back on one connection (the
              next written when the last answer is read), timed at the controller (request
              written to answer read); beside it, the same query as r7k-ctl's `status` steps
              in one multi-step run, from their --json rtt_ms (r7k-ctl keeps the panel's pace)
  throughput  BURST requests written at once on one connection: when the last is answered
  mapping     every request of the PJLink mapping, the projector on, ROUNDS times: latency,
              and the time from one command's OK to the next command's
  auth        a new connection with a password for each request, AUTH in a row: latency,
              and the service's open descriptors before and after
  dead        a projector that never answers: ERR4 latency, single and 20 controllers at once
  soak        CLIENTS controllers each polling POWR ? and ERST ? once a second (a poll waits
              for the answers of the last one, as a controller does): wrong answers, errors
              by kind, answer latency, CPU, and the service's RSS over time from /proc

With --wine-service EXE the service is r7k-pjlink.exe, a Windows service under Wine
(WINEPREFIX): latency without r7k-ctl's side, auth without the descriptors.

Prints one JSON object per measurement on standard output.
"""

import argparse
import hashlib
import json
import os
import re
import selectors
import socket
import subprocess
import threading
import time

RIGHT = {"POWR": re.compile(r"%1POWR=[0-3]"), "ERST": re.compile(r"%1ERST=[0-9]{6}")}


def now():
    return time.monotonic()


def percentile(values, share):
    if not values:
        return None
    v = sorted(values)
    return v[max(1, min(len(v), int(share * len(v) + 0.999999))) - 1]


def summary(ms):
    return {"n": len(ms), "p50_ms": percentile(ms, 0.50), "p99_ms": percentile(ms, 0.99),
            "max_ms": max(ms) if ms else None}


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


class Sim:
    """r7k-sim on a new pseudo-terminal, quiet."""

    def __init__(self, path, extra=()):
        self.proc = subprocess.Popen([path, "--quiet", "--seed", "7", *extra],
                                     stdout=subprocess.PIPE, text=True)
        first = self.proc.stdout.readline()
        if "listening on " not in first:
            raise RuntimeError("r7k-sim did not start: " + first)
        self.pty = first.split("listening on ", 1)[1].strip()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)


class Service:
    """r7k-pjlink on a free loopback port; its log is kept, counted by kind."""

    def __init__(self, path, pty, clients, extra=()):
        self.proc = subprocess.Popen(
            [path, "--port", pty, "--listen", "127.0.0.1:0", "--max-clients", str(clients),
             *extra], stderr=subprocess.PIPE, text=True)
        first = self.proc.stderr.readline()
        m = re.search(r" on 127\.0\.0\.1:(\d+) for ", first)
        if not m:
            raise RuntimeError("r7k-pjlink did not start: " + first)
        self.port = int(m.group(1))
        self.log = []
        threading.Thread(target=self._read_log, daemon=True).start()

    def _read_log(self):
        for line in self.proc.stderr:
            self.log.append(line.rstrip("\n"))

    def log_kinds(self):
        """Log lines with the peer's address and numbers taken out, counted."""
        kinds = {}
        for line in self.log:
            kind = re.sub(r"127\.0\.0\.1:\d+", "PEER", re.sub(r"\d+ ms", "N ms", line))
            kinds[kind] = kinds.get(kind, 0) + 1
        return kinds

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)


class WineService:
    """r7k-pjlink.exe as a Windows service under Wine (WINEPREFIX): its COM port linked to the
    sim's pty, installed, started and at the end removed through Wine's service manager; it
    logs to its file, so no log is kept here and it has no Linux process to look at."""

    def __init__(self, exe, pty, clients, extra=()):
        self.exe, self.proc, self.log = exe, None, []
        self.com = f"COM{20 + os.getpid() % 200}"
        self.link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", self.com.lower())
        if os.path.lexists(self.link):
            os.remove(self.link)
        os.symlink(pty, self.link)
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        # A file of this machine is a Z: path to the Windows program.
        extra = ["Z:" + a.replace("/", "\\") if a.startswith("/") else a for a in extra]
        self._wine("remove", check=False)
        self._wine("install", "--port", self.com, "--listen", f"127.0.0.1:{self.port}",
                   "--max-clients", str(clients), *extra)
        self._wine("start")

    def _wine(self, *words, check=True):
        # Not to pipes: Wine's own processes started by it would hold them open.
        subprocess.run(["wine", self.exe, "service", *words], check=check, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def log_kinds(self):
        return {}

    def stop(self):
        self._wine("remove", check=False)
        os.remove(self.link)


def make_service(args, pty, clients, extra=()):
    if args.wine_service:
        return WineService(args.wine_service, pty, clients, extra)
    return Service(args.pjlink, pty, clients, extra)


class Controller:
    """A blocking PJLink controller: one connection, answers read line by line."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.buf = b""
        self.greeting = self.line()

    def line(self):
        while b"\r" not in self.buf:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("closed by the service")
            self.buf += chunk
        text, self.buf = self.buf.split(b"\r", 1)
        return text.decode("latin-1")

    def ask(self, request):
        start = now()
        self.sock.sendall(request.encode() + b"\r")
        answer = self.line()
        return answer, (now() - start) * 1000

    def close(self):
        self.sock.close()


def ctl_steps(ctl, pty, count):
    """r7k-ctl --json with `count` status steps: each step's rtt_ms and the run's wall time."""
    start = now()
    out = subprocess.run([ctl, "--port", pty, "--json"] + ["status"] * count,
                         capture_output=True, text=True, timeout=count * 5 + 30)
    wall = now() - start
    rows = [json.loads(line) for line in out.stdout.splitlines() if line.startswith("{")]
    wrong = sum(1 for r in rows if r["outcome"] != "reply")
    return [r["rtt_ms"] for r in rows], wrong, wall, out.returncode


def latency(args):
    sim = Sim(args.sim)
    service = make_service(args, sim.pty, 4)
    try:
        c = Controller(service.port)
        for _ in range(3):  # the port opened, the first reply window over
            c.ask("%1POWR ?")
            time.sleep(args.spacing)
        times, wrong = [], 0
        for _ in range(args.requests):
            answer, ms = c.ask("%1POWR ?")
            times.append(ms)
            wrong += not RIGHT["POWR"].fullmatch(answer)
            time.sleep(args.spacing)
        print(json.dumps({"bench": "pjlink_latency", "path": "r7k-pjlink, TCP client",
                          "spacing_s": args.spacing, "wrong": wrong, **summary(times)}),
              flush=True)
        times, wrong = [], 0
        for _ in range(args.requests):
            answer, ms = c.ask("%1POWR ?")
            times.append(ms)
            wrong += not RIGHT["POWR"].fullmatch(answer)
        print(json.dumps({"bench": "pjlink_latency", "path": "r7k-pjlink, back to back",
                          "wrong": wrong, **summary(times)}), flush=True)
        # Written at once on the one connection: answered in order.
        time.sleep(args.spacing)
        start = now()
        c.sock.sendall(b"%1POWR ?\r" * args.burst)
        answers = [c.line() for _ in range(args.burst)]
        wall = now() - start
        print(json.dumps({"bench": "pjlink_throughput", "path": "r7k-pjlink, one connection",
                          "requests": args.burst, "all_answered_ms": round(wall * 1000, 2),
                          "per_s": round(args.burst / wall, 2),
                          "wrong": sum(not RIGHT["POWR"].fullmatch(a) for a in answers)}),
              flush=True)
        c.sock.close()
    finally:
        service.stop()
    if args.wine_service:
        return sim.stop()  # r7k-ctl's figures are the Linux run's
    # The same line, now r7k-ctl's: one process, many steps, its start-up left out.
    rtts, wrong, wall, status = ctl_steps(args.ctl, sim.pty, args.requests)
    sim.stop()
    print(json.dumps({"bench": "pjlink_latency", "path": "r7k-ctl --json status ..., rtt_ms",
                      "wrong": wrong, "exit": status, **summary(rtts)}), flush=True)
    print(json.dumps({"bench": "pjlink_throughput", "path": "r7k-ctl, steps of one run",
                      "requests": len(rtts), "seconds": round(wall, 3),
                      "per_s": round(len(rtts) / wall, 2)}), flush=True)


MAPPING = ["%1POWR ?", "%1ERST ?", "%1INPT ?", "%1AVMT ?", "%1LAMP ?", "%1INST ?",
           "%1NAME ?", "%1CLSS ?", "%1INPT 12", "%1INPT 11", "%1AVMT 11", "%1AVMT 10",
           "%1AVMT 21", "%1AVMT 20", "%1AVMT 31", "%1AVMT 30", "%2FREZ 1", "%2FREZ 0",
           "%2SVOL 1", "%2SVOL 0", "%1POWR 1"]


def mapping(args):
    """Every request of the mapping with the projector on, as a room controller sends them."""
    sim = Sim(args.sim, ["--fast"])
    service = make_service(args, sim.pty, 4)
    try:
        c = Controller(service.port)
        c.ask("%1POWR 1")
        while c.ask("%1POWR ?")[0] != "%1POWR=1":
            time.sleep(0.2)
        times, wrong, gaps = [], 0, []
        last_ok = None
        for _ in range(args.rounds):
            for request in MAPPING:
                answer, ms = c.ask(request)
                times.append(ms)
                wrong += "ERR" in answer
                if " ?" not in request:
                    if last_ok is not None:
                        gaps.append((now() - last_ok) * 1000)
                    last_ok = now()
        print(json.dumps({"bench": "pjlink_mapping", "requests_per_round": len(MAPPING),
                          "rounds": args.rounds, "errors": wrong, **summary(times),
                          "command_to_command": summary(gaps)}), flush=True)
    finally:
        service.stop()
        sim.stop()


def auth(args):
    """A new connection with the password for each request."""
    sim = Sim(args.sim)
    with open(os.path.join(os.environ.get("TMPDIR", "/tmp"), "r7k-bench-password"), "w") as f:
        f.write("secret\n")
    service = make_service(args, sim.pty, 4, ["--password-file", f.name])
    try:
        Controller(service.port).close()
        time.sleep(0.3)
        before = descriptors(service.proc.pid) if service.proc else None
        times, wrong = [], 0
        for _ in range(args.auth):
            start = now()
            c = Controller(service.port)
            digest = hashlib.md5((c.greeting[9:] + "secret").encode()).hexdigest()
            answer, _ = c.ask(digest + "%1POWR ?")
            times.append((now() - start) * 1000)
            wrong += not RIGHT["POWR"].fullmatch(answer)
            c.close()
        time.sleep(0.5)
        after = descriptors(service.proc.pid) if service.proc else None
        print(json.dumps({"bench": "pjlink_auth", "wrong": wrong, **summary(times),
                          "fds_before": before, "fds_after": after}), flush=True)
    finally:
        service.stop()
        sim.stop()


def dead(args):
    """A projector that never answers: every request's ERR4, alone and 20 at once."""
    sim = Sim(args.sim, ["--drop-all"])
    service = make_service(args, sim.pty, 30)
    try:
        c = Controller(service.port)
        times, wrong = [], 0
        for request in ["%1POWR ?", "%1ERST ?", "%1INPT ?", "%1AVMT ?", "%1LAMP ?"] * 4:
            answer, ms = c.ask(request)
            times.append(ms)
            wrong += not answer.endswith("=ERR4")
        many = [Controller(service.port) for _ in range(20)]
        start = now()
        for m in many:
            m.sock.sendall(b"%1POWR ?\r%1AVMT ?\r")
        at_once = []
        for m in many:
            for _ in range(2):
                wrong += not m.line().endswith("=ERR4")
                at_once.append((now() - start) * 1000)
        print(json.dumps({"bench": "pjlink_dead", "wrong": wrong, "single": summary(times),
                          "twenty_at_once": summary(at_once)}), flush=True)
    finally:
        service.stop()
        sim.stop()


class Poller:
    """A non-blocking controller for the soak: POWR ? and ERST ? each second it is free."""

    def __init__(self, port, phase):
        self.port = port
        self.next_poll = now() + phase
        self.sock = None
        self.connect()

    def connect(self):
        self.sock = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        self.sock.setblocking(False)
        self.buf = b""
        self.greeted = False
        self.outstanding = []  # (body, time written)


def soak(args):
    sim = Sim(args.sim)
    service = make_service(args, sim.pty, args.clients + 5)
    pid = service.proc.pid
    sel = selectors.DefaultSelector()
    counts = {"answers": 0, "right": 0, "polls": 0, "skipped": 0}
    errors, times, rss = {}, [], []

    def error(kind):
        errors[kind] = errors.get(kind, 0) + 1

    pollers = []
    for i in range(args.clients):
        p = Poller(service.port, i / args.clients)
        sel.register(p.sock, selectors.EVENT_READ, p)
        pollers.append(p)

    def reconnect(p, kind):
        error(kind)
        sel.unregister(p.sock)
        p.sock.close()
        try:
            p.connect()
            sel.register(p.sock, selectors.EVENT_READ, p)
        except OSError as e:
            error("reconnect: " + type(e).__name__)
            p.sock = None

    start = now()
    cpu_start = cpu_seconds(pid)
    next_sample = start
    end = start + args.seconds
    while now() < end:
        t = now()
        if t >= next_sample:
            rss.append([round(t - start, 1), rss_kib(pid)])
            next_sample += args.rss_every
        for p in pollers:
            if p.sock is None:
                continue
            if p.outstanding and t - p.outstanding[0][1] > args.answer_timeout:
                reconnect(p, "no answer within %g s" % args.answer_timeout)
                continue
            if t >= p.next_poll and p.greeted:
                p.next_poll += 1.0
                if p.outstanding:
                    counts["skipped"] += 1  # the last poll's answers are still on their way
                    continue
                p.sock.sendall(b"%1POWR ?\r%1ERST ?\r")
                p.outstanding = [("POWR", t), ("ERST", t)]
                counts["polls"] += 1
        wake = min([p.next_poll for p in pollers if p.sock] + [next_sample, end]) - now()
        for key, _ in sel.select(max(wake, 0.001)):
            p = key.data
            try:
                chunk = p.sock.recv(4096)
            except ConnectionError as e:
                reconnect(p, "connection: " + type(e).__name__)
                continue
            if not chunk:
                reconnect(p, "closed by the service")
                continue
            p.buf += chunk
            while b"\r" in p.buf:
                line, p.buf = p.buf.split(b"\r", 1)
                text = line.decode("latin-1")
                if not p.greeted:
                    p.greeted = text == "PJLINK 0"
                    if not p.greeted:
                        error("greeting " + text)
                    continue
                if not p.outstanding:
                    error("answer without a request")
                    continue
                body, sent = p.outstanding.pop(0)
                counts["answers"] += 1
                times.append((now() - sent) * 1000)
                if RIGHT[body].fullmatch(text):
                    counts["right"] += 1
                else:
                    error("wrong: " + re.sub(r"[0-9]", "n", text))
    wall = now() - start
    cpu = cpu_seconds(pid) - cpu_start
    rss.append([round(now() - start, 1), rss_kib(pid)])
    for p in pollers:
        if p.sock:
            p.sock.close()
    time.sleep(0.5)
    service.stop()
    sim.stop()
    settled = [kib for t, kib in rss if t >= min(60, args.seconds / 2)]
    print(json.dumps({
        "bench": "pjlink_soak", "clients": args.clients, "seconds": round(wall, 1), **counts,
        "wrong": counts["answers"] - counts["right"], "errors": errors,
        "answers_per_s": round(counts["answers"] / wall, 2),
        "latency": summary(times), "cpu_percent": round(100 * cpu / wall, 2),
        "rss_first_kib": rss[0][1], "rss_settled_min_kib": min(settled),
        "rss_settled_max_kib": max(settled), "rss_last_kib": rss[-1][1],
        "rss_kib": rss, "service_log": service.log_kinds()}), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pjlink", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--ctl", required=True)
    parser.add_argument("--wine-service", metavar="EXE",
                        help="measure r7k-pjlink.exe as a Windows service under Wine instead")
    parser.add_argument("--only", choices=["latency", "mapping", "auth", "dead", "soak"])
    parser.add_argument("--rounds", type=int, default=20, help="mapping rounds (20)")
    parser.add_argument("--auth", type=int, default=200, help="authenticated connections (200)")
    parser.add_argument("--requests", type=int, default=200, help="for the latency (200)")
    parser.add_argument("--spacing", type=float, default=0.7,
                        help="seconds between single requests, beyond the reply window (0.7)")
    parser.add_argument("--burst", type=int, default=40, help="back-to-back requests (40)")
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--soak-seconds", dest="seconds", type=float, default=300)
    parser.add_argument("--answer-timeout", type=float, default=120,
                        help="seconds a soak controller waits for an answer (120)")
    parser.add_argument("--rss-every", type=float, default=5)
    args = parser.parse_args()
    for name, run in [("latency", latency), ("mapping", mapping), ("auth", auth),
                      ("dead", dead), ("soak", soak)]:
        if args.only in (None, name):
            run(args)


if __name__ == "__main__":
    main()
