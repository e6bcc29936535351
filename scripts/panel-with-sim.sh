#!/usr/bin/env bash
# Installs, builds, starts the simulated projector on a pseudo-terminal and opens the panel
# with that terminal as COM1. Extra arguments go to the panel (for example --trace).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}

out=$(mktemp)
"$build/r7k-sim" --fast >"$out" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do
  grep -q 'listening on' "$out" && break
  sleep 0.05
done
pty=$(sed -n 's/^r7k-sim: listening on //p' "$out" | head -n1)
if [ -z "$pty" ]; then
  echo "panel-with-sim: the simulator did not start" >&2
  exit 1
fi
echo "panel-with-sim: simulated projector on $pty (COM1)"
"$build/r7k-panel" --com1 "$pty" "$@"
