#!/usr/bin/env bash
# Every long option a program's --help shows must be in its manual page and in its part of
# README.md, so neither falls behind the program.
#   check-options.sh SOURCE_DIR NAME=PROGRAM...   (NAME: r7k-panel, r7k-ctl, r7k-sim, r7k-pjlink)
set -euo pipefail
src=$1
shift
# README's part for each program: from its heading to the next one of the same level.
declare -A heading=([r7k-panel]='## Options' [r7k-ctl]='## Scripts: r7k-ctl'
  [r7k-sim]='## The simulated projector' [r7k-pjlink]='## Room control over the network (PJLink)')
# An option is a whole word: "--flood" is not found in "--flood-bytes".
has() { grep -qE -- "(^|[^a-z0-9-])$2([^a-z0-9-]|\$)" <<<"$1"; }
failed=0
for pair in "$@"; do
  name=${pair%%=*} program=${pair#*=}
  help=$("$program" --help) || { echo "$name --help failed" >&2; failed=1; continue; }
  # Option lines of the help: indented, a short form first or not ("  -h, --help").
  options=$(sed -nE 's/^[[:space:]]+(-[[:alnum:]], )?(--[[:alnum:]][[:alnum:]-]*).*/\2/p' <<<"$help" |
    sort -u)
  [ -n "$options" ] || { echo "$name --help shows no options" >&2; failed=1; }
  # The page as text: roff's escaped minus "\-" is a hyphen, font changes are dropped.
  page=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$src/packaging/$name.1")
  readme=$(awk -v h="${heading[$name]}" '$0 == h { on = 1; next } on && /^## / { exit } on' \
    "$src/README.md")
  [ -n "$readme" ] || { echo "README.md has no part \"${heading[$name]}\" for $name" >&2; failed=1; }
  for option in $options; do
    has "$page" "$option" || { echo "$option of $name is missing from packaging/$name.1" >&2; failed=1; }
    has "$readme" "$option" || {
      echo "$option of $name is missing from README.md (\"${heading[$name]}\")" >&2
      failed=1
    }
  done
done
exit $failed
