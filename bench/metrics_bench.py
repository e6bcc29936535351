#!/usr/bin/python3
"""r7k-pjlink --metrics against r7k-sim on a pseudo-terminal, scraped on loopback.

  latency  SCRAPES GET /metrics back to back, each on a new connection as a scraper without
           keep-alive makes it: connect to the last byte of the response, p50/p99/max
  cost     the service's CPU (utime+stime from /proc/PID/stat) over SECONDS each: without
           --metrics; with --metrics and no scrape (the looks that keep the state fresh);
           with --metrics scraped once a second. Shares of one core.

Prints one JSON object per measurement on standard output.
  bench/metrics_bench.py --pjlink build/r7k-pjlink --sim build/r7k-sim [--scrapes N] [--seconds S]
"""

import argparse
import json
import os
import socket
import subprocess
import time


def percentile(values, share):
    v = sorted(values)
    return v[max(1, min(len(v), int(share * len(v) + 0.999999))) - 1]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def scrape(port):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        got = b""
        while chunk := s.recv(65536):
            got += chunk
    if not got.startswith(b"HTTP/1.1 200 "):
        raise RuntimeError(f"scrape answered {got[:40]!r}")
    return len(got)


class Running:
    """r7k-sim and r7k-pjlink on it, with or without the metrics endpoint."""

    def __init__(self, args, metrics):
        self.sim = subprocess.Popen([args.sim, "--quiet", "--seed", "7"], stdout=subprocess.PIPE,
                                    text=True)
        pty = self.sim.stdout.readline().split("listening on ", 1)[1].strip()
        extra = ["--metrics", "127.0.0.1:0"] if metrics else []
        self.service = subprocess.Popen(
            [args.pjlink, "--port", pty, "--listen", "127.0.0.1:0", "--no-search", "--no-notify",
             *extra], stderr=subprocess.PIPE, text=True)
        self.port = None
        if metrics:
            while self.port is None:
                line = self.service.stderr.readline()
                if "/metrics" in line:
                    self.port = int(line.rsplit(":", 1)[1].split("/")[0])
        time.sleep(2)  # the first looks at the state are done

    def close(self):
        for proc in (self.service, self.sim):
            proc.terminate()
            proc.wait(5)


def cost(args, metrics, scraped):
    run = Running(args, metrics)
    try:
        start = cpu_seconds(run.service.pid)
        began = time.monotonic()
        next_scrape = began
        while time.monotonic() - began < args.seconds:
            if scraped:
                scrape(run.port)
            next_scrape += 1
            time.sleep(max(0, next_scrape - time.monotonic()))
        used = cpu_seconds(run.service.pid) - start
        wall = time.monotonic() - began
    finally:
        run.close()
    return {"bench": "metrics_cost", "metrics": metrics, "scraped_per_s": 1 if scraped else 0,
            "seconds": round(wall, 1), "cpu_s": round(used, 3),
            "core_percent": round(100 * used / wall, 3)}


def latency(args):
    run = Running(args, True)
    try:
        ms = []
        size = 0
        for _ in range(args.scrapes):
            t = time.perf_counter()
            size = scrape(run.port)
            ms.append((time.perf_counter() - t) * 1000)
    finally:
        run.close()
    return {"bench": "metrics_latency", "n": len(ms), "bytes": size,
            "p50_ms": round(percentile(ms, 0.5), 3), "p99_ms": round(percentile(ms, 0.99), 3),
            "max_ms": round(max(ms), 3)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--pjlink", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--scrapes", type=int, default=1000)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()
    print(json.dumps(latency(args)), flush=True)
    for metrics, scraped in ((False, False), (True, False), (True, True)):
        print(json.dumps(cost(args, metrics, scraped)), flush=True)


if __name__ == "__main__":
    main()
