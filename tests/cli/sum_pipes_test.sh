#!/usr/bin/env bash
# Differential test of the inputs that are not regular files (FIFOs, devices, standard input,
# process substitution) and of a standard output that blocks, fills or goes away: sumtide-sum and
# the GNU tool of one algorithm run on the same setup, and where both are deterministic their
# standard output, standard error and exit codes must be the same. Where timing decides (a run
# killed midway, a list that stalls), what the output holds at that moment must be what the GNU
# tool's holds. Every run is under a time limit, so that a program which waits forever shows as a
# "hang" rather than blocking the suite. As in sum_diff_test.sh, sumtide-sum is invoked under the
# tool's name and given "-a ALGORITHM" except for md5.
# Usage: sum_pipes_test.sh SUMTIDE_SUM ALGORITHM   (md5, sha1, sha224, sha256, sha384, sha512 or
# blake2b)
set -uo pipefail
# shellcheck source=sum_test_arguments.sh
source "$(dirname "$0")/sum_test_arguments.sh"
for tool in "$gnu" timeout mkfifo; do
  command -v "$tool" >/dev/null || {
    echo "skipped: $tool is missing"
    exit 77
  }
done
[ -x "$ours" ] || {
  echo "skipped: $ours is missing"
  exit 77
}
# Seconds a run may take before it counts as a hang.
limit=20

work=$(mktemp -d)
cleanup() {
  local pids
  pids=$(jobs -p)
  # shellcheck disable=SC2086 # one word per process
  [ -z "$pids" ] || kill $pids 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

# The programs, each under the time limit; ours named as the GNU tool.
# shellcheck disable=SC2016,SC2206 # expanded by the inner shell; $select is "-a NAME" or nothing
ours_command=(bash -c 'exec -a "$0" "$@"' "$gnu" "$ours" $select)
gnu_run() { timeout -k 2 "$limit" "$gnu" "$@"; }
ours_run() { timeout -k 2 "$limit" "${ours_command[@]}" "$@"; }

# Writers of FIFOs: shell words run in the background, under the time limit too. settle waits for
# them once the program has ended, kills those still blocked after 3 s (nobody opened or read
# their FIFO) and returns the last non-zero exit code, 0 if all ended well.
writers=()
writer() {
  timeout -k 2 "$limit" bash -c "$1" &
  writers+=($!)
}
running() {
  local state
  read -r _ _ state _ 2>/dev/null <"/proc/$1/stat" && [ "$state" != Z ]
}
settle() {
  local pid i status=0
  for pid in "${writers[@]}"; do
    for ((i = 0; i < 60; i++)); do
      running "$pid" || break
      sleep 0.05
    done
    kill "$pid" 2>/dev/null
    wait "$pid" || status=$?
  done
  writers=()
  return "$status"
}

failures=0
count=0
fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
}
hung() { case " $1 " in *" 124 "* | *" 137 "*) true ;; *) false ;; esac }
# Compares the runs left in expected.{out,err} and actual.{out,err}, given their exit codes (one
# per member of a pipeline).
compare() {
  local what=$1 expected_rc=$2 actual_rc=$3
  count=$((count + 1))
  if hung "$actual_rc" && ! hung "$expected_rc"; then
    fail "$what: hang (no end within $limit s)"
  elif [ "$expected_rc" != "$actual_rc" ] || ! cmp -s expected.out actual.out ||
    ! cmp -s expected.err actual.err; then
    fail "$what"
    echo "  exit code: $gnu $expected_rc, ours $actual_rc"
    diff <(od -An -c expected.out) <(od -An -c actual.out) | head -20 | sed 's/^/  /'
    diff expected.err actual.err | head -10 | sed 's/^/  stderr /'
  fi
}

