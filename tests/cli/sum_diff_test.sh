#!/usr/bin/env bash
# Differential test: for each argument list of the tables, sumtide-sum and the GNU tool of one
# algorithm (md5sum, sha1sum, ..., sha512sum, b2sum) run in the same folder on the same files and the
# same standard input; their standard output, their standard error and their exit codes must be
# the same. Both name themselves as invoked, so sumtide-sum is invoked under the tool's name (its
# argv[0]), which leaves the program's name aside. sumtide-sum is given "-a ALGORITHM" before the
# table's arguments, except for md5: that is its default, and the run without -a checks it.
# The digests the lists hold are computed by the GNU tools from the files below. The first table
# runs for every algorithm (b2sum's -l among its cases, an invalid option to the others); the
# second, of lists with BLAKE2b digests of several lengths, for blake2b alone.
# Usage: sum_diff_test.sh SUMTIDE_SUM ALGORITHM   (md5, sha1, sha224, sha256, sha384, sha512 or
# blake2b)
set -uo pipefail
# shellcheck source=sum_test_arguments.sh
source "$(dirname "$0")/sum_test_arguments.sh"
# The tag of the lines of this algorithm, and a neighbour whose tag and digest are not its own
# (BLAKE2b's has SHA-512's length: b2sum reads its untagged lines as its own, which then fail).
case $algorithm in
  md5) neighbour=sha1 ;;
  sha1 | sha224) neighbour=sha256 ;;
  sha256) neighbour=sha224 ;;
  sha384) neighbour=sha512 ;;
  sha512) neighbour=sha384 ;;
  blake2b) neighbour=sha512 ;;
esac
tag=${algorithm^^}
[ "$algorithm" != blake2b ] || tag=BLAKE2b
neighbour_tag=${neighbour^^}
for tool in "$gnu" "${neighbour}sum" md5sum; do
  command -v "$tool" >/dev/null || {
    echo "skipped: $tool is missing"
    exit 77
  }
done

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

digest_of() { "$1" <"$2" | cut -d' ' -f1; }
abc=$(digest_of "$gnu" abc)
short=${abc%?}
long=${abc}0
upper=${abc^^}
empty_digest=$(digest_of "$gnu" empty)
backslash_digest=$(digest_of "$gnu" 'back\slash')
neighbour_digest=$(digest_of "${neighbour}sum" abc)

"$gnu" -- abc empty 'with space' 'back\slash' $'new\nline' $'carriage\rreturn' -dash '*star' \
  ' lead' $'caf\xe9' 'été' '#hash' 'par(en)' zeros >good.sums
"$gnu" --tag -- abc 'back\slash' $'new\nline' 'par(en)' >tagged.sums
"$gnu" --tag -z -- abc $'new\nline' >tagged-zero.sums
"$gnu" -z -- abc $'new\nline' >zero.sums
# The first digest with its first digit changed.
sed '1{s/^0/1/;t;s/^./0/}' good.sums >bad.sums
{
  cat good.sums
  echo "$abc  missing-file"
  echo "$abc  folder"
} >missing.sums
sed 's/$/\r/' good.sums >crlf.sums
tr 'a-f' 'A-F' <good.sums | sed 's/^\\//' | grep -av '^[^0-9A-F]' >upper.sums
{
  echo '# a comment'
  echo
  echo 'not a checksum line'
  echo "$abc  abc"
  echo "$short   abc"
  echo "${abc}abc"
  echo "$abc *abc"
  echo "$abc abc"
  echo "$upper  abc"
  echo "$tag (abc) = $abc"
  echo "$tag(abc)= $abc"
  echo "$tag (abc) = ${abc}x"
  echo "$tag (abc) = $upper"
  echo "${tag}0 (abc) = $abc"
  echo "$neighbour_tag (abc) = $abc"
  printf '%s (back\\slash) = %s\n' "$tag" "$backslash_digest"
  printf '\\%s (back\\\\slash) = %s\n' "$tag" "$backslash_digest"
  printf '\\%s (ab\\c) = %s\n' "$tag" "$abc"
  printf '\\%s  ab\\c\n' "$abc"
  printf '\\%s  abc\\\n' "$abc"
  printf '\t %s  abc\n' "$abc"
  printf '%s\tabc\n' "$abc"
  printf '%s  abc\0tail\n' "$abc"
  printf '%s  -\n' "$abc"
} >mixed.sums
# Digests one digit short, one digit long and of the neighbour's length among right ones.
{
  echo "$abc  abc"
  echo "$short  empty"
  echo "$empty_digest  empty"
  echo "$long  abc"
  echo "$neighbour_digest  abc"
  echo "$tag (abc) = $short"
  echo "$tag (empty) = ${empty_digest}0"
  echo "$tag (empty) = $empty_digest"
} >lengths.sums
{
  echo "$abc abc"
  echo "$empty_digest empty"
  echo "$abc  abc"
} >reversed.sums
# A line whose digest is not one decides nothing about the form of the lines after it.
printf '%s) = \n%s *abc\n' "$short" "$abc" >undecided.sums
printf '' >empty.sums
{
  [ "$algorithm" = md5 ] || echo "MD5 (abc) = $(digest_of md5sum abc)"
  echo "$neighbour_tag (abc) = $neighbour_digest"
} >other-algorithm.sums
printf '%s  a\0bc\n' "$abc" >nul.sums
printf '%s  abc' "$abc" >no-final-newline.sums
head -c 4000 /dev/urandom >binary.sums
printf '%s  abc\n%070000d  long\n' "$abc" 0 >overlong.sums
printf 'stdin text' >stdin.txt
printf '%s  abc\n' "$abc" >list-on-stdin

