#!/usr/bin/env bash
# Makes a Wine prefix for the Windows tests in DIR, quietly (no Mono or Gecko prompts); a prefix
# made before is kept, so a second call costs nothing. Exit 77 (skip) when Wine is missing,
# unless R7K_REQUIRE_WINE=1.
set -euo pipefail
prefix=${1:?usage: make-prefix.sh DIR}
if ! command -v wine >/dev/null; then
  echo "make-prefix: wine is not installed (Debian packages wine, wine64)" >&2
  [ "${R7K_REQUIRE_WINE:-0}" = 1 ] && exit 1 || exit 77
fi
[ -f "$prefix/.r7k-ready" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
wineserver -w
# Written last: an interrupted wineboot leaves no mark and is done again next time.
touch "$prefix/.r7k-ready"
