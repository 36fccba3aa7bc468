#!/usr/bin/env bash
# The progress line: on a terminal (a pseudo-terminal made by script(1)) it appears once a run
# has taken a second and is wiped before the program ends; with standard error not a terminal,
# nothing of it is written. The run is made long by a FIFO that gives its bytes late.
# Usage: progress_test.sh SUMTIDE_SUM
set -uo pipefail
ours=$1
command -v script >/dev/null || {
  echo "skipped: script(1) is missing"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  if eval "$2"; then echo "ok   $1"; else
    echo "FAIL $1"
    failures=$((failures + 1))
  fi
}

mkfifo "$work/late"
(sleep 1.6 && printf 'abc' >"$work/late") &
script -qec "'$ours' '$work/late'" /dev/null >"$work/terminal" 2>&1
check "the line shows on a terminal" "grep -aq 'sumtide-sum: 0/1 files, 0.0 MiB of 0.0 MiB' '$work/terminal'"
check "it is wiped, then the sum is written" \
  "tr '\r' '\n' <'$work/terminal' | grep -aq '^.\[K900150983cd24fb0d6963f7d28e17f72  '"

(sleep 1.6 && printf 'abc' >"$work/late") &
"$ours" "$work/late" >"$work/out" 2>"$work/err"
check "nothing of it without a terminal" "[ ! -s '$work/err' ] && grep -q '^900150983cd24fb0d6963f7d28e17f72  ' '$work/out'"
# A list that comes through a FIFO is read once, by the check alone: the counting of the totals
# must not take its lines.
printf 'abc' >"$work/abc"
for i in $(seq 1 50); do printf '900150983cd24fb0d6963f7d28e17f72  %s\n' "$work/abc"; done >"$work/list"
mkfifo "$work/list-fifo"
(sleep 1.6 && cat "$work/list" >"$work/list-fifo") &
script -qec "'$ours' -c '$work/list-fifo'" /dev/null >"$work/terminal" 2>&1
check "a list through a FIFO is checked whole" "[ \$(tr '\r' '\n' <'$work/terminal' | grep -ac ': OK$') = 50 ]"
wait
[ "$failures" -eq 0 ]
