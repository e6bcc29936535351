#!/usr/bin/env bash
# The Windows installer under Wine: a silent install puts the files, the Start-menu entry and
# the uninstall entry where it says, the installed panel runs, and the silent uninstaller takes
# all of it away again but keeps the user's port choices.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { wine "$@" 2>/dev/null | tr -d '\r'; }
where='echo %LOCALAPPDATA%\Programs\r7k-panel& echo %APPDATA%\Microsoft\Windows\Start Menu'
{ read -r win_dir && read -r menu; } < <(win cmd /c "$where") ||
  fail "cmd /c under Wine did not print the install and Start-menu folders"
link="$(winepath -u "$menu" 2>/dev/null)/Programs/R7KM & R7K Control.lnk"
dir=$(winepath -u "$win_dir" 2>/dev/null)
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\r7k-panel'
win reg add 'HKCU\Software\r7k-panel\ports' /v com1 /d COM7 /f >/dev/null || fail "reg add under Wine failed"

wine "$R7K_WIN_BUILD"/r7k-panel-*-setup.exe /S || fail "the silent install exited with $?"
wineserver -w
for f in r7k-panel.exe r7k-ctl.exe LICENSE.txt README.txt uninstall.exe; do
  [ -f "$dir/$f" ] || fail "$dir/$f was not installed"
done
[ -f "$link" ] || fail "no Start-menu entry $link"
entry=$(win reg query "$key") || fail "no $key"
for value in "DisplayName    REG_SZ    R7KM & R7K Control" "DisplayVersion    REG_SZ    1.40.0" \
  "DisplayIcon    REG_SZ    $win_dir\\r7k-panel.exe,0" "InstallLocation    REG_SZ    $win_dir" \
  "UninstallString    REG_SZ    \"$win_dir\\uninstall.exe\"" \
  "QuietUninstallString    REG_SZ    \"$win_dir\\uninstall.exe\" /S" \
  "NoModify    REG_DWORD    0x1" "NoRepair    REG_DWORD    0x1" "EstimatedSize    REG_DWORD    0x"; do
  grep -qF "    $value" <<<"$entry" || fail "$key lacks $value; it holds:$entry"
done
version=$(win "$dir/r7k-panel.exe" --version) || true
[[ $version == "r7k-panel 1.40"* ]] || fail "installed r7k-panel.exe --version printed '$version'"

wine "$dir/uninstall.exe" /S || fail "the silent uninstall exited with $?"
wineserver -w
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$link" ] || fail "the Start-menu entry is still there"
! win reg query "$key" >/dev/null || fail "$key is still there"
win reg query 'HKCU\Software\r7k-panel\ports' | grep -q 'com1.*COM7' || fail "the port choice went"
echo "installer: install, uninstall entry, silent uninstall all fine"