printf 'a' >a
printf 'bb' >b
printf 'ccc' >c
head -c 1000 /dev/urandom >k1000
# More than a pipe buffer holds, so that a writer has to wait for the reader.
head -c 300000 /dev/urandom >big1
head -c 300000 /dev/urandom >big2
printf 'stdin text' >stdin.txt
mkfifo f1 f2 lf x nf
gnu_run a b >two.sums
sed '1{s/^0/1/;t;s/^./0/}' two.sums >bad.sums
gnu_run big1 big2 | sed 's/  big\([12]\)$/  f\1/' >fifos.sums
gnu_run a big1 b big2 c | sed 's/  big\([12]\)$/  f\1/' >mixed-fifos.sums
{
  gnu_run a
  gnu_run - <stdin.txt
  gnu_run b
} >dash.sums
gnu_run c >c.sums
gnu_run a b c k1000 big1 big2 >six.sums
# Lines long enough that 2,000 of them overflow any pipe buffer.
mkdir many
name=many/file-with-a-name-long-enough-that-two-thousand-lines-overflow-a-pipe-buffer
for i in $(seq 1 2000); do printf '%s' "$i" >"$name-$i"; done
gnu_run many/* >many.sums
# Enough output that a regular file receives more than one gathered write.
mkdir slow
name=slow/$(printf 'n%.0s' $(seq 1 180))
for i in $(seq 1 400); do printf '%s' "$i" >"$name-$i"; done
gnu_run slow/* >slow.sums

# Runs one program (gnu_run or ours_run) on WORDS with standard input from INPUT, a file, or
# "pipe:FILE" for the file through a pipe; leaves its exit code in $rc.
run_one() {
  local runner=$1 input=$2 words=$3
  if [ "${input#pipe:}" != "$input" ]; then
    # shellcheck disable=SC2002 # a pipe, not the file, is the standard input
    cat "${input#pipe:}" | eval "$runner $words"
    rc=${PIPESTATUS[1]}
  else
    eval "$runner $words" <"$input"
    rc=$?
  fi
}

# One case: a description, SETUP (shell words run before each program: the writers of its FIFOs),
# the standard input (see run_one), then the arguments as shell words. The writers must end as
# they end with the GNU tool.
while IFS='|' read -r what setup input words; do
  [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
  eval "$setup"
  run_one gnu_run "${input:-/dev/null}" "$words" >expected.out 2>expected.err
  expected_rc=$rc
  settle
  expected_writers=$?
  eval "$setup"
  run_one ours_run "${input:-/dev/null}" "$words" >actual.out 2>actual.err
  actual_rc=$rc
  settle
  actual_writers=$?
  compare "$what: sumtide-sum $words" "$expected_rc" "$actual_rc"
  [ "$expected_writers" = "$actual_writers" ] ||
    fail "$what: the writers ended with $actual_writers, with $gnu with $expected_writers"
done <<'TABLE'
# One writer feeding FIFOs in turn: each is opened only once the one before is read to its end.
two FIFOs|writer 'cat big1 >f1 && cat big2 >f2'||f1 f2
FIFOs among files|writer 'cat big1 >f1 && cat big2 >f2'||a f1 b f2 c
FIFOs first and last|writer 'cat big1 >f1 && cat big2 >f2'||f1 a b f2
list naming FIFOs|writer 'cat big1 >f1 && cat big2 >f2'||-c fifos.sums
list naming FIFOs among files|writer 'cat big1 >f1 && cat big2 >f2'||-c mixed-fifos.sums
list through a FIFO naming FIFOs|writer 'cat fifos.sums >lf && cat big1 >f1 && cat big2 >f2'||-c lf
# Process substitution: the names are /dev/fd/N for both.
two substitutions|||<(cat a) <(cat b)
substitution among files and standard input||stdin.txt|a <(cat big1) b -
lists by substitution|||-c <(cat two.sums) c.sums <(cat bad.sums)
# A writer already waiting when the program starts.
waiting writer|writer 'cat k1000 >x'; sleep 0.3||a x b
# Standard input.
standard input twice||pipe:stdin.txt|- a -
standard input twice from a file||stdin.txt|- a -
standard input among files||pipe:stdin.txt|a - b
list naming standard input||pipe:stdin.txt|-c dash.sums
list on standard input among lists||pipe:c.sums|-c two.sums - dash.sums
devices|||/dev/null a /dev/null
TABLE

# A FIFO whose writer already waits, with system calls made slow: a program that opens the FIFO
# ahead and closes it again would lose the bytes the writer gave (the writer dies of SIGPIPE, or
# the program waits for a writer that has gone).
writer 'cat k1000 >x'
gnu_run a x b >expected.out 2>/dev/null
settle
if ! strace -f -o /dev/null true 2>/dev/null; then
  echo "skipped: strace cannot trace here; the FIFO under slow system calls is not tried"
else
  # Only the closes of the FIFO are slowed (-P x): the start of a process closes a hundred
  # descriptors (shell, loader, locale, sanitizer), which slowed too would take the whole time
  # limit. io_uring_enter is called a few times only, and never on the FIFO's descriptor.
  for call in close io_uring_enter; do
    count=$((count + 1))
    filter=()
    [ "$call" = close ] && filter=(-P x)
    writer 'cat k1000 >x'
    sleep 0.3
    # A build with AddressSanitizer must leave out its leak check, which cannot run under ptrace.
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 timeout -k 2 "$limit" \
      strace -f -o /dev/null "${filter[@]}" -e inject="$call":delay_exit=200000 \
      "${ours_command[@]}" a x b >actual.out 2>actual.err
    actual_rc=$?
    settle
    writer_rc=$?
    if hung "$actual_rc"; then
      fail "a waiting writer, $call slowed: hang (no end within $limit s)"
    elif [ "$actual_rc" != 0 ] || [ "$writer_rc" != 0 ] || ! cmp -s expected.out actual.out; then
      fail "a waiting writer, $call slowed: exit code $actual_rc, the writer's $writer_rc (both 0 expected)"
      diff expected.out actual.out | head -6 | sed 's/^/  /'
      head -3 actual.err | sed 's/^/  stderr /'
    fi
  done
fi

# Output that blocks: a FIFO nobody writes and a device without end stop both programs after the
# lines of a and b; killed after a second, the output holds those lines, to a file as to a pipe.
for blocker in nf /dev/zero; do
  for target in file pipe; do
    for runner in gnu_run ours_run; do
      # shellcheck disable=SC2034 # read by the runner
      limit=1
      if [ $target = file ]; then
        $runner a b $blocker c >out 2>err
        rc=$?
      else
        $runner a b $blocker c 2>err | cat >out
        rc=${PIPESTATUS[0]}
      fi
      limit=20
      if [ $runner = gnu_run ]; then
        mv out expected.out && mv err expected.err && expected_rc=$rc
      else
        mv out actual.out && mv err actual.err && actual_rc=$rc
      fi
    done
    compare "output at a second into 'a b $blocker c' to a $target" "$expected_rc" "$actual_rc"
  done
done

# An interrupted run ends at a line's end, and what it wrote is the start of the full output.
# The reads are slowed so that the run is still going when SIGINT comes.
interrupted=0
for target in file pipe; do
  for delay in 0.2 0.5 0.8; do
    count=$((count + 1))
    if [ $target = file ]; then
      SUMTIDE_SLOW_READS=5 timeout -k 2 -s INT "$delay" "${ours_command[@]}" slow/* \
        >actual.out 2>/dev/null
      rc=$?
    else
      SUMTIDE_SLOW_READS=5 timeout -k 2 -s INT "$delay" "${ours_command[@]}" slow/* 2>/dev/null |
        cat >actual.out
      rc=${PIPESTATUS[0]}
    fi
    [ "$rc" = 124 ] && interrupted=$((interrupted + 1))
    size=$(stat -c %s actual.out)
    if [ "$size" -gt 0 ] && [ "$(tail -c 1 actual.out | od -An -tx1 | tr -d ' ')" != 0a ]; then
      fail "SIGINT at $delay s, output to a $target: the output does not end with a line feed"
    elif ! head -c "$size" slow.sums | cmp -s - actual.out; then
      fail "SIGINT at $delay s, output to a $target: the lines differ from $gnu's"
      diff <(head -c "$size" slow.sums) actual.out | head -6 | sed 's/^/  /'
    fi
  done
done
count=$((count + 1))
[ "$interrupted" -gt 0 ] ||
  fail "SUMTIDE_SLOW_READS=5 did not slow the reads: every run over slow/ ended before SIGINT came"

# A reader that leaves after the first line: the writer dies of SIGPIPE as the GNU tool does, or,
# with SIGPIPE ignored, reports the write error and fails.
for words in "-c many.sums" "many/*"; do
  for pipe_signal in default ignored; do
    (
      [ $pipe_signal = ignored ] && trap '' PIPE
      eval "gnu_run $words" 2>expected.err | head -n 1 >expected.out
      echo "${PIPESTATUS[*]}" >expected.rc
      eval "ours_run $words" 2>actual.err | head -n 1 >actual.out
      echo "${PIPESTATUS[*]}" >actual.rc
    )
    compare "'$words | head -n 1', SIGPIPE $pipe_signal" "$(cat expected.rc)" "$(cat actual.rc)"
  done
done
for words in --help --version; do
  (
    trap '' PIPE
    { sleep 0.2 && gnu_run $words; } 2>expected.err | true
    echo "${PIPESTATUS[0]}" >expected.rc
    { sleep 0.2 && ours_run $words; } 2>actual.err | true
    echo "${PIPESTATUS[0]}" >actual.rc
  )
  : >expected.out
  : >actual.out
  compare "$words into a pipe already closed, SIGPIPE ignored" "$(cat expected.rc)" "$(cat actual.rc)"
done

# A full device and a closed standard output, in every mode: the error comes only when something
# was to be written.
: >expected.out
: >actual.out
while IFS='|' read -r what words; do
  [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
  for target in /dev/full closed; do
    if [ $target = closed ]; then
      eval "gnu_run $words" </dev/null >&- 2>expected.err
      expected_rc=$?
      eval "ours_run $words" </dev/null >&- 2>actual.err
      actual_rc=$?
    else
      eval "gnu_run $words" </dev/null >/dev/full 2>expected.err
      expected_rc=$?
      eval "ours_run $words" </dev/null >/dev/full 2>actual.err
      actual_rc=$?
    fi
    compare "$what, output $target: $words" "$expected_rc" "$actual_rc"
  done
done <<'TABLE'
one file|a
a file and a missing one|a missing
standard input|- <stdin.txt
a good list|-c two.sums
a good list, status only|-c --status two.sums
a good list, quiet|-c --quiet two.sums
a bad list, quiet|-c --quiet bad.sums
help|--help
version|--version
usage error|--bogus a
TABLE

# A list through a pipe that stalls after a bad line: before the program waits for the rest, the
# lines for what it has read are out, to a file as to a pipe.
for target in file pipe; do
  for runner in gnu_run ours_run; do
    if [ $target = file ]; then
      (
        { head -n 3 six.sums && printf 'junk\n' && sleep 1 && tail -n +4 six.sums; } |
          $runner -c -w >out 2>err
        echo "${PIPESTATUS[1]}" >rc
      ) &
    else
      (
        { head -n 3 six.sums && printf 'junk\n' && sleep 1 && tail -n +4 six.sums; } |
          $runner -c -w 2>err | cat >out
        echo "${PIPESTATUS[1]}" >rc
      ) &
    fi
    sleep 0.5
    cat out >early.out 2>/dev/null
    cat err >early.err 2>/dev/null
    wait $!
    rc=$(cat rc)
    [ $runner = gnu_run ] && prefix=expected || prefix=actual
    mv early.out "$prefix.early.out" && mv early.err "$prefix.early.err"
    mv out "$prefix.out" && mv err "$prefix.err" && eval "${prefix}_rc=$rc"
  done
  compare "a stalling list on standard input to a $target, at the end" "$expected_rc" "$actual_rc"
  mv expected.early.out expected.out && mv expected.early.err expected.err
  mv actual.early.out actual.out && mv actual.early.err actual.err
  compare "a stalling list on standard input to a $target, half a second in" 0 0
done

echo "$count cases, $failures failed"
[ "$failures" -eq 0 ]
