#!/usr/bin/env bash
# Installs, builds, starts the simulated projector on a pseudo-terminal and opens the panel
# with that terminal as COM1. With --tcp the simulator serves the projector on a loopback TCP
# port instead, and the panel reaches it as a network gateway (tcp://127.0.0.1:PORT), no
# gateway installed. Other arguments go to the panel (for example --trace).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
line=()
if [ "${1:-}" = --tcp ]; then
  line=(--listen 0)
  shift
fi
"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}

out=$(mktemp)
"$build/r7k-sim" --fast "${line[@]}" >"$out" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do
  grep -q 'listening on' "$out" && break
  sleep 0.05
done
com1=$(sed -n 's/^r7k-sim: listening on //p' "$out" | head -n1)
if [ -z "$com1" ]; then
  echo "panel-with-sim: the simulator did not start" >&2
  exit 1
fi
echo "panel-with-sim: simulated projector on $com1 (COM1)"
"$build/r7k-panel" --com1 "$com1" "$@"
