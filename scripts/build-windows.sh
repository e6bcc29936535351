#!/usr/bin/env bash
# Cross-builds r7k-panel.exe, r7k-ctl.exe and r7k-pjlink.exe into build-win/ with MinGW-w64
# (statically linked: each .exe imports only system DLLs), then the installer and the zip
# (build-win/r7k-panel-VERSION-setup.exe, build-win/r7k-panel-VERSION-windows.zip) unless
# R7K_WIN_PACKAGES=0. Extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-win}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$build"
if [ "${R7K_WIN_PACKAGES:-1}" != 0 ]; then
  cmake --build "$build" --target packages
fi
