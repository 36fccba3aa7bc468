#!/usr/bin/env bash
# Differential test: for each argument list of the table, sumtide-sum and md5sum run in the same
# folder on the same files and the same standard input; their standard output, their standard
# error and their exit codes must be the same. Both name themselves as invoked, so sumtide-sum is
# invoked under md5sum's name (its argv[0]), which leaves the program's name aside.
# Usage: md5sum_diff_test.sh SUMTIDE_SUM
set -uo pipefail
ours=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
command -v md5sum >/dev/null || {
  echo "skipped: md5sum is missing"
  exit 77
}

work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1

# Files of every sort of name.
printf 'abc' >abc
printf '' >empty
printf 'space' >'with space'
printf 'back' >'back\slash'
printf 'line' >$'new\nline'
printf 'cr' >$'carriage\rreturn'
printf 'dash' >-dash
printf 'star' >'*star'
printf 'lead' >' lead'
printf 'latin' >$'caf\xe9'
printf 'utf' >'été'
printf '#hash' >'#hash'
printf 'paren' >'par(en)'
head -c 300000 /dev/zero >zeros
mkdir folder
printf 'secret' >unreadable
chmod 000 unreadable
md5sum -- abc empty 'with space' 'back\slash' $'new\nline' $'carriage\rreturn' -dash '*star' \
  ' lead' $'caf\xe9' 'été' '#hash' 'par(en)' zeros >good.md5
md5sum --tag -- abc 'back\slash' $'new\nline' 'par(en)' >tagged.md5
md5sum -z -- abc $'new\nline' >zero.md5
sed 's/^\(.\)/\1/; 1s/^9/0/' good.md5 >bad.md5
{
  cat good.md5
  echo '0123456789abcdef0123456789abcdef  missing-file'
  echo '0123456789abcdef0123456789abcdef  folder'
} >missing.md5
sed 's/$/\r/' good.md5 >crlf.md5
tr 'a-f' 'A-F' <good.md5 | sed 's/^\\//' | grep -av '^[^0-9A-F]' >upper.md5
{
  echo '# a comment'
  echo
  echo 'not a checksum line'
  echo '900150983cd24fb0d6963f7d28e17f72  abc'
  echo '900150983cd24fb0d6963f7d28e17f7   abc'
  echo '900150983cd24fb0d6963f7d28e17f72abc'
  echo '900150983cd24fb0d6963f7d28e17f72 *abc'
  echo '900150983cd24fb0d6963f7d28e17f72 abc'
  echo 'MD5 (abc) = 900150983cd24fb0d6963f7d28e17f72'
  echo 'MD5(abc)= 900150983cd24fb0d6963f7d28e17f72'
  echo 'MD5 (abc) = 900150983cd24fb0d6963f7d28e17f72x'
  echo 'SHA1 (abc) = 900150983cd24fb0d6963f7d28e17f72'
  echo '\900150983cd24fb0d6963f7d28e17f72  ab\c'
  echo '\900150983cd24fb0d6963f7d28e17f72  abc\'
  printf '\t 900150983cd24fb0d6963f7d28e17f72  abc\n'
  printf '900150983cd24fb0d6963f7d28e17f72\tabc\n'
  printf '900150983cd24fb0d6963f7d28e17f72  abc\0tail\n'
  printf '900150983cd24fb0d6963f7d28e17f72  -\n'
} >mixed.md5
{
  echo '900150983cd24fb0d6963f7d28e17f72 abc'
  echo 'd41d8cd98f00b204e9800998ecf8427e empty'
  echo '900150983cd24fb0d6963f7d28e17f72  abc'
} >reversed.md5
# A line whose digest is not one decides nothing about the form of the lines after it.
printf '900150983cd24fb0d6963f7d28e17f7) = \n900150983cd24fb0d6963f7d28e17f72 *abc\n' >undecided.md5
printf '' >empty.md5
echo 'SHA1 (abc) = a9993e364706816aba3e25717850c26c9cd0d89d' >other-algorithm.md5
printf '900150983cd24fb0d6963f7d28e17f72  a\0bc\n' >nul.md5
printf '900150983cd24fb0d6963f7d28e17f72  abc' >no-final-newline.md5
head -c 4000 /dev/urandom >binary.md5
printf '900150983cd24fb0d6963f7d28e17f72  abc\n%070000d  long\n' 0 >overlong.md5
printf 'stdin text' >stdin.txt
printf '900150983cd24fb0d6963f7d28e17f72  abc\n' >list-on-stdin

failures=0
count=0
# One case: a description, the standard input's file, then the arguments as shell words.
run() {
  local what=$1 input=$2 words=$3
  local expected_rc actual_rc
  eval "md5sum $words" <"$input" >"$work/expected.out" 2>"$work/expected.err"
  expected_rc=$?
  eval "(exec -a md5sum \"\$ours\" $words)" <"$input" >"$work/actual.out" 2>"$work/actual.err"
  actual_rc=$?
  count=$((count + 1))
  if [ "$expected_rc" != "$actual_rc" ] || ! cmp -s "$work/expected.out" "$work/actual.out" ||
    ! cmp -s "$work/expected.err" "$work/actual.err"; then
    failures=$((failures + 1))
    echo "FAIL: $what: sumtide-sum $words"
    echo "  exit code: md5sum $expected_rc, ours $actual_rc"
    diff <(od -An -c "$work/expected.out") <(od -An -c "$work/actual.out") | head -20 | sed 's/^/  /'
    diff "$work/expected.err" "$work/actual.err" | head -10 | sed 's/^/  stderr /'
  fi
}

