#!/usr/bin/env bash
# r7k-pjlink.exe under Wine, the projector (r7k-sim) on a COM port linked to the sim's pty: a
# console run answers PJLink and /metrics on loopback and ends at Ctrl+C (SIGINT, which Wine
# turns into CTRL_C_EVENT) with status 0 and the port closed; the Windows service is
# installed, runs, answers, is stopped (port and socket closed) and removed through Wine's
# service manager, and the wrong commands at each stage say why.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
exe=$R7K_WIN_BUILD/r7k-pjlink.exe
scratch=$(mktemp -d)
com=COM$((20 + $$ % 200))
link=$WINEPREFIX/dosdevices/${com,,}
cleanup() {
  wine "$exe" service remove >/dev/null 2>&1 || true
  [ -n "${sim:-}" ] && kill "$sim" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
# One server for the whole test, kept between the steps (with-display.sh ends it).
wineserver -p || true
"$R7K_SIM" --link "$link" >"$scratch/sim.out" 2>"$scratch/sim.err" &
sim=$!
for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done

# The port in "answering PJLink on 127.0.0.1:PORT" once FILE says it (the port was 0: any).
port_in() {
  for _ in $(seq 150); do
    port=$(sed -n 's/.*answering PJLink on 127\.0\.0\.1:\([0-9]*\) for.*/\1/p' "$1" 2>/dev/null)
    [ -n "$port" ] && { echo "$port"; return 0; }
    sleep 0.1
  done
  fail "no 'answering PJLink' in $1: $(cat "$1" 2>/dev/null)"
}
# A PJLink exchange on loopback: the greeting (without its random number), then each
# request's answer, '|' between; with the password "secret" when the greeting asks for one.
exchange() {
  exec 3<>"/dev/tcp/127.0.0.1/$1" || fail "port $1 refused the connection"
  local line out digest=
  IFS= read -r -d $'\r' -t 10 line <&3 || fail "no greeting on port $1"
  out=${line% *}
  [ "$out" = "PJLINK 1" ] && digest=$(printf '%s' "${line##* }secret" | md5sum | cut -c1-32)
  [ "$out" = "PJLINK 1" ] || out=$line
  for request in "${@:2}"; do
    printf '%s%s\r' "$digest" "$request" >&3
    digest=
    IFS= read -r -d $'\r' -t 10 line <&3 || fail "no answer to $request"
    out+="|$line"
  done
  exec 3<&-
  echo "$out"
}
closes_seen() { grep -c "the line was closed" "$scratch/sim.err" || true; }
wait_closes() {
  for _ in $(seq 50); do [ "$(closes_seen)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "the sim saw the line closed $(closes_seen) times, not $1"
}

# One HTTP request to the metrics port: the status line, and the body's line starting with $3.
http_get() {
  exec 4<>"/dev/tcp/127.0.0.1/$1" || fail "metrics port $1 refused the connection"
  printf 'GET %s HTTP/1.1\r\nHost: localhost\r\n\r\n' "$2" >&4
  local reply
  reply=$(timeout 10 cat <&4 | tr -d '\r')
  exec 4<&-
  head -n1 <<<"$reply"
  grep "^$3" <<<"$reply" || true
}

# The console run, with the metrics endpoint on Winsock beside PJLink.
wine "$exe" --port "$com" --listen 127.0.0.1:0 --no-notify --metrics 127.0.0.1:0 \
  2>"$scratch/console.err" &
console=$!
port=$(port_in "$scratch/console.err")
got=$(exchange "$port" "%1POWR ?" "%1LAMP ?" "%1NAME ?")
[ "$got" = "PJLINK 0|%1POWR=0|%1LAMP=1234 0 1234 0|%1NAME=r7k" ] || fail "console run answered '$got'"
metrics=$(sed -n 's|.*serving metrics at http://127\.0\.0\.1:\([0-9]*\)/metrics.*|\1|p' \
  "$scratch/console.err")
[ -n "$metrics" ] || fail "no metrics address in: $(cat "$scratch/console.err")"
got=$(http_get "$metrics" /metrics r7k_lamp_hours)
grep -q "^HTTP/1.[01] 200" <<<"$got" && grep -q " 1234$" <<<"$got" ||
  fail "/metrics on Windows gave: $got"
got=$(http_get "$metrics" /elsewhere "")
grep -q "^HTTP/1.[01] 404" <<<"$got" || fail "a wrong path gave: $got"
kill -INT "$console"
rc=0
wait "$console" || rc=$?
[ "$rc" = 0 ] || fail "Ctrl+C ended the console run with $rc: $(cat "$scratch/console.err")"
grep -q "stopped by Ctrl+C; the port is closed" "$scratch/console.err" ||
  fail "the console run said: $(cat "$scratch/console.err")"
wait_closes 1

# The service, through the service manager.
win() { wine "$@" 2>&1 | tr -d '\r'; }
state() { win sc query r7k-pjlink | sed -n 's/ *STATE *: [0-9]* *\([A-Z_]*\).*/\1/p'; }
said=$(win "$exe" service stop) && fail "stop before install succeeded: $said"
grep -q "the service r7k-pjlink is not installed" <<<"$said" || fail "stop before install said '$said'"
said=$(win "$exe" service install --port "$com" --speeed 9600) && fail "install took a bad option"
grep -q "unknown option" <<<"$said" || fail "install with a bad option said '$said'"
# The password file named relative to where the administrator stands.
echo secret >"$scratch/password.txt"
(cd "$scratch" && win "$exe" service install --port "$com" --listen 127.0.0.1:0 --no-notify \
  --password-file password.txt >/dev/null) || fail "install failed"
said=$(win "$exe" service install --port "$com") && fail "a second install succeeded"
grep -q "already installed" <<<"$said" || fail "a second install said '$said'"
installed=$(winepath -u 'C:\Program Files\r7k-pjlink\r7k-pjlink.exe' 2>/dev/null)
cmp -s "$exe" "$installed" || fail "the program was not copied to $installed"
log=$(winepath -u 'C:\ProgramData\r7k-pjlink\r7k-pjlink.log' 2>/dev/null)
rm -f "$log"
said=$(win "$exe" service start) || fail "start failed: $said"
[ "$(state)" = RUNNING ] || fail "sc query says $(state) after start"
port=$(port_in "$log")
got=$(exchange "$port" "%1POWR ?" "%1INPT ?")
[ "$got" = "PJLINK 1|%1POWR=0|%1INPT=11" ] || fail "the service answered '$got'"
win "$exe" service stop >/dev/null || fail "stop failed"
[ "$(state)" = STOPPED ] || fail "sc query says $(state) after stop"
grep -q "stopped by the service manager; the port is closed" "$log" || fail "the log: $(cat "$log")"
wait_closes 2
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "port $port still open after the stop"
# A start that fails says so, and why in the log: here the password file is gone.
rm "$scratch/password.txt"
said=$(win "$exe" service start) && fail "a start without the password file succeeded: $said"
grep -q "stopped as it started (exit status 1): see C:.*r7k-pjlink.log" <<<"$said" ||
  fail "the failed start said '$said'"
grep -q "password.txt: cannot be read" "$log" || fail "the log after a failed start: $(cat "$log")"
[ "$(state)" = STOPPED ] || fail "sc query says $(state) after a failed start"
win "$exe" service remove >/dev/null || fail "remove failed"
said=$(win sc query r7k-pjlink) && fail "sc query still finds the service: $said"
[ ! -e "$installed" ] || fail "remove left $installed"
echo "r7k-pjlink.exe: console and service runs answered and stopped cleanly"
