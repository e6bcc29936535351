#!/usr/bin/env bash
# Cross-builds r7k-panel.exe and r7k-ctl.exe into build-win/ with MinGW-w64 (statically linked:
# each .exe imports only system DLLs). Then, unless told otherwise, the installer and the zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-win}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$build"
