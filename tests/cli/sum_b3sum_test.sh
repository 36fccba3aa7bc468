#!/usr/bin/env bash
# sumtide-sum -a blake3 against b3sum: the same standard output and exit code for the same
# arguments and files (standard error is md5sum's for sumtide-sum, b3sum's own for b3sum), over
# names of every sort, --no-names, -l lengths, standard input and sizes around BLAKE3's 1024-byte
# chunks. Then lists checked: lists b3sum wrote (escaped names, other lengths, several lengths)
# checked by sumtide-sum -a blake3 give md5sum's reports, word for word, of the same files checked
# from md5sum's list: the same standard output, standard error (md5sum's "MD5" named "BLAKE3"),
# and exit code. Last, the lines b3sum has no form of (tagged, ended by NUL) and what sumtide-sum
# refuses.
# Usage: sum_b3sum_test.sh SUMTIDE_SUM
set -uo pipefail
# Messages quote as in the C locale.
export LC_ALL=C
[ $# -eq 1 ] || {
  echo "usage: $0 SUMTIDE_SUM" >&2
  exit 2
}
ours=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
for tool in b3sum md5sum; do
  command -v "$tool" >/dev/null || {
    echo "skipped: $tool is missing"
    exit 77
  }
done

work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1

# Files of every sort of name, valid UTF-8 (those the lists hold) and not.
printf 'abc' >abc
printf '' >empty
printf 'space' >'with space'
printf 'back' >'back\slash'
printf 'line' >$'new\nline'
printf 'cr' >$'carriage\rreturn'
printf 'ret' >$'name\r'
printf 'both' >$'back\\and\nline'
printf 'dash' >-dash
printf 'star' >'*star'
printf 'lead' >' lead'
printf 'utf' >'été à noël'
printf '#hash' >'#hash'
printf 'paren' >'par(en)'
utf8_names=(abc empty 'with space' 'back\slash' $'new\nline' $'carriage\rreturn'
  $'back\\and\nline' -dash '*star' ' lead' 'été à noël' '#hash' 'par(en)')
printf 'latin' >$'caf\xe9'
printf 'cut' >$'cut\xe2\x82'
printf 'surrogate' >$'\xed\xa0\x80surrogate'
printf 'mixed' >$'\xff\\\n\xc3\xa9'
# Sizes around the chunks of 1024 bytes and their tree.
sizes=(1 63 64 65 1023 1024 1025 2047 2048 2049 3072 3073 4096 4097 8193 31744 65536 65537 1048577)
for size in "${sizes[@]}"; do head -c "$size" /dev/urandom >"size-$size"; done
mkdir folder
printf 'secret' >unreadable
chmod 000 unreadable
printf 'stdin text' >stdin.txt
head -c 100000 /dev/urandom >stdin.bin

failures=0
count=0
fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
}