# Lists of BLAKE2b digests of several lengths.
if [ "$algorithm" = blake2b ]; then
  b2sum -l 256 -- abc empty 'back\slash' $'new\nline' >b256.sums
  b2sum --tag -l 8 -- abc 'back\slash' $'new\nline' >tagged8.sums
  {
    b2sum -l 128 abc
    b2sum --tag -l 256 empty
    b2sum -- abc 'with space'
    b2sum --tag -l 16 abc
    b2sum -l 8 empty
    b2sum -l 8 abc
    b2sum --tag abc
  } >several.sums
  sed '3{s/^0/1/;t;s/^./0/}' several.sums >several-bad.sums
  b2sum -l 8 -z -- abc $'new\nline' >zero8.sums
  b8=$(b2sum -l 8 <abc | cut -d' ' -f1)
  b24=$(b2sum -l 24 <abc | cut -d' ' -f1)
  b128=$(b2sum -l 128 <abc | cut -d' ' -f1)
  b256=$(b2sum -l 256 <abc | cut -d' ' -f1)
  # The length named in a tag, read as a number of any base, and the digits it asks for; the
  # length an untagged line's digits give.
  {
    echo "BLAKE2b-256 (abc) = $b256"
    echo "BLAKE2b-512 (abc) = $abc"
    echo "BLAKE2b-0400 (abc) = $b256"
    echo "BLAKE2b-0x100 (abc) = $b256"
    echo "BLAKE2b-0X100 (abc) = $b256"
    echo "BLAKE2b-+256 (abc) = $b256"
    echo "BLAKE2b- 256 (abc) = $b256"
    printf 'BLAKE2b-\t256 (abc) = %s\n' "$b256"
    echo "BLAKE2b-256(abc) = $b256"
    echo "BLAKE2b-010 (abc) = $b8"
    echo "BLAKE2b-0 (abc) = $abc"
    echo "BLAKE2b-00 (abc) = $abc"
    echo "BLAKE2b-7 (abc) = $b8"
    echo "BLAKE2b-12 (abc) = ${b24:0:3}"
    echo "BLAKE2b-520 (abc) = $abc"
    echo "BLAKE2b-4294967552 (abc) = $b256"
    echo "BLAKE2b-18446744073709551872 (abc) = $b256"
    echo "BLAKE2b--256 (abc) = $b256"
    echo "BLAKE2b-256k (abc) = $b256"
    echo "BLAKE2b-0x (abc) = $b256"
    echo "BLAKE2b-08 (abc) = $b8"
    echo "BLAKE2b- (abc) = $b256"
    echo "BLAKE2b-x (abc) = $b256"
    echo "BLAKE2b-256  (abc) = $b256"
    printf 'BLAKE2b-256\t(abc) = %s\n' "$b256"
    echo "BLAKE2b -256 (abc) = $b256"
    echo "BLAKE2b(abc) = $abc"
    echo "BLAKE2b((abc) = $abc"
    echo "BLAKE2bx (abc) = $abc"
    echo "BLAKE2b8(abc) = $abc"
    echo "BLAKE2b)(abc) = $abc"
    echo "BLAKE2b  (abc) = $abc"
    printf 'BLAKE2b\t(abc) = %s\n' "$abc"
    echo "BLAKE2b   (abc) = $abc"
    echo "BLAKE2bxy(abc) = $abc"
    echo "BLAKE2b00 (abc) = $abc"
    echo "BLAKE2b-256((abc) = $b256"
    echo "BLAKE2b-256x(abc) = $b256"
    echo "BLAKE2b256 (abc) = $b256"
    echo "blake2b-256 (abc) = $b256"
    echo "BLAKE2b-256 (abc) = $b128"
    echo "BLAKE2b (abc) = $b256"
    echo "BLAKE2b-8 (abc) = ${b8^^}"
    echo "BLAKE2b-8 (abc) = $b8 "
    echo "BLAKE2b-8 () = $b8"
    printf '\\BLAKE2b-8 (ab\\\\c) = %s\n' "$b8"
    echo "$b24  abc"
    echo "${b24:0:5}  abc"
    echo "${abc}00  abc"
    echo "${b8}x abc"
    echo "$b8 abc"
    echo "${b128^^} *abc"
    echo "$b8"
  } >sizes.sums
  printf '%s abc\n%s abc\n%s  abc\n' "$b256" "$b8" "$b128" >sizes-reversed.sums
  printf '%s \n' "$b8" >empty-name.sums
  printf '\\%s \n' "$b8" >escaped-empty-name.sums
  printf '%s *\n%s  \n%s   \n' "$b8" "$b8" "$b8" >short-names.sums
  printf '%s\tabc\n' "$b8" >tab.sums
  # Every other line another length: each change of length ends a batch of files.
  for i in $(seq 1 60); do
    printf '%s' "$i" >"n$i"
    b2sum -l $((i % 2 ? 8 : 512)) "n$i"
  done >alternating.sums
