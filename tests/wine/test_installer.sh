#!/usr/bin/env bash
# The Windows installer under Wine: a silent install puts the files, the Start-menu entry,
# the uninstall entry and a read-me that leads to STATUS where it says. While the installed
# panel runs, neither the installer nor the uninstaller touches anything, and both say why and
# exit with 3; once it has ended both work. A folder given as /D="C:\My Tools\R7K" is taken, a
# broken one refused with 4. The silent uninstaller takes all of it away again but keeps the
# user's port choices.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { wine "$@" 2>/dev/null | tr -d '\r'; }
# One server for the whole test, kept between the steps (with-display.sh ends it).
wineserver -p || true # (or the one already running)
setup=$(compgen -G "$R7K_WIN_BUILD/r7k-panel-*-setup.exe")
where='echo %LOCALAPPDATA%\Programs\r7k-panel& echo %APPDATA%\Microsoft\Windows\Start Menu'
{ read -r win_dir && read -r menu; } < <(win cmd /c "$where") ||
  fail "cmd /c under Wine did not print the install and Start-menu folders"
link="$(winepath -u "$menu" 2>/dev/null)/Programs/R7KM & R7K Control.lnk"
dir=$(winepath -u "$win_dir" 2>/dev/null)
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\r7k-panel'
win reg add 'HKCU\Software\r7k-panel\ports' /v com1 /d COM7 /f >/dev/null || fail "reg add under Wine failed"
# The uninstaller leaves uninstall.exe and the folder to a copy of it that runs on briefly.
gone() { for _ in $(seq 100); do [ -e "$1" ] || return 0; sleep 0.1; done; return 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# What an earlier run that failed may have left in the shared prefix: a recorded folder would
# become the default one.
win reg delete "$key" /f >/dev/null || true
rm -rf "$dir" "$(winepath -u 'C:\My Tools' 2>/dev/null)"

wine "$setup" /S || fail "the silent install exited with $?"
for f in r7k-panel.exe r7k-ctl.exe r7k-pjlink.exe LICENSE.txt README.txt uninstall.exe; do
  [ -f "$dir/$f" ] || fail "$dir/$f was not installed"
done
[ -f "$link" ] || fail "no Start-menu entry $link"
# A per-user install registers no service: that takes an administrator's own command.
win sc query r7k-pjlink >/dev/null && fail "the installer registered the service r7k-pjlink"
entry=$(win reg query "$key") || fail "no $key"
for value in "DisplayName    REG_SZ    R7KM & R7K Control" "DisplayVersion    REG_SZ    1.40.0" \
  "Publisher    REG_SZ    The r7k-panel developers" \
  "DisplayIcon    REG_SZ    $win_dir\\r7k-panel.exe,0" "InstallLocation    REG_SZ    $win_dir" \
  "UninstallString    REG_SZ    \"$win_dir\\uninstall.exe\"" \
  "QuietUninstallString    REG_SZ    \"$win_dir\\uninstall.exe\" /S" \
  "NoModify    REG_DWORD    0x1" "NoRepair    REG_DWORD    0x1" "EstimatedSize    REG_DWORD    0x"; do
  grep -qF "    $value" <<<"$entry" || fail "$key lacks $value; it holds:$entry"
done
for f in "$dir/r7k-panel.exe" "$dir/r7k-ctl.exe" "$dir/r7k-pjlink.exe" "$dir/uninstall.exe" \
  "$setup"; do
  strings -el "$f" | grep -A1 -x CompanyName | grep -qx "The r7k-panel developers" ||
    fail "$f has no CompanyName \"The r7k-panel developers\" in its version resource"
done
# The read-me as Notepad shows it: CRLF lines; the key that brings the STATUS button and the
# RXD line into the window comes before the step that presses STATUS, and the view button is
# named by its caption.
readme=$(tr -d '\r' <"$dir/README.txt")
[ "$(grep -c $'\r$' "$dir/README.txt")" = "$(wc -l <"$dir/README.txt")" ] || fail "README.txt: not CRLF"
reveal=$(grep -n -m1 -F 'Ctrl+J' <<<"$readme" | cut -d: -f1) || true
press=$(grep -n -m1 -i 'press STATUS' <<<"$readme" | cut -d: -f1) || true
[ -n "$reveal" ] && [ -n "$press" ] && [ "$reveal" -lt "$press" ] ||
  fail "README.txt says Ctrl+J on line ${reveal:-none}, to press STATUS on line ${press:-none}"
grep -qF '"データを表示する"' <<<"$readme" || fail "README.txt does not name the view button"
version=$(win "$dir/r7k-panel.exe" --version) || true
[[ $version == "r7k-panel 1.40"* ]] || fail "installed r7k-panel.exe --version printed '$version'"

# The installed panel runs. The read-me and the entry's version are changed first, so that a
# reinstall would show; every file, the Start-menu entry and the uninstall entry must stay.
echo "changed by the test" >>"$dir/README.txt"
win reg add "$key" /v DisplayVersion /d 0.0-test /f >/dev/null
state() {
  (cd "$dir" && sha256sum -- * && stat -c '%n %s %y' -- *)
  sha256sum <"$link" && stat -c %y "$link" && win reg query "$key"
}
wine "$dir/r7k-panel.exe" >/dev/null 2>&1 &
panel=$!
timeout 30 xdotool search --sync --pid "$panel" >/dev/null || fail "the installed panel did not start"
before=$(state)
running="r7k-panel.exe is running from $win_dir: close it and try again. Nothing was changed."
for run in "setup:$setup" "uninstall:$dir/uninstall.exe"; do
  rc=0
  said=$(wine "${run#*:}" /S 2>&1 >/dev/null) || rc=$?
  [ "$rc" = 3 ] || fail "${run%%:*} /S beside the running panel exited with $rc, not 3"
  grep -qF "${run%%:*}: $running" <<<"$said" || fail "${run%%:*} /S said '$said'"
  [ "$(state)" = "$before" ] || fail "${run%%:*} /S changed: $(diff <(echo "$before") <(state))"
done
wine taskkill /F /IM r7k-panel.exe >/dev/null 2>&1 || true
wait "$panel" || true

wine "$setup" /S || fail "the silent install after the panel ended exited with $?"
cmp -s "$dir/README.txt" "$R7K_WIN_BUILD/staging/README.txt" || fail "README.txt was not replaced"
win reg query "$key" /v DisplayVersion | grep -qF 'REG_SZ    1.40.0' || fail "DisplayVersion not set"
wine "$dir/uninstall.exe" /S || fail "the silent uninstall exited with $?"
gone "$dir" || fail "left behind: $(ls -A "$dir")"
[ ! -e "$link" ] || fail "the Start-menu entry is still there"
! win reg query "$key" >/dev/null || fail "$key is still there"
win reg query 'HKCU\Software\r7k-panel\ports' | grep -q 'com1.*COM7' || fail "the port choice went"

# The folder option as a Windows user types it in cmd.exe (a batch file keeps the quotes as
# written): each row is what follows the installer's name, the exit code, the folder that
# must then hold the programs (or must not), and what it says on standard error.
rows=(
  '/S /D="C:\My Tools\R7K"|0|C:\My Tools\R7K|'
  '/S "/D=C:\My Tools\R7K2"|0|C:\My Tools\R7K2|'
  '/D="C:\My Tools\R7K3" /S|0|C:\My Tools\R7K3|'
  '/S /D="C:\My Tools\R7K4|4|C:\My Tools\R7K4|setup: The folder after /D= has no closing quote'
  '/S /D="C:\My Tools\R7K5" /NCRC|4|C:\My Tools\R7K5|setup: /D= must be the last option'
  '/S /D=My Tools\R7K6|4|C:\My Tools\R7K6|setup: /D= needs the full path of a folder'
  '/S /D="C:\"|4|C:\|setup: /D= needs the full path of a folder (C:\... or \\server\share\...), not "C:\".'
)
for row in "${rows[@]}"; do
  IFS='|' read -r options want folder words <<<"$row"
  printf '@"%s" %s\r\n' "$(winepath -w "$setup" 2>/dev/null)" "$options" >"$scratch/setup.cmd"
  rc=0
  # A box where none belongs would wait for a click: time it out.
  said=$(timeout 60 wine "$scratch/setup.cmd" 2>&1 >/dev/null) || rc=$?
  [ "$rc" = "$want" ] ||
    fail "setup $options exited with $rc, not $want: '$said' $(win reg query "$key" /v InstallLocation)"
  grep -qF "$words" <<<"$said" || fail "setup $options said '$said'"
  there=$(winepath -u "$folder" 2>/dev/null)
  if [ "$want" = 0 ]; then
    [ -f "$there/r7k-panel.exe" ] || fail "setup $options did not install into $folder"
    win reg query "$key" /v InstallLocation | grep -qF "REG_SZ    $folder" ||
      fail "setup $options did not record $folder"
    wine "$there/uninstall.exe" /S || fail "the uninstall from $folder exited with $?"
    gone "$there" || fail "the uninstall from $folder left $(ls -A "$there")"
  else
    [ ! -e "$there/r7k-panel.exe" ] && [ ! -e "$dir" ] && ! win reg query "$key" >/dev/null ||
      fail "setup $options installed something"
  fi
done
echo "installer: install, uninstall entry, running panel, quoted folder, silent uninstall all fine"