# One case against b3sum: a description, the standard input's file, then the arguments as shell
# words, given to b3sum and to sumtide-sum -a blake3 alike.
run() {
  local what=$1 input=$2 words=$3 expected_rc actual_rc
  eval "b3sum $words" <"$input" >expected.out 2>/dev/null
  expected_rc=$?
  eval "\"\$ours\" -a blake3 $words" <"$input" >actual.out 2>actual.err
  actual_rc=$?
  count=$((count + 1))
  if [ "$expected_rc" != "$actual_rc" ] || ! cmp -s expected.out actual.out; then
    fail "$what: sumtide-sum -a blake3 $words"
    echo "  exit code: b3sum $expected_rc, ours $actual_rc"
    diff <(od -An -c expected.out) <(od -An -c actual.out) | head -20 | sed 's/^/  /'
    head -5 actual.err | sed 's/^/  stderr| /'
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
one file|/dev/null|abc
every UTF-8 name|/dev/null|-- abc empty 'with space' 'back\slash' $'new\nline' $'carriage\rreturn' $'back\\and\nline' -dash '*star' ' lead' 'été à noël' '#hash' 'par(en)'
names that are not UTF-8|/dev/null|$'caf\xe9' $'cut\xe2\x82' $'\xed\xa0\x80surrogate' $'\xff\\\n\xc3\xa9'
a name ending with a carriage return|/dev/null|$'carriage\rreturn' $'name\r'
every size|/dev/null|size-*
empty file|/dev/null|empty
standard input|stdin.bin|
standard input by dash|stdin.txt|-
dash twice|stdin.txt|- abc -
options after operands|/dev/null|abc --no-names
end of options|/dev/null|-- -dash
missing file|/dev/null|abc missing-file empty
folder|/dev/null|folder abc
unreadable|/dev/null|unreadable abc
device|/dev/null|/dev/null
# --no-names: the digits alone, whatever the name.
no names|/dev/null|--no-names abc 'back\slash' $'new\nline' $'caf\xe9'
no names on standard input|stdin.txt|--no-names
no names with a missing file|/dev/null|--no-names missing-file abc
# -l, in bytes of output: BLAKE3's output goes on past its 32 bytes.
length 1|/dev/null|-l 1 abc empty
length 0|/dev/null|-l 0 abc 'back\slash' $'new\nline'
length 0 without names|/dev/null|-l 0 --no-names abc empty
length 16 bundled|/dev/null|-l16 abc
length long|/dev/null|--length=31 abc
length 33|/dev/null|--length 33 abc $'new\nline'
length 64|/dev/null|-l 64 size-1025 size-65537
length 1000 of every size|/dev/null|-l 1000 size-*
length 4096|/dev/null|-l 4096 abc size-2049
length with a sign and zeros|/dev/null|-l +007 abc
length of standard input|stdin.bin|-l 100 -
length and no names|/dev/null|--no-names -l 65 abc 'with space'
length with a blank|/dev/null|-l ' 5' abc
length not a number|/dev/null|-l five abc
length with a unit|/dev/null|-l 5k abc
length empty|/dev/null|--length= abc
length negative|/dev/null|-l -1 abc
length past the largest number|/dev/null|-l 18446744073709551616 abc
TABLE

# Lists checked: the same files from b3sum's list and from md5sum's, with the same faults; each
# list NAME is NAME.b3 and NAME.md5.
both() {
  local name=$1
  shift
  b3sum "$@" >"$name.b3"
  md5sum "$@" >"$name.md5"
}
both good -- "${utf8_names[@]}" size-1024 size-65537
for list in good.b3 good.md5; do
  # The first digest with its first digit changed, and a missing file.
  sed '1{s/^\(\\\?\)0/\11/;t;s/^\(\\\?\)./\10/}' "$list" >"bad.${list#*.}"
done
echo "$(b3sum --no-names <abc)  missing-file" >>bad.b3
echo "$(md5sum <abc | cut -d' ' -f1)  missing-file" >>bad.md5
md5hex() { md5sum <"$1" | cut -d' ' -f1; }
for list in good.b3 good.md5; do
  {
    echo '# a comment'
    echo 'not a checksum line'
    cat "$list"
    printf '\n'
    echo "abc"
  } >"mixed.${list#*.}"
done
# Lists of other lengths, and of several, read as b3sum -l writes them.
b3sum -l 16 -- "${utf8_names[@]}" size-1024 size-65537 >l16.b3
cp good.md5 l16.md5
b3sum -l 4096 abc size-2049 >l4096.b3
md5sum abc size-2049 >l4096.md5
{
  b3sum -l 1 abc
  b3sum -l 100 empty 'back\slash'
  b3sum abc
  b3sum -l 64 $'new\nline'
  b3sum -l 1 abc
} >several.b3
md5sum abc empty 'back\slash' abc $'new\nline' abc >several.md5
sed '2{s/^\(\\\?\)0/\11/;t;s/^\(\\\?\)./\10/}' several.b3 >several-bad.b3
sed '2{s/^\(\\\?\)0/\11/;t;s/^\(\\\?\)./\10/}' several.md5 >several-bad.md5
# b3sum -l 0 lines have no digest: none is properly formatted.
b3sum -l 0 abc empty >l0.b3
printf '  abc\n  empty\n' >l0.md5
# Past the longest digest taken, and of an odd number of digits.
{
  echo "$(b3sum -l 4097 --no-names <abc)  abc"
  echo "$(b3sum -l 4 --no-names <abc | cut -c2-)  abc"
  b3sum empty
} >unread.b3
{
  echo "$(md5hex abc | cut -c2-)  abc"
  echo "$(md5hex abc | cut -c3-)  abc"
  md5sum empty
} >unread.md5
# A name that is not UTF-8: b3sum's list names another file, which is missing.
both latin abc
b3sum $'caf\xe9' >>latin.b3
printf '%s  caf\xef\xbf\xbd\n' "$(md5hex $'caf\xe9')" >>latin.md5
# Lines sumtide-sum writes where b3sum has no form: tagged, of other lengths too.
"$ours" -a blake3 --tag -- abc 'back\slash' $'new\nline' >tagged.b3
"$ours" -a blake3 --tag -l 16 -- empty $'carriage\rreturn' >>tagged.b3
md5sum --tag -- abc 'back\slash' $'new\nline' empty $'carriage\rreturn' >tagged.md5
cp good.b3 stdin.b3
cp good.md5 stdin.md5

# One check: a description, the list given on standard input (NAME, or nothing), the options,
# options for sumtide-sum alone, then the lists' names (without .b3 or .md5; "-" for standard
# input).
check() {
  local what=$1 input=$2 options=$3 ours_options=$4 md5_lists=() b3_lists=() list
  local expected_rc actual_rc
  for list in $5; do
    if [ "$list" = - ]; then
      md5_lists+=(-) b3_lists+=(-)
    else
      md5_lists+=("$list.md5") b3_lists+=("$list.b3")
    fi
  done
  local md5_input=/dev/null b3_input=/dev/null
  [ -z "$input" ] || md5_input=$input.md5 b3_input=$input.b3
  # shellcheck disable=SC2086 # the options are words
  md5sum $options "${md5_lists[@]}" <"$md5_input" >expected.out 2>expected.err
  expected_rc=$?
  # shellcheck disable=SC2086
  (exec -a md5sum "$ours" -a blake3 $options $ours_options "${b3_lists[@]}") <"$b3_input" \
    >actual.out 2>actual.err
  actual_rc=$?
  # The lists' names and the digest's tag are the only differences md5sum's words may show.
  sed -i 's/\.md5\b/.b3/g; s/ MD5 checksum line/ BLAKE3 checksum line/' expected.err
  count=$((count + 1))
  if [ "$expected_rc" != "$actual_rc" ] || ! cmp -s expected.out actual.out ||
    ! cmp -s expected.err actual.err; then
    fail "$what: sumtide-sum -a blake3 $options ${b3_lists[*]}"
    echo "  exit code: md5sum $expected_rc, ours $actual_rc"
    diff <(od -An -c expected.out) <(od -An -c actual.out) | head -20 | sed 's/^/  /'
    diff expected.err actual.err | head -10 | sed 's/^/  stderr /'
  fi
}

while IFS='|' read -r what input options ours_options lists; do
  [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
  check "$what" "$input" "$options" "$ours_options" "$lists"
done <<'TABLE'
good list||-c||good
good list quiet||-c --quiet||good
good list status||-c --status||good
bad list||-c||bad
bad list quiet||--check --quiet||bad
bad list status||--check --status||bad
missing ignored||-c --ignore-missing||bad
mixed lines||-c||mixed
mixed lines warned||-c -w||mixed
mixed lines strict||-c --strict||mixed
list of another length||-c||l16
list of the longest digests||-c||l4096
list of several lengths||-c||several
list of several lengths, one bad||-c||several-bad
list of several lengths, -l aside||-c|-l 8|several
lists of different lengths||-c||l16 good several
list of empty digests||-c||l0
digests of no length taken||-c -w||unread
a name that is not UTF-8||-c||latin
tagged list||-c||tagged
list on standard input|stdin|-c||
list by dash|stdin|-c||-
TABLE

# Lines that b3sum has no form of: tagged ones and those ended by NUL are md5sum's, with b3sum's
# digits; then what sumtide-sum refuses (b3sum takes any length, and has no --tag). Each case:
# a description, then the arguments; expected.out holds what sumtide-sum must write, on standard
# output and standard error.
digits() { b3sum --no-names "$@"; }
expect() {
  local what=$1
  shift
  count=$((count + 1))
  (exec -a sumtide-sum "$ours" -a blake3 "$@") >actual.out 2>&1
  if ! cmp -s expected.out actual.out; then
    fail "$what: sumtide-sum -a blake3 $*"
    diff <(od -An -c expected.out) <(od -An -c actual.out) | head -10 | sed 's/^/  /'
  fi
}
printf 'BLAKE3 (abc) = %s\n\\BLAKE3 (back\\\\slash) = %s\n' "$(digits abc)" "$(digits 'back\slash')" \
  >expected.out
expect "tagged" --tag abc 'back\slash'
printf 'BLAKE3-128 (abc) = %s\n' "$(digits -l 16 abc)" >expected.out
expect "tagged, of another length" --tag -l 16 abc
printf '%s  abc\0%s  caf\xe9\0%s  new\nline\0' "$(digits -l 2 abc)" "$(digits -l 2 $'caf\xe9')" \
  "$(digits -l 2 $'new\nline')" >expected.out
expect "ended by NUL, names as they are" -z -l 2 abc $'caf\xe9' $'new\nline'
printf '%s\0' "$(digits -l 3 abc)" >expected.out
expect "ended by NUL, without names" -z --no-names -l 3 abc
printf '%s *abc\n' "$(digits abc)" >expected.out
expect "binary mode" -b abc
refused() {
  local what=$1 message=$2
  shift 2
  printf 'sumtide-sum: %s\n' "$message" >expected.out
  expect "$what" "$@"
  count=$((count + 1))
  "$ours" -a blake3 "$@" >/dev/null 2>&1
  [ $? = 1 ] || fail "$what: sumtide-sum -a blake3 $* does not end with exit code 1"
}
hint="Try 'sumtide-sum --help' for more information."
refused "a length past the longest" $'invalid length: \'4097\'\nsumtide-sum: maximum digest length for \'BLAKE3\' is 4096 bytes' \
  -l 4097 abc
refused "no names when checking" $'the --no-names option is meaningless when verifying checksums\n'"$hint" \
  --no-names -c good.b3
refused "no names and tag" $'--tag does not support --no-names\n'"$hint" --no-names --tag abc
refused "tag and no digits" $'--tag does not support --length=0\n'"$hint" --tag -l 0 abc

echo "$count cases, $failures failed"
[ "$failures" -eq 0 ]
