#!/bin/sh
# Builds a libFuzzer target and runs it on its seed corpus; exits non-zero on a finding.
#
#   fuzz/run.sh [target] [amount] [libFuzzer options...]
#     target  replies (default), traffic, events, telnet, pjlink or http
#     amount  number of runs (default 200000), or seconds with an "s" suffix ("600s")
#
# The binary and the grown corpus go to build-fuzz/ (or $R7K_FUZZ_OUT); the committed seeds
# in fuzz/corpus/<target>/ are only read. Crash inputs land in fuzz/ as crash-*.
set -eu

target=${1:-replies}
amount=${2:-200000}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift

root=$(cd "$(dirname "$0")/.." && pwd)
out=${R7K_FUZZ_OUT:-$root/build-fuzz}

if [ ! -f "$root/fuzz/fuzz_$target.cpp" ]; then
    echo "run.sh: unknown fuzz target '$target' (known: replies, traffic, events, telnet, pjlink, http)" >&2
    exit 2
fi
# Every target builds on the whole toolkit-free core, with the session and the toolkit-free
# part of the PJLink service.
sources="$root/src/base/*.cpp $root/src/transport/*.cpp $root/src/protocol/*.cpp $root/src/panel/*.cpp"
sources="$sources $root/src/session/*.cpp $root/src/pjlink/*.cpp"

case $amount in
*s) limit="-max_total_time=${amount%s}" ;;
*[!0-9]* | '')
    echo "run.sh: amount must be a number of runs or seconds like 600s, not '$amount'" >&2
    exit 2
    ;;
*) limit="-runs=$amount" ;;
esac

seeds=$root/fuzz/corpus/$target
work=$out/corpus-$target
mkdir -p "$out" "$work"

flags="-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined"
flags="$flags -I $root/src -I $root/tests"
# The version the programs say, as the build gives it.
version=$(sed -n 's/^project(r7k-panel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
flags="$flags -DR7K_VERSION=\"$version\""

# The core is compiled once for all targets, a file per core in parallel, and kept as an
# archive until a source or header of it changes; a target then compiles only its own file.
core=$out/core.a
# shellcheck disable=SC2086  # $sources is a list of globs
if [ ! -f "$core" ] || [ -n "$(find $sources "$root/src" -name '*.h' -newer "$core" | head -n 1)" ]; then
    rm -rf "$out/core" && mkdir -p "$out/core"
    # shellcheck disable=SC2016  # expanded by the inner shell
    printf '%s\n' $sources | xargs -P "$(nproc)" -I '{}' sh -c \
        'clang++ $1 -c "$2" -o "$3/$(basename "$2" .cpp).o"' _ "$flags" '{}' "$out/core"
    ar rcs "$core.new" "$out"/core/*.o && mv "$core.new" "$core"
fi
# shellcheck disable=SC2086  # $flags is a list of options
clang++ $flags "$root/fuzz/fuzz_$target.cpp" "$core" -o "$out/fuzz_$target"

exec "$out/fuzz_$target" "$limit" -artifact_prefix="$root/fuzz/" -print_final_stats=1 "$@" \
    "$work" "$seeds"
