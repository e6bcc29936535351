#!/usr/bin/python3
"""Turns the JSON lines of r7k-bench and xbench.py into markdown tables: medians over the
repeated runs, the peer's figures beside the panel's, their ratios, and each target."""

import json
import statistics
import sys
from collections import defaultdict


def load(paths):
    rows = []
    for path in paths:
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line.startswith("{"):
                    rows.append(json.loads(line))
    return rows


def med(rows, key):
    v = [r[key] for r in rows if r.get(key) is not None]
    return statistics.median(v) if v else None


def fmt(v, digits=1):
    if v is None:
        return "–"
    if isinstance(v, float):
        return f"{v:.{digits}f}"
    return str(v)


def ratio(a, b, digits=2):
    if a is None or b in (None, 0):
        return "–"
    return f"{a / b:.{digits}f}"


def verdict(ok):
    return "met" if ok else "**missed**"


def table(head, body):
    out = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    out += ["| " + " | ".join(str(c) for c in row) + " |" for row in body]
    return "\n".join(out)


def main():
    rows = load(sys.argv[1:])
    by = defaultdict(list)
    for r in rows:
        by[r["bench"]].append(r)
    targets = []
    out = []

    clicks = by.get("click", [])
    if clicks:
        body = []
        for mode in dict.fromkeys(r["mode"] for r in clicks):
            rs = [r for r in clicks if r["mode"] == mode]
            p99 = med(rs, "p99_us")
            body.append([mode, rs[0]["clicks"], len(rs), fmt(med(rs, "p50_us")), fmt(p99),
                         fmt(med(rs, "max_us")), sum(r["wrong"] for r in rs)])
            if mode == "QPushButton::click":
                targets.append(["1. click to wire p99 < 1 ms", f"{fmt(p99)} µs",
                                verdict(p99 is not None and p99 < 1000)])
            elif mode.startswith("QPushButton::click via "):
                targets.append([f"7. click to the gateway's pty p99 < 5 ms ({rs[0]['path']})",
                                f"{fmt(p99)} µs", verdict(p99 is not None and p99 < 5000)])
        out.append("### 1. Click to wire (POWER ON, Command17)\n\n" + table(
            ["click", "clicks", "runs", "p50 µs", "p99 µs", "max µs", "wrong bytes"], body))

    holds = by.get("hold", [])
    if holds:
        body = []
        for button in dict.fromkeys(r["button"] for r in holds):
            rs = [r for r in holds if r["button"] == button]
            interval = rs[0]["interval_ms"]
            err = med(rs, "mean_error_pct")
            share = med(rs, "rate_share")
            body.append([button, f"{interval:.0f}", f"{med(rs, 'sends'):.0f} / "
                         f"{med(rs, 'nominal'):.0f}", fmt(share * 100, 2),
                         fmt(med(rs, "mean_period_ms"), 3), fmt(err, 2),
                         fmt(med(rs, "p99_dev_ms"), 2), fmt(med(rs, "max_dev_ms"), 2)])
            if interval == 50:
                targets.append(["2. hold at 50 ms: mean period within 1 %",
                                f"{fmt(err, 2)} %", verdict(err is not None and abs(err) < 1)])
            if interval == 5:
                targets.append(["2. hold at 5 ms: ≥ 95 % of the nominal rate",
                                f"{fmt(share * 100, 1)} %", verdict(share >= 0.95)])
        out.append("### 2. Hold pace (real timers, sends timestamped on the master side)\n\n" +
                   table(["button", "interval ms", "sends / nominal", "rate %",
                          "mean period ms", "mean error %", "p99 deviation ms",
                          "max deviation ms"], body))

    floods = by.get("flood", [])
    beats = by.get("flood_heartbeat", [])
    if floods:
        body = []
        for kind in ("silent", "random", "ascii"):
            pr = [r for r in floods if r["kind"] == kind and r["program"] == "panel"]
            cr = [r for r in floods if r["kind"] == kind and r["program"] == "cutecom"]
            if not pr and not cr:
                continue
            pc, cc = med(pr, "cpu_pct"), med(cr, "cpu_pct")
            body.append([kind, max(len(pr), len(cr)), fmt(pc, 2), fmt(cc, 2), ratio(pc, cc),
                         fmt(med(pr, "ping_p99_ms"), 2), fmt(med(cr, "ping_p99_ms"), 2),
                         fmt(med(pr, "ping_max_ms"), 2), fmt(med(cr, "ping_max_ms"), 2),
                         fmt(med(pr, "rss_growth_kib"), 0), fmt(med(cr, "rss_growth_kib"), 0),
                         fmt(med(pr, "pings_lost"), 0)])
            if kind != "silent" and pr:
                p99 = med(pr, "ping_p99_ms")
                growth = med(pr, "rss_growth_kib")
                targets.append([f"3. flood ({kind}): CPU < 2 % of a core", f"{fmt(pc, 2)} %",
                                verdict(pc < 2)])
                targets.append([f"3. flood ({kind}): stall p99 < 10 ms", f"{fmt(p99, 2)} ms",
                                verdict(p99 is not None and p99 < 10)])
                targets.append([f"3. flood ({kind}): RSS growth < 1 MiB", f"{fmt(growth, 0)} KiB",
                                verdict(growth < 1024)])
                if cc:
                    targets.append([f"6. flood ({kind}): CPU ≤ ¼ of the peer's",
                                    f"{ratio(pc, cc)} ×", verdict(pc <= cc / 4)])
        out.append(
            "### 3. Receive flood, 1920 bytes/s into the real process (CPU over the "
            "measured window; stall = _NET_WM_PING round trip)\n\n" + table(
                ["flood", "runs", "panel CPU %", "cutecom CPU %", "panel/cutecom",
                 "panel ping p99 ms", "cutecom ping p99 ms", "panel ping max ms",
                 "cutecom ping max ms", "panel RSS growth KiB", "cutecom RSS growth KiB",
                 "panel pings lost"], body))
    if beats:
        body = []
        for kind in dict.fromkeys(r["kind"] for r in beats):
            rs = [r for r in beats if r["kind"] == kind]
            body.append([kind, len(rs), fmt(med(rs, "seconds"), 0), fmt(med(rs, "cpu_pct"), 2),
                         fmt(med(rs, "late_p99_ms"), 2), fmt(med(rs, "late_max_ms"), 2),
                         fmt(med(rs, "rss_after_kib") - med(rs, "rss_before_kib"), 0)])
            if "via ser2net" in kind:
                cpu = med(rs, "cpu_pct")
                targets.append([f"7. flood ({kind}): CPU < 2 % of a core", f"{fmt(cpu, 2)} %",
                                verdict(cpu < 2)])
        out.append("In-process, the real window and adapters with a 10 ms heartbeat timer "
                   "(lateness = interval − 10 ms):\n\n" + table(
                       ["flood", "runs", "seconds", "CPU % (incl. heartbeat)",
                        "heartbeat late p99 ms", "late max ms", "RSS growth KiB"], body))

    bursts = by.get("burst", [])
    allinproc = by.get("burst_inprocess", [])
    inproc = [r for r in allinproc if r.get("path", "pty") == "pty"]
    viagw = [r for r in allinproc if r.get("path", "pty") != "pty"]
    if bursts or allinproc:
        body = []
        pr = [r for r in bursts if r["program"] == "panel"]
        cr = [r for r in bursts if r["program"] == "cutecom"]
        for name, rs in (("r7k-panel", pr), ("cutecom", cr)):
            if rs:
                body.append([name, len(rs), fmt(med(rs, "burst_ms")),
                             fmt(med(rs, "ping_max_ms"), 1), fmt(med(rs, "ping_p99_ms"), 1),
                             f"{med(rs, 'rss_before_kib') / 1024:.1f} → "
                             f"{med(rs, 'rss_after_kib') / 1024:.1f}",
                             fmt(med(rs, "rss_growth_kib"), 0)])
        text = ("### 4. Burst of 1 MiB at pty speed (`r7k-sim --burst 1048576`), real "
                "process\n\n" + table(["program", "runs", "burst ms (line opened → last byte "
                                       "written)", "worst stall ms (ping max)",
                                       "ping p99 ms", "RSS MB before → after",
                                       "RSS growth KiB"], body))
        pmax, cmax = med(pr, "ping_max_ms"), med(cr, "ping_max_ms")
        if inproc:
            wire = med(inproc, "click_to_wire_ms")
            late = med(inproc, "late_max_ms")
            text += ("\n\nIn-process (the bench writes the 1 MiB itself, 4096-byte writes as "
                     "fast as the line takes them, then posts a click of POWER ON):\n\n" +
                     table(["runs", "burst ms", "click → bytes on the wire ms",
                            "heartbeat late max ms", "RSS growth KiB"],
                           [[len(inproc), fmt(med(inproc, "burst_ms")), fmt(wire, 2),
                             fmt(late, 2), fmt(med(inproc, "rss_after_kib") -
                                               med(inproc, "rss_before_kib"), 0)]]))
            targets.append(["4. burst: click on the wire < 200 ms", f"{fmt(wire, 2)} ms",
                            verdict(wire is not None and wire < 200)])
            worst = max(v for v in (late, pmax) if v is not None)
            targets.append(["4. burst: no stall > 50 ms", f"{fmt(worst, 1)} ms",
                            verdict(worst < 50)])
        if pmax is not None and cmax:
            targets.append(["6. burst: stall ≤ ¼ of the peer's", f"{ratio(pmax, cmax)} ×",
                            verdict(pmax <= cmax / 4)])
        if viagw:
            body = []
            for path in dict.fromkeys(r["path"] for r in viagw):
                rs = [r for r in viagw if r["path"] == path]
                late = med(rs, "late_max_ms")
                body.append([path, len(rs), fmt(med(rs, "burst_ms")),
                             fmt(med(rs, "click_to_wire_ms"), 2), fmt(late, 2),
                             fmt(med(rs, "rss_after_kib") - med(rs, "rss_before_kib"), 0)])
                targets.append([f"7. burst via {path}: no stall > 50 ms", f"{fmt(late, 2)} ms",
                                verdict(late is not None and late < 50)])
            text += ("\n\nThe same through ser2net on loopback (the bench writes into the pty "
                     "ser2net carries; the panel connects to ser2net):\n\n" +
                     table(["path", "runs", "burst ms", "click → bytes on the pty ms",
                            "heartbeat late max ms", "RSS growth KiB"], body))
        out.append(text)

    starts = by.get("startup", [])
    if starts:
        body = []
        pr = [r for r in starts if r["program"] == "panel"]
        cr = [r for r in starts if r["program"] == "cutecom"]
        fr = [r for r in starts if r["program"] == "floor"]
        br = [r for r in starts if r["program"] == "before"]
        for name, rs in (("r7k-panel", pr), ("cutecom", cr), ("floor (plain Qt window)", fr),
                         ("r7k-panel before (--before)", br)):
            if rs:
                body.append([name, len(rs), fmt(med(rs, "map_ms")),
                             fmt(min(r["map_ms"] for r in rs)), fmt(max(r["map_ms"] for r in rs)),
                             fmt(med(rs, "rss_kib") / 1024)])
        pm, cm, fm = med(pr, "map_ms"), med(cr, "map_ms"), med(fr, "map_ms")
        prss, crss, frss = med(pr, "rss_kib"), med(cr, "rss_kib"), med(fr, "rss_kib")
        if cr and pr:
            body.append(["panel / cutecom", "", ratio(pm, cm), "", "", ratio(prss, crss)])
        if fr and pr:
            body.append(["panel / floor", "", ratio(pm, fm), "", "",
                         f"{ratio(prss, frss)} (+{(prss - frss) / 1024:.1f} MB)"])
        if fr and br:
            bm, brss = med(br, "map_ms"), med(br, "rss_kib")
            body.append(["before / floor", "", ratio(bm, fm), "", "",
                         f"{ratio(brss, frss)} (+{(brss - frss) / 1024:.1f} MB)"])
        out.append("### 5. Start-up: exec → MapNotify of the window; RSS 1 s after\n\n" +
                   table(["program", "runs", "median ms", "min ms", "max ms", "RSS MB"], body))
        if pr:
            targets.append(["5. start-up median < 150 ms", f"{fmt(pm)} ms", verdict(pm < 150)])
            targets.append(["5. RSS after start < 45 MB", f"{prss / 1024:.1f} MB",
                            verdict(prss < 45 * 1024)])
        if fr and pr:
            targets.append(["5. start-up at most 1.3 × the floor's", f"{ratio(pm, fm)} ×",
                            verdict(pm <= 1.3 * fm)])
            targets.append(["5. RSS at most the floor's + 4 MB",
                            f"+{(prss - frss) / 1024:.1f} MB", verdict(prss <= frss + 4096)])
        if cr and pr:
            targets.append(["6. start-up faster than the peer", f"{ratio(pm, cm)} ×",
                            verdict(pm < cm)])
            targets.append(["6. RSS at most half the peer's", f"{ratio(prss, crss)} ×",
                            verdict(prss <= crss / 2)])

    lat, thr = by.get("pjlink_latency", []), by.get("pjlink_throughput", [])
    if lat:
        body = [[r["path"], r["n"], fmt(r["p50_ms"], 2), fmt(r["p99_ms"], 2),
                 fmt(r["max_ms"], 2), r["wrong"]] for r in lat]
        out.append("### 10. PJLink: %1POWR ? one at a time (r7k-pjlink) beside r7k-ctl's status "
                   "steps\n\n" + table(["path", "requests", "p50 ms", "p99 ms", "max ms",
                                         "wrong"], body))
        # The service answers from what the projector said lately: its own targets, not a
        # ratio to r7k-ctl's round trip on the line.
        for r in lat:
            if "back to back" in r["path"]:
                targets.append(["10. PJLink back to back on one connection p99 ≤ 5 ms",
                                f"{fmt(r['p99_ms'], 2)} ms", verdict(r["p99_ms"] <= 5)])
    if thr:
        out.append("Back to back and at once (r7k-ctl keeps the panel's pace):\n\n" + table(
            ["path", "requests", "seconds", "all answered ms", "per second"],
            [[r["path"], r["requests"], r.get("seconds", ""), r.get("all_answered_ms", ""),
              r["per_s"]] for r in thr]))
        for r in thr:
            if "all_answered_ms" in r:
                targets.append([f"10. PJLink {r['requests']} at once: all answered ≤ 50 ms",
                                f"{fmt(r['all_answered_ms'], 2)} ms",
                                verdict(r["all_answered_ms"] <= 50)])
    for r in by.get("pjlink_mapping", []):
        c = r["command_to_command"]
        targets.append(["10. PJLink every mapping row p99 ≤ 1.5 s", f"{fmt(r['p99_ms'], 1)} ms",
                        verdict(r["p99_ms"] <= 1500 and r["errors"] == 0)])
        targets.append(["10. PJLink a command's OK after the previous ≤ 600 ms (p99)",
                        f"{fmt(c['p99_ms'], 1)} ms", verdict(c["p99_ms"] <= 600)])
    for r in by.get("pjlink_auth", []):
        targets.append(["10. PJLink new authenticated connection p99 ≤ 10 ms, fds flat",
                        f"{fmt(r['p99_ms'], 2)} ms, fds {r['fds_before']} → {r['fds_after']}",
                        verdict(r["p99_ms"] <= 10 and r["fds_after"] <= r["fds_before"])])
    for r in by.get("pjlink_dead", []):
        worst = max(r["single"]["p99_ms"], r["twenty_at_once"]["p99_ms"])
        targets.append(["10. PJLink dead line: ERR4 p99 ≤ 1 s", f"{fmt(worst, 1)} ms",
                        verdict(worst <= 1000 and r["wrong"] == 0)])
    for r in by.get("pjlink_soak", []):
        lt = r["latency"]
        out.append(
            f"### 10. PJLink soak: {r['clients']} controllers polling POWR ? and ERST ? each "
            f"second for {r['seconds']:.0f} s\n\n" + table(
                ["polls", "skipped (last poll unanswered)", "answers", "per s", "wrong",
                 "errors", "latency p50 / p99 / max s", "CPU %", "RSS first → settled "
                 "min–max → last KiB"],
                [[r["polls"], r["skipped"], r["answers"], r["answers_per_s"], r["wrong"],
                  ", ".join(f"{k}: {v}" for k, v in r["errors"].items()) or "none",
                  " / ".join(fmt(lt[k] and lt[k] / 1000, 1) for k in ("p50_ms", "p99_ms", "max_ms")),
                  r["cpu_percent"], f"{r['rss_first_kib']} → {r['rss_settled_min_kib']}–"
                  f"{r['rss_settled_max_kib']} → {r['rss_last_kib']}"]]))

    integ = by.get("integrity", [])
    if integ:
        r = integ[-1]
        out.append(f"Receive integrity (not a timing): {r['received']} of {r['sent']} bytes "
                   f"delivered in order in {r['reports']} reports: "
                   f"{'identical' if r['identical'] else '**DIFFERENT**'}.")

    print("## Targets\n")
    print(table(["target", "measured (median)", ""], targets))
    print()
    print("\n\n".join(out))


if __name__ == "__main__":
    main()
