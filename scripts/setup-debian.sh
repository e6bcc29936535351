#!/usr/bin/env bash
# Installs every Debian 12 package the panel needs to build, test and run. Idempotent: it asks
# apt only when something is missing. Needs root (or sudo) for that.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
  # run: the X11 platform plugin and the Japanese Gothic faces the panel's captions use
  qt6-qpa-plugins fonts-ipafont-gothic
  # tests and checks: headless display, window driving, screenshots, pty pairs
  xvfb xauth xdotool x11-utils imagemagick socat
  # network gateway for the tcp:// and rfc2217:// ports
  ser2net
  # monitoring: the metrics endpoint is scraped by Debian's Prometheus and its rules checked by promtool
  prometheus
  # fuzzing and sanitizers
  clang libclang-rt-14-dev valgrind
  # packaging, and Debian's checks of the package and of its AppStream metadata
  dpkg-dev file lintian appstream
  # Windows: the cross-compiler (POSIX threads), the installer builder, and 64-bit Wine to
  # test the programs (the `wine` wrapper runs the `wine64` loader; no 32-bit part needed)
  g++-mingw-w64-x86-64-posix nsis wine wine64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then
    as_root=(sudo)
  else
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: run this script as root (or install sudo) to install them" >&2
    exit 1
  fi
fi
echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
