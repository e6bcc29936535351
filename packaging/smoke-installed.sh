#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, has lintian and appstreamcli check it, installs it
# and checks what got installed: the programs' options, the desktop entry, the icons, the
# manual pages, the bash completion, r7k-pjlink's service unit, and headless runs of the
# installed panel and r7k-ctl against the installed simulator on a pseudo-terminal.
#
#   packaging/smoke-installed.sh BUILD_DIR
#
# Installing needs root. As any other user the package is still built and its contents
# checked, then the script exits with 77, which CTest reports as skipped. A package that was
# not installed before is removed again at the end (R7K_SMOKE_KEEP=1 keeps it). CMAKE and
# CPACK name the cmake and cpack programs to use (default: the ones on the PATH).
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CPackConfig.cmake" ]; then
  echo "usage: $0 BUILD_DIR (a configured build directory with CPackConfig.cmake)" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}
package=r7k-panel
panel=/usr/bin/r7k-panel
sim=/usr/bin/r7k-sim
ctl=/usr/bin/r7k-ctl
pjlink=/usr/bin/r7k-pjlink
unit=/lib/systemd/system/r7k-pjlink@.service

note() { echo "smoke-installed: $*"; }
fail() {
  echo "smoke-installed: FAIL: $*" >&2
  exit 1
}
# Prints a captured file to stderr, indented, to explain a failure.
show() {
  [ -s "$1" ] && sed 's/^/    /' "$1" >&2
  return 0
}

work=$(mktemp -d)
chmod 755 "$work"  # apt reads a local package as its own unprivileged user
pids=()
installed_here=0

