#!/usr/bin/env bash
# Runs the Windows benchmarks (bench/wine_bench.py) under Wine in a fresh Xvfb: start-up of
# r7k-panel.exe against a plain Win32 window with as many controls, the 5 ms pace, click to
# wire, the sizes, and the timers' pace alone (bench/win_timer_pace.cpp). Builds the Windows programs first (scripts/build-windows.sh).
# With the Linux build's r7k-sim (build/r7k-sim, or $R7K_SIM) it measures the receive flood
# first: CPU of the panel and of Wine's processes, and the reply's latency amid the flood.
#
#   bench/wine-run.sh [--runs N] [--flood-seconds S] [--flood-only]
#
# Figures are measurements, never pass/fail; the report goes to standard output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=${WIN_BUILD_DIR:-$root/build-win}
BUILD_DIR=$win "$root/scripts/build-windows.sh" >&2
cmake --build "$win" --target r7k-floor win-timer-pace >&2
dpkg-query -W -f='${Status}' python3-xlib 2>/dev/null | grep -q "install ok installed" ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends python3-xlib >&2
export WINEPREFIX=$win/bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w
installer=$(ls "$win"/r7k-panel-*-setup.exe 2>/dev/null | head -n 1 || true)
sim=${R7K_SIM:-$root/build/r7k-sim}
[ -x "$sim" ] || sim=
# One X server and one wineserver for the whole run, so every start finds them warm alike.
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  root=$0 win=$1 installer=$2 sim=$3; shift 3
  wineserver -p; trap "wineserver -k" EXIT
  /usr/bin/python3 "$root/bench/wine_bench.py" --panel "$win/r7k-panel.exe" --floor "$win/r7k-floor.exe" \
    --ctl "$win/r7k-ctl.exe" ${installer:+--installer "$installer"} ${sim:+--sim "$sim"} "$@"
  case " $* " in *" --flood-only "*) exit 0 ;; esac
  echo; echo "The timers alone (win-timer-pace.exe, 2000 ticks at 5 ms):"
  wine "$win/win-timer-pace.exe" 2000 5' "$root" "$win" "$installer" "$sim" "$@"