fi

failures=0
count=0
# One case: a description, the standard input's file, then the arguments as shell words.
run() {
  local what=$1 input=$2 words=$3
  local expected_rc actual_rc
  eval "\"\$gnu\" $words" <"$input" >"$work/expected.out" 2>"$work/expected.err"
  expected_rc=$?
  eval "(exec -a \"\$gnu\" \"\$ours\" $select $words)" <"$input" >"$work/actual.out" \
    2>"$work/actual.err"
  actual_rc=$?
  count=$((count + 1))
  if [ "$expected_rc" != "$actual_rc" ] || ! cmp -s "$work/expected.out" "$work/actual.out" ||
    ! cmp -s "$work/expected.err" "$work/actual.err"; then
    failures=$((failures + 1))
    echo "FAIL: $what: sumtide-sum ${select:+$select }$words"
    echo "  exit code: $gnu $expected_rc, ours $actual_rc"
    diff <(od -An -c "$work/expected.out") <(od -An -c "$work/actual.out") | head -20 | sed 's/^/  /'
    diff "$work/expected.err" "$work/actual.err" | head -10 | sed 's/^/  stderr /'
  fi
}

# Runs the cases of a table read from standard input: a description, the standard input's file
# and the arguments, separated by '|'; '#' begins a comment line.
run_table() {
  local what input words
  while IFS='|' read -r what input words; do
    [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
    run "$what" "${input:-/dev/null}" "$words"
  done
}

run_table <<'TABLE'
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
tag and zero, names left unescaped|/dev/null|--tag -z 'back\slash' $'carriage\rreturn'
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
b3sum's no names, unknown to these tools|/dev/null|--no-names abc
no names abbreviated|/dev/null|--no abc
device|/dev/null|/dev/null
# Checking.
good list|/dev/null|-c good.sums
good list quiet|/dev/null|-c --quiet good.sums
good list status|/dev/null|-c --status good.sums
tagged list|/dev/null|-c tagged.sums
tagged list with zero ends|/dev/null|-c tagged-zero.sums
zero list|/dev/null|-c zero.sums
bad list|/dev/null|-c bad.sums
bad list quiet|/dev/null|--check --quiet bad.sums
bad list status|/dev/null|--check --status bad.sums
missing entries|/dev/null|-c missing.sums
missing ignored|/dev/null|-c --ignore-missing missing.sums
all missing ignored|/dev/null|-c --ignore-missing reversed.sums missing.sums
crlf list|/dev/null|-c crlf.sums
upper-case digests|/dev/null|-c upper.sums
mixed lines|stdin.txt|-c mixed.sums
mixed lines warned|stdin.txt|-c -w mixed.sums
mixed lines strict|stdin.txt|-c --strict mixed.sums
mixed lines status|stdin.txt|-c --status mixed.sums
digests of the wrong length|/dev/null|-c lengths.sums
digests of the wrong length warned|/dev/null|-c -w lengths.sums
digests of the wrong length strict|/dev/null|-c --strict lengths.sums
reversed form|/dev/null|-c reversed.sums
reversed form holds for the next list|/dev/null|-c reversed.sums good.sums
no form from a bad digest|/dev/null|-c undecided.sums
empty list|/dev/null|-c empty.sums
lines of other algorithms only|/dev/null|-c other-algorithm.sums
a NUL in the only line|/dev/null|-c nul.sums
no final line feed|/dev/null|-c no-final-newline.sums
binary list|/dev/null|-c binary.sums
overlong line|/dev/null|-c -w overlong.sums
list on standard input|list-on-stdin|-c
list by dash|list-on-stdin|-c -
two lists|/dev/null|-c good.sums bad.sums
missing list|/dev/null|-c no-such.sums good.sums
folder as list|/dev/null|-c folder
zero with check|/dev/null|-c -z good.sums
tag with check|/dev/null|-c --tag good.sums
binary with check|/dev/null|-c -b good.sums
status then warn|/dev/null|-c --status -w bad.sums
warn then quiet|/dev/null|-c -w --quiet mixed.sums
# b2sum's -l, the digest's length in bits; an invalid option to the other tools.
length|/dev/null|-l 256 abc empty
length bundled|/dev/null|-bl128 abc 'with space'
length long|/dev/null|--length=8 abc
length abbreviated|/dev/null|--len 16 abc
length abbreviated to one letter|/dev/null|--l=16 abc
length zero|/dev/null|-l 0 abc
length of the whole digest|/dev/null|-l 512 abc
length of the whole digest tagged|/dev/null|-l 512 --tag abc
length tagged|/dev/null|--tag -l 256 abc 'back\slash' $'new\nline'
length tagged with zero ends|/dev/null|--tag -z -l 8 abc $'new\nline'
length with zero ends|/dev/null|-z -l 24 abc $'new\nline'
length of standard input|stdin.txt|-l 64 - abc
length after operands|/dev/null|abc -l 40
length the last one counts|/dev/null|-l 8 -l 16 abc
length with blanks, a sign and leading zeros|/dev/null|-l $' \t+016' abc
length not a multiple of 8|/dev/null|-l 7 abc
length 513|/dev/null|-l 513 abc
length too long|/dev/null|-l 520 abc
length far too long|/dev/null|-l 18446744073709551608 abc
length the largest number|/dev/null|-l 18446744073709551615 abc
length past the largest number|/dev/null|-l 18446744073709551616 abc
length past the largest number with a suffix|/dev/null|-l 18446744073709551616x abc
length not a number|/dev/null|-l abc abc
length negative|/dev/null|-l -8 abc
length negative zero|/dev/null|-l ' -0' abc
length empty|/dev/null|--length= abc
length empty argument|/dev/null|-l '' abc
length hexadecimal|/dev/null|-l 0x10 abc
length with a trailing blank|/dev/null|-l '16 ' abc
length with a unit|/dev/null|-l 8k abc
length with an equals sign|/dev/null|-l=8 abc
length quoted|/dev/null|-l $'a\'b\\c\td\x01\x7f\xe9\xc3\xa9\xe2\x80\x99\xe2\x80\x98' abc
length missing|/dev/null|-l
length missing, long|/dev/null|--length
length takes the next argument|/dev/null|-l --tag abc
length refused where it stands|/dev/null|-l 7 -l 8 abc
length refused after a good one|/dev/null|-l 8 -l 7 abc
length after an unknown option|/dev/null|--bogus -l 7 abc
length before an unknown option|/dev/null|-l 7 --bogus abc
length before help|/dev/null|-l 7 --help
length refused before a refused combination|/dev/null|-c --tag -l 7 abc
length before a refused combination|/dev/null|-l 8 -c --tag abc
length when checking|/dev/null|-c -l 128 good.sums
length when checking tagged lines|/dev/null|-c -l 8 tagged.sums
length refused when checking|/dev/null|-c -l 7 good.sums
TABLE

# The quotes of a refused length are the locale's.
for locale in C C.UTF-8; do
  LC_ALL=$locale run "length quoted in the $locale locale" /dev/null "-l $'x\'\xe9\xe2\x80\x99' abc"
done

[ "$algorithm" != blake2b ] || run_table <<'TABLE'
# Lists of BLAKE2b digests of several lengths, whatever -l says.
list of one other length|/dev/null|-c b256.sums
list of one other length with -l|/dev/null|-c -l 512 b256.sums
tagged list of one other length|/dev/null|-c tagged8.sums
list of several lengths|/dev/null|-c several.sums
list of several lengths with -l|/dev/null|-c -l 128 several.sums
list of several lengths quiet|/dev/null|-c --quiet several.sums
list of several lengths status|/dev/null|-c --status several.sums
list of several lengths, one bad|/dev/null|-c several-bad.sums
list of several lengths, one bad, status|/dev/null|-c --status several-bad.sums
lists of several lengths and missing files|/dev/null|-c --ignore-missing several.sums missing.sums
list with zero ends of another length|/dev/null|-c zero8.sums
lengths in tags and digits|stdin.txt|-c sizes.sums
lengths in tags and digits warned|stdin.txt|-c -w sizes.sums
lengths in tags and digits strict|stdin.txt|-c --strict sizes.sums
lengths in the reversed form|/dev/null|-c sizes-reversed.sums
a short digest and no name|/dev/null|-c empty-name.sums
a short escaped digest and no name|/dev/null|-c escaped-empty-name.sums
a short digest and names of one character|/dev/null|-c -w short-names.sums
a short digest and a tab|/dev/null|-c tab.sums
lengths alternating|/dev/null|-c alternating.sums
lengths alternating quiet|/dev/null|-c --quiet alternating.sums
lengths alternating on standard input|alternating.sums|-c
lists of different lengths|/dev/null|-c b256.sums several.sums good.sums
TABLE

# Under a low limit of open files, every file of a long list is still checked: the lanes share
# what the limit leaves.
mkdir many
for i in $(seq 1 200); do printf '%s' "$i" >"many/$i"; done
"$gnu" many/* >many.sums
count=$((count + 1))
(ulimit -n 20 && "$gnu" -c many.sums) >"$work/expected.out" 2>/dev/null
# shellcheck disable=SC2086 # $select is the option and its argument, or nothing
(ulimit -n 20 && "$ours" $select -c many.sums) >"$work/actual.out" 2>"$work/actual.err"
if ! cmp -s "$work/expected.out" "$work/actual.out"; then
  failures=$((failures + 1))
  echo "FAIL: under 'ulimit -n 20' the list of 200 files is not checked as $gnu checks it"
  head -3 "$work/actual.err" | sed 's/^/  stderr| /'
fi

# Help and version are ours to word; they end the reading of the options where they stand.
for words in "--help --bogus" "--version -x" "--he"; do
  count=$((count + 1))
  # shellcheck disable=SC2086
  if ! "$ours" $select $words >"$work/actual.out" 2>/dev/null || ! grep -q sumtide-sum "$work/actual.out"; then
    failures=$((failures + 1))
    echo "FAIL: sumtide-sum ${select:+$select }$words does not print its text with exit code 0"
  fi
done
count=$((count + 1))
# shellcheck disable=SC2086
if "$ours" $select --bogus --help >/dev/null 2>&1; then
  failures=$((failures + 1))
  echo "FAIL: an unknown option before --help is not an error"
fi

echo "$count cases, $failures failed"
[ "$failures" -eq 0 ]