cleanup() {
  local rc=$?
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  if [ "$installed_here" = 1 ] && [ "${R7K_SMOKE_KEEP:-0}" != 1 ]; then
    note "removing $package again"
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q "$package" >"$work/remove.log" 2>&1 ||
      {
        echo "smoke-installed: could not remove $package:" >&2
        show "$work/remove.log"
      }
  fi
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- build the package ----------------------------------------------------------------------
# cpack installs what is in the build directory as it stands, so bring that up to date first.
note "building the package in $build"
if ! "$cmake" --build "$build" --target r7k-panel r7k-sim r7k-ctl r7k-pjlink r7k-net \
  r7k_man_pages >"$work/build.log" 2>&1; then
  show "$work/build.log"
  fail "building the programs and the manual pages failed in $build"
fi
if ! (cd "$build" && "$cpack" -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1; then
  show "$work/cpack.log"
  fail "cpack -G DEB failed in $build"
fi
debs=("$work"/pkg/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "cpack made no single .deb file: ${debs[*]}"
fi
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
note "built $(basename "$deb")"

[ "$(dpkg-deb -f "$deb" Package)" = "$package" ] ||
  fail "the package is called '$(dpkg-deb -f "$deb" Package)', expected '$package'"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in fonts-ipafont-gothic qt6-qpa-plugins libqt6widgets6 libqt6serialport6; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

# Every file the package must carry, and nothing else.
metainfo=/usr/share/metainfo/org.example.r7k_panel.metainfo.xml
expected=(
  "$unit"
  /usr/bin/r7k-ctl
  /usr/bin/r7k-panel
  /usr/bin/r7k-pjlink
  /usr/bin/r7k-sim
  /usr/lib/x86_64-linux-gnu/r7k-panel/r7k-net.so
  /usr/share/applications/r7k-panel.desktop
  /usr/share/bash-completion/completions/r7k-ctl
  /usr/share/doc/r7k-panel/changelog.gz
  /usr/share/doc/r7k-panel/copyright
  /usr/share/doc/r7k-panel/examples/r7k-pjlink-alerts.test.yml
  /usr/share/doc/r7k-panel/examples/r7k-pjlink-alerts.yml
  /usr/share/doc/r7k-panel/examples/r7k-pjlink.conf.example
  /usr/share/icons/hicolor/16x16/apps/r7k-panel.png
  /usr/share/icons/hicolor/32x32/apps/r7k-panel.png
  /usr/share/man/man1/r7k-ctl.1.gz
  /usr/share/man/man1/r7k-panel.1.gz
  /usr/share/man/man1/r7k-pjlink.1.gz
  /usr/share/man/man1/r7k-sim.1.gz
  "$metainfo"
)
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./|/|; /[^/]$/p' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/files" >"$work/files.diff"; then
  show "$work/files.diff"
  fail "the package's files differ from the expected list (- missing, + unexpected)"
fi
for bin in "$panel" "$sim" "$ctl" "$pjlink"; do
  dpkg-deb --fsys-tarfile "$deb" | tar -tv ".$bin" | grep -q '^-rwxr-xr-x' ||
    fail "$bin is not installed with mode 0755"
done

# ---- what Debian's checkers say ---------------------------------------------------------------
# lintian: no error and no warning. Its informational tags are shown, not failed on.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup-debian.sh installs it)"
if ! lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.out" 2>"$work/lintian.err"; then
  show "$work/lintian.out"
  show "$work/lintian.err"
  fail "lintian finds errors or warnings in $(basename "$deb") (or could not run)"
fi
if grep -q '^I: ' "$work/lintian.out"; then
  note "lintian's information notes:"
  sed 's/^/    /' "$work/lintian.out"
fi
note "lintian: no errors, no warnings"
# AppStream metadata for software centres; the project has no web home yet to check links on.
dpkg-deb -x "$deb" "$work/root"
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed (package appstream)"
if ! appstreamcli validate --strict --no-net "$work/root$metainfo" >"$work/appstream.out" 2>&1; then
  show "$work/appstream.out"
  fail "appstreamcli rejects $metainfo"
fi
grep -q '<launchable type="desktop-id">r7k-panel.desktop</launchable>' "$work/root$metainfo" ||
  fail "$metainfo does not name the desktop entry r7k-panel.desktop"
note "appstreamcli: $metainfo is valid"

if [ "$(id -u)" -ne 0 ]; then
  note "skipped: installing $package needs root (the package itself is fine)"
  exit 77
fi

# ---- install it -----------------------------------------------------------------------------
if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
  installed_here=1
fi
note "installing $package $version"
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall --no-install-recommends \
  "$deb" >"$work/install.log" 2>&1; then
  show "$work/install.log"
  fail "apt-get install $deb failed"
fi
[ "$(dpkg-query -W -f='${Version}' "$package")" = "$version" ] ||
  fail "dpkg reports $package $(dpkg-query -W -f='${Version}' "$package"), expected $version"
for bin in "$panel" "$sim" "$ctl" "$pjlink"; do
  [ "$(dpkg-query -S "$bin" 2>/dev/null)" = "$package: $bin" ] ||
    fail "$bin does not belong to $package: $(dpkg-query -S "$bin" 2>&1)"
done

# dpkg may be told to leave out manual pages (path-exclude, as in slim container images).
excluded_by_dpkg() {
  local pattern
  while read -r pattern; do
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    [[ $1 == $pattern ]] && return 0
  done < <(sed -n 's/^path-exclude[= ]*//p' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null)
  return 1
}
for f in "${expected[@]}"; do
  if [ ! -e "$f" ]; then
    excluded_by_dpkg "$f" || fail "$f is missing after the install"
    note "$f is left out by this machine's dpkg configuration; checking the packaged copy"
  fi
done
# The installed copy of a file if dpkg put it there, else the packaged one.
installed_or_packaged() {
  if [ -e "$1" ]; then echo "$1"; else echo "$work/root$1"; fi
}

# ---- the programs' options ------------------------------------------------------------------
# Runs a command with a time limit, keeping its output in $work/out and $work/err and its
# exit status in $status.
run() {
  status=0
  timeout 30 "$@" >"$work/out" 2>"$work/err" || status=$?
}
expect_status() {
  local want=$1
  shift
  run "$@"
  if [ "$status" -ne "$want" ]; then
    show "$work/out"
    show "$work/err"
    fail "'$*' exited with $status, expected $want"
  fi
}

for prog in "$panel" "$sim" "$ctl" "$pjlink"; do
  name=$(basename "$prog")
  expect_status 0 "$prog" --version
  [ "$(cat "$work/out")" = "$name $version" ] ||
    fail "'$prog --version' says '$(cat "$work/out")', expected '$name $version'"
  expect_status 0 "$prog" --help
  grep -q "^Usage: $name" "$work/out" || fail "'$prog --help' shows no usage line"
  cp "$work/out" "$work/${name#r7k-}-help"
done

expect_status 2 "$panel" --no-such-option
grep -qF -- "unknown option '--no-such-option'" "$work/err" || fail "'$panel --no-such-option' does not name the option"
expect_status 2 "$panel" --com1
grep -qF -- "--com1 needs a value" "$work/err" || fail "'$panel --com1' does not say the device is missing"
expect_status 2 "$sim" --no-such-option

expect_status 0 "$ctl" list
grep -Eq '^power-on +one-shot +C00$' "$work/out" || fail "'$ctl list' does not list power-on"
expect_status 2 "$ctl" power-of
grep -q "did you mean power-off" "$work/err" || fail "'$ctl power-of' names no nearest step"
expect_status 4 "$ctl" --port /dev/r7k-none status
grep -q '/dev/r7k-none.*No such file' "$work/err" || fail "'$ctl --port /dev/r7k-none' names no cause"

expect_status 0 "$panel" --list-ports
[ -s "$work/out" ] || fail "'$panel --list-ports' printed nothing"
note "options: --version, --help, --list-ports and usage errors behave"

# ---- desktop entry and icons ----------------------------------------------------------------
desktop=/usr/share/applications/r7k-panel.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" >"$work/validate" 2>&1 || {
    show "$work/validate"
    fail "desktop-file-validate rejects $desktop"
  }
else
  note "desktop-file-validate is not installed; checking the entry's keys only"
fi
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Type)" = Application ] || fail "$desktop: Type is not Application"
[ "$(entry Name)" = "R7KM & R7K Control" ] || fail "$desktop: Name is '$(entry Name)'"
[ "$(entry Terminal)" = false ] || fail "$desktop: Terminal is not false"
[ "$(PATH=/usr/bin:/bin command -v "$(entry Exec | cut -d' ' -f1)")" = "$panel" ] ||
  fail "$desktop: Exec '$(entry Exec)' does not start $panel"
[ "$(entry Icon)" = r7k-panel ] || fail "$desktop: Icon is '$(entry Icon)', expected r7k-panel"
for size in 16 32; do
  icon=$(installed_or_packaged "/usr/share/icons/hicolor/${size}x${size}/apps/r7k-panel.png")
  # A PNG starts with its 8-byte signature and the IHDR chunk: width and height, big-endian.
  # shellcheck disable=SC2207 # od prints numbers only
  head=($(od -An -v -tu1 -N24 "$icon"))
  [ "${head[*]:0:8}" = "137 80 78 71 13 10 26 10" ] || fail "$icon is not a PNG image"
  width=$(((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]))
  height=$(((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]))
  if [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
    fail "$icon is $width x $height pixels, expected $size x $size"
  fi
done
note "desktop entry and icons are in place"

# ---- manual pages ---------------------------------------------------------------------------
for prog in r7k-panel r7k-sim r7k-ctl r7k-pjlink; do
  page=$(installed_or_packaged "/usr/share/man/man1/$prog.1.gz")
  gzip -t "$page" || fail "$page is not a valid gzip file"
  zcat "$page" | sed 's/\\-/-/g' >"$work/page"
  grep -q "^\.TH .* \"$prog $version\"" "$work/page" ||
    fail "$page: the title line does not name $prog $version: $(head -n1 "$work/page")"
  # Every option the program's --help shows is described in its page.
  while read -r option; do
    grep -Eq -- "$option([^a-z0-9-]|$)" "$work/page" || fail "$page does not describe $option"
  done < <(grep -oE -- '--[a-z0-9][a-z0-9-]*' "$work/${prog#r7k-}-help" | sort -u)
  if command -v man >/dev/null; then
    if ! MANWIDTH=80 man --warnings -l "$page" >"$work/man.out" 2>"$work/man.err" ||
      [ -s "$work/man.err" ] || [ ! -s "$work/man.out" ]; then
      show "$work/man.err"
      fail "'man -l $page' does not render cleanly"
    fi
    if [ -e "/usr/share/man/man1/$prog.1.gz" ]; then
      [ "$(man -w "$prog" 2>/dev/null)" = "/usr/share/man/man1/$prog.1.gz" ] ||
        fail "'man $prog' does not find /usr/share/man/man1/$prog.1.gz"
    fi
  elif command -v groff >/dev/null; then
    if ! zcat "$page" | groff -man -Tutf8 -ww -z 2>"$work/man.err" || [ -s "$work/man.err" ]; then
      show "$work/man.err"
      fail "groff does not render $page cleanly"
    fi
  else
    note "neither man nor groff is installed; $page is not rendered"
  fi
done
note "manual pages render and describe every option"

# ---- r7k-pjlink's service -------------------------------------------------------------------
# systemd-analyze loads the template as systemd would (it needs no running systemd): its
# settings, the program it starts and, where dpkg installed it, the manual page it names.
if command -v systemd-analyze >/dev/null; then
  man_check=yes
  [ -e /usr/share/man/man1/r7k-pjlink.1.gz ] && command -v man >/dev/null || man_check=no
  if ! systemd-analyze verify --man="$man_check" "$unit" >"$work/verify.out" 2>&1 ||
    [ -s "$work/verify.out" ]; then
    show "$work/verify.out"
    fail "systemd-analyze verify finds fault with $unit"
  fi
else
  note "systemd-analyze is not installed; $unit is not verified"
fi
# The package enables and starts nothing: an instance is the administrator's to make.
! ls /etc/systemd/system/*/r7k-pjlink@* 2>/dev/null || fail "installing enabled an instance"
note "r7k-pjlink@.service is installed, verified and not enabled"

# ---- bash completion --------------------------------------------------------------------------
completion=$(installed_or_packaged /usr/share/bash-completion/completions/r7k-ctl)
# shellcheck disable=SC2016 # expanded by the inner shell
words=$(bash -c 'source "$1"; COMP_WORDS=(r7k-ctl --json lamp); COMP_CWORD=2; _r7k_ctl
  echo "${COMPREPLY[*]}"' _ "$completion")
[ "$words" = lamp-time ] || fail "completing 'r7k-ctl --json lamp' offers '$words', expected lamp-time"
note "bash completes r7k-ctl's step names"

# ---- headless run: the installed panel on the installed simulator's pseudo-terminal ---------
# On each opening of the line the simulator sends a burst of printable text; the panel must
# hold the line open, receive the burst and trace it on its RXD line.
# Starts the installed simulator with the given options, its output in $work/NAME.out and
# .err; sets sim_pid and the pseudo-terminal it listens on, pty.
start_sim() {
  local name=$1
  shift
  "$sim" "$@" >"$work/$name.out" 2>"$work/$name.err" &
  sim_pid=$!
  pids+=("$sim_pid")
  pty=
  for _ in $(seq 200); do
    pty=$(sed -n '1s/^r7k-sim: listening on //p' "$work/$name.out")
    [ -n "$pty" ] && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$pty" ] || [ ! -c "$pty" ]; then
    show "$work/$name.out"
    show "$work/$name.err"
    fail "$sim did not report a pseudo-terminal it listens on"
  fi
  note "simulator listening on $pty"
}
start_sim sim --fast --burst 40 --flood-ascii --seed 1

QT_QPA_PLATFORM=offscreen "$panel" --trace --com1 "$pty" >"$work/panel.out" 2>"$work/panel.err" &
panel_pid=$!
pids+=("$panel_pid")

holds_pty() {
  local fd
  for fd in /proc/"$panel_pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$pty" ] && return 0
  done
  return 1
}
panel_failed() {
  show "$work/panel.out"
  show "$work/panel.err"
  show "$work/sim.err"
  fail "$*"
}
rxd=$'^[0-9]+\tRXD\t.*[^ ]'
for _ in $(seq 100); do
  kill -0 "$panel_pid" 2>/dev/null || break
  holds_pty && grep -Eq "$rxd" "$work/panel.out" && break
  sleep 0.1
done
kill -0 "$panel_pid" 2>/dev/null || panel_failed "the panel ended on its own at start"
holds_pty || panel_failed "the panel does not hold $pty open"
grep -Eq "$rxd" "$work/panel.out" || panel_failed "the panel traced no RXD line for the simulator's burst"
sleep 2
kill -0 "$panel_pid" 2>/dev/null || panel_failed "the panel ended on its own while running"
holds_pty || panel_failed "the panel let go of $pty while running"
if grep -Evq $'^[0-9]+\t(TXD|RXD|STATUS)\t' "$work/panel.out"; then
  panel_failed "the panel's trace has malformed lines"
fi
note "panel runs headless on $pty and traces what it receives"

# r7k-ctl on a second simulator, one without the burst.
panel_sim_pid=$sim_pid
start_sim sim2 --fast
expect_status 0 "$ctl" --port "$pty" --json power-on status
grep -q '"status":" Count down"' "$work/out" ||
  fail "'$ctl --json power-on status' did not decode the status: $(cat "$work/out")"
note "r7k-ctl powers the simulator on and reads its status"

sim2_pid=$sim_pid
sim_pid=$panel_sim_pid
kill "$sim_pid"
sim_status=0
wait "$sim_pid" || sim_status=$?
pids=("$panel_pid" "$sim2_pid")
[ "$sim_status" -eq 0 ] || fail "$sim exited with $sim_status after SIGTERM, expected 0"

# r7k-ctl through the network module the package installs, on a simulator served over TCP.
"$sim" --fast --listen 0 >"$work/sim3.out" 2>"$work/sim3.err" &
pids+=("$!")
address=
for _ in $(seq 100); do
  address=$(sed -n '1s/^r7k-sim: listening on //p' "$work/sim3.out")
  [ -n "$address" ] && break
  sleep 0.05
done
expect_status 0 "$ctl" --port "$address" status
grep -q 'Stand by' "$work/out" ||
  fail "'$ctl --port $address status' did not decode the status: $(cat "$work/out" "$work/err")"
note "r7k-ctl reaches the simulator at $address through the installed network module"

note "all checks passed for $package $version"
