#!/usr/bin/env bash
# Runs one Windows test under Wine: on a virtual display of its own (the suite runs headless),
# ending every Wine process it leaves behind. Skips (exit 77) when Wine or a file of the Windows
# build is missing, or fails under R7K_REQUIRE_WINE=1 (CI), so nothing goes untested unseen.
# usage: with-display.sh [--needs FILE]... COMMAND...   (FILE in $R7K_WIN_BUILD, a pattern)
set -euo pipefail
missing=()
command -v wine >/dev/null || missing+=(wine)
while [ "${1:-}" = --needs ]; do
  compgen -G "$R7K_WIN_BUILD/$2" >/dev/null || missing+=("$R7K_WIN_BUILD/$2")
  shift 2
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "missing ${missing[*]}: run scripts/build-windows.sh" >&2
  [ "${R7K_REQUIRE_WINE:-0}" = 1 ] && exit 1
  exit 77
fi
# Ended and gone before the next test starts Wine: a server still shutting down would refuse it.
trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
