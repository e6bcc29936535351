#!/usr/bin/env bash
# Installs, builds and runs the whole test suite headless, ending with CTest's summary:
#  1. the suite in an AddressSanitizer + UndefinedBehaviorSanitizer build (leaks included),
#  2. a short run of each fuzz target on its seed corpus,
#  3. the Windows build (MinGW-w64) with its installer and zip,
#  4. the suite in the normal build (also builds, installs and smoke-tests the .deb as root, and
#     runs the Windows programs and the installer under Wine).
# R7K_QUICK=1 skips steps 1 and 2; R7K_WINDOWS=0 skips step 3 and the Wine tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
export QT_QPA_PLATFORM=offscreen

if [ "${R7K_QUICK:-0}" != 1 ]; then
  echo "== sanitizer build (ASan + UBSan)"
  BUILD_DIR="$root/build-asan" BUILD_TYPE=Debug "$root/scripts/build.sh" -DR7K_SANITIZE=ON
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
    ctest --test-dir "$root/build-asan" --output-on-failure -j2 -LE 'package|wine'

  echo "== fuzz targets, short runs, one per core"
  targets=(traffic replies events telnet pjlink http)
  logs=${R7K_FUZZ_OUT:-$root/build-fuzz}/logs
  mkdir -p "$logs"
  # Built one after the other, as they share the compiled core; then run side by side.
  for target in "${targets[@]}"; do
    "$root/fuzz/run.sh" "$target" 1 >"$logs/$target.log" 2>&1 || { cat "$logs/$target.log"; exit 1; }
  done
  # shellcheck disable=SC2016  # expanded by the inner shell
  printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I '{}' sh -c \
    '"$1/fuzz/run.sh" "$2" "$3" >"$4/$2.log" 2>&1 || { cat "$4/$2.log"; exit 1; }; tail -n 4 "$4/$2.log"' \
    _ "$root" '{}' "${R7K_FUZZ_SECONDS:-10}s" "$logs"
fi

echo "== test suite"
# Tests are held to about a third of the product: tests/ and fuzz/ against everything else but
# the benchmarks, scripts, packaging and documents, in non-blank lines of source.
lines() { git -C "$root" ls-files -- "$@" | grep -E '\.(cpp|h|hpp|cc|py|sh)$' |
  (cd "$root" && xargs -r cat) | grep -cv '^[[:space:]]*$'; }
tests=$(lines tests fuzz)
product=$(lines . ':!tests' ':!fuzz' ':!bench' ':!scripts' ':!packaging' ':!docs')
echo "test lines: $tests of $product product lines ($((100 * tests / product)) %, at most 35 %)"
win_build=${R7K_WIN_BUILD:-$root/build-win}
skip=()
if [ "${R7K_WINDOWS:-1}" != 0 ]; then
  echo "== Windows build, installer and zip"
  BUILD_DIR="$win_build" "$root/scripts/build-windows.sh"
  # The Wine tests fail rather than skip when Wine or the Windows build is missing.
  export R7K_REQUIRE_WINE=1
else
  skip=(-LE wine)
fi
"$root/scripts/build.sh" -DR7K_WIN_BUILD="$win_build"
ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure -j2 "${skip[@]}"
