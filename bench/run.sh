#!/usr/bin/env bash
# Runs every benchmark of the panel, with the Debian serial terminal cutecom measured beside it
# in the same X session, and prints the figures as markdown tables (medians of repeated runs).
#
#   bench/run.sh            the full set, about 22 minutes on 2 cores
#   bench/run.sh --quick    fewer and shorter runs, about 5 minutes
#   bench/run.sh --pjlink-only  only r7k-pjlink against r7k-sim (no X): single requests beside
#                           r7k-ctl's steps, then 50 controllers polling for 5 minutes (30 s
#                           with --quick)
#   bench/run.sh --before=REV  also start the panel built from git revision REV, in turn
#                           with the others, for before/after start-up figures from one run
#   bench/run.sh --no-nice  leave the priority alone (by default, as root, the whole run is
#                           reniced to -10: on a shared machine other jobs' load otherwise
#                           shows up in the figures; every measured program gets the same)
#
# Installs the packages it needs (as root; apt-get update first), builds into build-bench/
# (BUILD_DIR overrides), and keeps the raw JSON lines and the report in
# build-bench/bench-results/<date>/. Figures are measurements, never pass/fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
quick=0
pjlink_only=0
before=
nice_level=-10
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    --pjlink-only) pjlink_only=1 ;;
    --no-nice) nice_level= ;;
    --before=*) before=${arg#--before=} ;;
    -h | --help)
      sed -n '2,19s/^# \{0,1\}//p' "$0"
      exit 0
      ;;
    *)
      echo "bench/run.sh: unknown option $arg (try --help)" >&2
      exit 2
      ;;
  esac
done

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
  fonts-ipafont-gothic xvfb xauth xdotool x11-utils python3 python3-xlib cutecom procps ser2net)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bench/run.sh: missing packages: ${missing[*]}; run as root to install them" >&2
    exit 1
  fi
  echo "bench/run.sh: installing ${missing[*]}" >&2
  apt-get update >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >&2
fi

echo "bench/run.sh: building into $build" >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" --target r7k-panel r7k-sim r7k-bench r7k-floor r7k-pjlink r7k-ctl >&2
before_args=()
if [ -n "$before" ]; then
  # The earlier revision's sources from git (the work tree stays as it is), built the same way.
  rev=$(git -C "$root" rev-parse --short "$before^{commit}")
  rm -rf "$build/before-src" && mkdir -p "$build/before-src"
  git -C "$root" archive "$rev" | tar -x -C "$build/before-src"
  echo "bench/run.sh: building r7k-panel at $rev into $build/before" >&2
  cmake -S "$build/before-src" -B "$build/before" -G Ninja \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
  cmake --build "$build/before" --target r7k-panel >&2
  before_args=(--panel-before "$build/before/r7k-panel")
fi

if [ -n "$nice_level" ] && [ "$(id -u)" -eq 0 ]; then
  renice -n "$nice_level" -p $$ >/dev/null
fi

out=$build/bench-results/$(date +%Y%m%d-%H%M%S)
mkdir -p "$out"
bench=$build/bench/r7k-bench
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
if [ $quick -eq 1 ]; then
  click_runs=1 click_count=300 hold_seconds=5 beat_seconds=10 beat_kinds=random burst_runs=1
  x_args=(--startup-runs 3 --idle-seconds 5 --flood-runs 1 --flood-seconds 10 --burst-runs 1)
else
  click_runs=3 click_count=1000 hold_seconds=10 beat_seconds=30 beat_kinds="random ascii"
  burst_runs=3
  x_args=(--startup-runs 7 --idle-seconds 10 --flood-runs 3 --flood-seconds 30 --burst-runs 3)
fi

{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "command: bench/run.sh $*"
  echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- src || echo ' (src modified)')"
  [ -z "$before" ] || echo "before: $rev"
  echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)," \
    "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)"
  echo "system: Debian $(cat /etc/debian_version), kernel $(uname -r)"
  echo "Qt: $(dpkg-query -W -f='${Version}' libqt6core6), cutecom $(dpkg-query -W -f='${Version}' cutecom)" \
    "(Qt $(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null || echo '?'))"
  echo "priority: nice $(ps -o ni= -p $$ | tr -d ' ')"
  echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$out/machine.txt"
cat "$out/machine.txt" >&2

if [ $quick -eq 1 ]; then
  pjlink_args=(--requests 50 --burst 20 --soak-seconds 30)
else
  pjlink_args=(--requests 200 --burst 40 --soak-seconds 300)
fi
reports=()
if [ $pjlink_only -eq 0 ]; then
  echo "bench/run.sh: in-process benchmarks" >&2
  "${xvfb[@]}" bash -c '
    set -e
    bench=$1 sim=$2 click_runs=$3 click_count=$4 hold_seconds=$5 beat_seconds=$6 beat_kinds=$7
    burst_runs=$8
    for _ in $(seq "$click_runs"); do
      "$bench" click --count "$click_count"
      "$bench" click --count "$click_count" --mouse
    done
    "$bench" hold --seconds "$hold_seconds"
    for kind in $beat_kinds; do
      if [ "$kind" = ascii ]; then
        "$bench" flood --sim "$sim" --seconds "$beat_seconds" --ascii
      else
        "$bench" flood --sim "$sim" --seconds "$beat_seconds"
      fi
    done
    for _ in $(seq "$burst_runs"); do "$bench" burst; done
    # The network path: ser2net on loopback between the line and the panel, in both modes.
    for gateway in tcp rfc2217; do
      "$bench" click --count "$click_count" --gateway "$gateway"
      "$bench" flood --sim "$sim" --seconds "$beat_seconds" --gateway "$gateway"
      for _ in $(seq "$burst_runs"); do "$bench" burst --gateway "$gateway"; done
    done
    "$bench" integrity
  ' _ "$bench" "$build/r7k-sim" $click_runs $click_count $hold_seconds $beat_seconds \
    "$beat_kinds" $burst_runs 2> >(grep -v XDG_RUNTIME_DIR >&2) | tee "$out/inprocess.jsonl" >&2

  echo "bench/run.sh: r7k-panel and cutecom under one Xvfb" >&2
  "${xvfb[@]}" /usr/bin/python3 "$root/bench/xbench.py" --panel "$build/r7k-panel" \
    --sim "$build/r7k-sim" --bench "$bench" --floor "$build/bench/r7k-floor" "${before_args[@]}" "${x_args[@]}" | tee "$out/xbench.jsonl" >&2

  reports+=("$out/inprocess.jsonl" "$out/xbench.jsonl")
fi

echo "bench/run.sh: r7k-pjlink against r7k-sim, controllers on loopback" >&2
/usr/bin/python3 "$root/bench/pjlink_bench.py" --pjlink "$build/r7k-pjlink" --sim "$build/r7k-sim" \
  --ctl "$build/r7k-ctl" "${pjlink_args[@]}" | tee "$out/pjlink.jsonl" >&2
reports+=("$out/pjlink.jsonl")

echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$out/machine.txt"
{
  echo '```'
  cat "$out/machine.txt"
  echo '```'
  echo
  /usr/bin/python3 "$root/bench/report.py" "${reports[@]}"
} | tee "$out/report.md"
echo "bench/run.sh: raw figures and report in $out" >&2