while IFS='|' read -r what input words; do
  [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
  run "$what" "${input:-/dev/null}" "$words"
done <<'TABLE'
# Printing sums.
one file|/dev/null|abc
every name|/dev/null|-- abc empty 'with space' 'back\slash' $'new\nline' $'carriage\rreturn' -dash '*star' ' lead' $'caf\xe9' été '#hash' 'par(en)' zeros
binary marker|/dev/null|-b abc 'with space'
text then binary|/dev/null|-t -b abc
tagged|/dev/null|--tag abc 'back\slash' $'new\nline'
tag after text|/dev/null|-t --tag abc
tag then text|/dev/null|--tag -t abc
zero ends|/dev/null|-z abc $'new\nline' 'back\slash'
zero and tag|/dev/null|-z --tag abc $'new\nline'
standard input|stdin.txt|
standard input by dash|stdin.txt|-
dash twice|stdin.txt|- abc -
options after operands|/dev/null|abc -b
posix end of options|/dev/null|-- -dash
missing file|/dev/null|abc missing-file empty
folder|/dev/null|folder abc
unreadable|/dev/null|unreadable abc
bundled unknown|/dev/null|-bx abc
unknown long|/dev/null|--bogus abc
ambiguous|/dev/null|--st abc
abbreviated|/dev/null|--bin --ta abc
argument to a flag|/dev/null|--binary=yes abc
check-only option|/dev/null|--quiet abc
status when printing|/dev/null|--status abc
warn when printing|/dev/null|-w abc
strict when printing|/dev/null|--strict abc
ignore-missing when printing|/dev/null|--ignore-missing abc
device|/dev/null|/dev/null
# Checking.
good list|/dev/null|-c good.md5
good list quiet|/dev/null|-c --quiet good.md5
good list status|/dev/null|-c --status good.md5
tagged list|/dev/null|-c tagged.md5
zero list|/dev/null|-c zero.md5
bad list|/dev/null|-c bad.md5
bad list quiet|/dev/null|--check --quiet bad.md5
bad list status|/dev/null|--check --status bad.md5
missing entries|/dev/null|-c missing.md5
missing ignored|/dev/null|-c --ignore-missing missing.md5
all missing ignored|/dev/null|-c --ignore-missing reversed.md5 missing.md5
crlf list|/dev/null|-c crlf.md5
upper-case digests|/dev/null|-c upper.md5
mixed lines|stdin.txt|-c mixed.md5
mixed lines warned|stdin.txt|-c -w mixed.md5
mixed lines strict|stdin.txt|-c --strict mixed.md5
mixed lines status|stdin.txt|-c --status mixed.md5
reversed form|/dev/null|-c reversed.md5
reversed form holds for the next list|/dev/null|-c reversed.md5 good.md5
no form from a bad digest|/dev/null|-c undecided.md5
empty list|/dev/null|-c empty.md5
a line of another algorithm only|/dev/null|-c other-algorithm.md5
a NUL in the only line|/dev/null|-c nul.md5
no final line feed|/dev/null|-c no-final-newline.md5
binary list|/dev/null|-c binary.md5
overlong line|/dev/null|-c -w overlong.md5
list on standard input|list-on-stdin|-c
list by dash|list-on-stdin|-c -
two lists|/dev/null|-c good.md5 bad.md5
missing list|/dev/null|-c no-such.md5 good.md5
folder as list|/dev/null|-c folder
zero with check|/dev/null|-c -z good.md5
tag with check|/dev/null|-c --tag good.md5
binary with check|/dev/null|-c -b good.md5
status then warn|/dev/null|-c --status -w bad.md5
warn then quiet|/dev/null|-c -w --quiet mixed.md5
TABLE

# Under a low limit of open files, every file of a long list is still checked: the lanes share
# what the limit leaves.
mkdir many
for i in $(seq 1 200); do printf '%s' "$i" >"many/$i"; done
md5sum many/* >many.md5
count=$((count + 1))
(ulimit -n 20 && md5sum -c many.md5) >"$work/expected.out" 2>/dev/null
(ulimit -n 20 && "$ours" -c many.md5) >"$work/actual.out" 2>"$work/actual.err"
if ! cmp -s "$work/expected.out" "$work/actual.out"; then
  failures=$((failures + 1))
  echo "FAIL: under 'ulimit -n 20' the list of 200 files is not checked as md5sum checks it"
  head -3 "$work/actual.err" | sed 's/^/  stderr| /'
fi

# Help and version are ours to word; they end the reading of the options where they stand.
for words in "--help --bogus" "--version -x" "--he"; do
  count=$((count + 1))
  if ! "$ours" $words >"$work/actual.out" 2>/dev/null || ! grep -q sumtide-sum "$work/actual.out"; then
    failures=$((failures + 1))
    echo "FAIL: sumtide-sum $words does not print its text with exit code 0"
  fi
done
count=$((count + 1))
if "$ours" --bogus --help >/dev/null 2>&1; then
  failures=$((failures + 1))
  echo "FAIL: an unknown option before --help is not an error"
fi

echo "$count cases, $failures failed"
[ "$failures" -eq 0 ]
