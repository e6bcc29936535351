#!/usr/bin/env bash
# r7k-ctl's bash completion, given the words bash hands it (split at blanks, "=" and ":"):
# each case is the line up to the cursor, bash's words, and the replies expected, sorted.
#   completion_test.sh COMPLETION_FILE R7K_CTL
set -u
# shellcheck source=/dev/null
source "$1"
ctl=$(realpath "$2")
cd "$(mktemp -d)" && mkdir -p dev/pts && touch dev/pts/7 dev/ptmx || exit 1
failed=0
check() {
    COMP_LINE="r7k-ctl $1" COMP_POINT=$((${#1} + 8))
    eval "COMP_WORDS=($ctl $2)"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _r7k_ctl
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd'|')
    [ "$got" = "$3" ] || { echo "r7k-ctl $1<TAB>: got \"$got\", expected \"$3\""; failed=1; }
}
check '--port=dev/pt' '--port = dev/pt' 'dev/ptmx|dev/pts/'
check '--port dev/pts/' '--port dev/pts/' 'dev/pts/7'
check '--port=' '--port =' 'dev/|rfc2217://|tcp://'
check '--port tc' '--port tc' 'tcp://'
check '--speed=9' '--speed = 9' '9600'
check '--json --va' '--json --va' '--value'
check 'send "CR P' 'send \"CR\ P' 'CR PRESSURE'
check 'send CR\ I' 'send CR\\\ I' 'CR\ INFPFAIL'
check 'send CF\ KEYDIS\ R' 'send CF\\\ KEYDIS\\\ R' 'CF\ KEYDIS\ RC'
check 'send CR' 'send CR' 'CR0|CR1|CR3|CR4|CR6|CR7|CR9|CRA|CR\ INFPFAIL|CR\ PRESSURE'
check 'power-on wait 2 lamp-t' 'power-on wait 2 lamp-t' 'lamp-time'
exit $failed
