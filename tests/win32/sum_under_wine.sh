#!/usr/bin/env bash
# sumtide-sum.exe under Wine, as a Windows user runs it from a console: with each digest (-a md5
# ... sha512, blake2b, blake3), the same standard output bytes and exit codes as md5sum ...
# sha512sum, b2sum and b3sum on Linux for the same files (names in UTF-8 with accents and spaces, a subfolder, a long
# file and many small ones), lists checked, standard input from a file and from a pipe. Exits 77
# (skipped) when Wine or the Windows build is missing.
# Usage: sum_under_wine.sh [--build] [BIN_DIR]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=0
if [ "${1:-}" = "--build" ]; then
  build=1
  shift
fi
bin_dir=${1:-$source_dir/build/mingw/bin}
command -v wine >/dev/null || {
  echo "skipped: wine is not installed"
  exit 77
}
if [ "$build" = 1 ]; then
  (cd "$source_dir" && cmake --preset mingw >/dev/null && cmake --build --preset mingw --target sumtide-sum >/dev/null) ||
    exit 1
fi
[ -f "$bin_dir/sumtide-sum.exe" ] || {
  echo "skipped: no sumtide-sum.exe in $bin_dir"
  exit 77
}
exe=$(cd "$bin_dir" && pwd)/sumtide-sum.exe

work=$(mktemp -d "${TMPDIR:-/tmp}/sumtide-sum-wine.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
timeout 180 wineboot -i >/dev/null 2>&1
mkdir "$work/files" && cd "$work/files" || exit 1

printf 'abc' >abc
printf '' >empty
printf 'space' >'with space'
printf 'accent' >'été à noël.txt'
mkdir sub folder
printf 'deep' >sub/deep.txt
head -c $((17 * 1024 * 1024 + 5)) /dev/urandom >long.bin
for i in $(seq 1 150); do head -c $((i * 37)) /dev/urandom >"small-$i"; done
names=(abc empty 'with space' 'été à noël.txt' sub/deep.txt long.bin small-*)

failures=0
# Compares sumtide-sum.exe -a $algorithm with $peer: a description, the standard input, the
# arguments.
same() {
  local what="$algorithm: $1" input=$2
  shift 2
  "$peer" "$@" <"$input" >"$work/expected" 2>/dev/null
  local expected_rc=$?
  timeout 120 wine "$exe" -a "$algorithm" "$@" <"$input" >"$work/actual" 2>"$work/errors"
  local actual_rc=$?
  if [ "$expected_rc" = "$actual_rc" ] && cmp -s "$work/expected" "$work/actual"; then
    echo "ok   $what"
  else
    echo "FAIL $what: exit code $actual_rc ($peer $expected_rc)"
    diff "$work/expected" "$work/actual" | head -10 | sed 's/^/  /'
    head -5 "$work/errors" | sed 's/^/  stderr| /'
    failures=$((failures + 1))
  fi
}

# Compares sumtide-sum.exe -a $algorithm with the lines of the file EXPECTED and exit code 0: a
# description, the file, the arguments; for what b3sum has no option for.
like() {
  local what="$algorithm: $1" expected=$2
  shift 2
  timeout 120 wine "$exe" -a "$algorithm" "$@" </dev/null >"$work/actual" 2>"$work/errors"
  local actual_rc=$?
  if [ "$actual_rc" = 0 ] && cmp -s "$expected" "$work/actual"; then
    echo "ok   $what"
  else
    echo "FAIL $what: exit code $actual_rc"
    diff "$expected" "$work/actual" | head -10 | sed 's/^/  /'
    head -5 "$work/errors" | sed 's/^/  stderr| /'
    failures=$((failures + 1))
  fi
}

for algorithm in md5 sha1 sha224 sha256 sha384 sha512 blake2b blake3; do
  peer=${algorithm}sum
  [ "$algorithm" = blake2b ] && peer=b2sum
  [ "$algorithm" = blake3 ] && peer=b3sum
  "$peer" -- "${names[@]}" >list.sums
  cp list.sums bad.sums
  sed -i '1{s/^0/f/;t;s/^./0/}' bad.sums # the first digest made wrong
  cp bad.sums wrong.sums
  echo "$("$peer" </dev/null | cut -d' ' -f1)  missing" >>bad.sums

  same "sums of every file" /dev/null -- "${names[@]}"
  same "a list checked" /dev/null -c list.sums
  if [ "$algorithm" = blake3 ]; then
    # b3sum has no binary mode, tags, NUL ends or --status, and words its reports of missing
    # files its own way: the tagged lines hold its digits, and a list with a wrong entry is
    # reported alike.
    printf 'BLAKE3 (abc) = %s\n' "$(b3sum --no-names abc)" >tagged.expected
    like "tagged" tagged.expected --tag abc
    printf 'BLAKE3-128 (été à noël.txt) = %s\n' "$(b3sum -l 16 --no-names 'été à noël.txt')" \
      >tagged.expected
    like "tagged, of another length" tagged.expected --tag -l 16 'été à noël.txt'
    same "a list with a wrong entry" /dev/null -c wrong.sums
    same "quiet" /dev/null -c --quiet wrong.sums
  else
    same "binary marker and tag" /dev/null -b abc
    same "tagged" /dev/null --tag abc 'été à noël.txt'
    same "ended by NUL" /dev/null -z abc 'with space'
    same "a list with a wrong and a missing entry" /dev/null -c bad.sums
    same "quiet" /dev/null -c --quiet bad.sums
    same "status" /dev/null -c --status list.sums
  fi
  same "a folder and a missing file" /dev/null folder abc missing
  same "standard input from a file" long.bin
  same "a list on standard input" list.sums -c -
  if [ "$algorithm" = blake2b ]; then
    b2sum -l 256 -- abc 'with space' >short.sums
    b2sum --tag -l 128 -- 'été à noël.txt' >>short.sums
    same "a shorter digest, tagged" /dev/null -l 256 --tag abc 'été à noël.txt'
    same "a list of several lengths" /dev/null -c short.sums
    same "a length that is no multiple of 8" /dev/null -l 12 abc
  fi
  if [ "$algorithm" = blake3 ]; then
    b3sum -l 16 -- abc 'with space' >short.sums
    b3sum -l 100 -- 'été à noël.txt' sub/deep.txt >>short.sums
    b3sum -- 'été à noël.txt' >>short.sums
    {
      printf '%s: OK\n' abc 'with space' 'été à noël.txt' sub/deep.txt 'été à noël.txt'
      b3sum -c list.sums
    } >all-ok.expected
    same "other lengths" /dev/null -l 100 -- "${names[@]}"
    same "no digits" /dev/null -l 0 abc 'été à noël.txt'
    same "no names" /dev/null --no-names -l 40 abc 'été à noël.txt' long.bin
    like "a list of several lengths" all-ok.expected -c short.sums list.sums
  fi
  piped=$(head -c 100000 long.bin | timeout 60 wine "$exe" -a "$algorithm" - 2>/dev/null)
  if [ "$piped" = "$(head -c 100000 long.bin | "$peer")" ]; then
    echo "ok   $algorithm: standard input from a pipe"
  else
    echo "FAIL $algorithm: standard input from a pipe: $piped"
    failures=$((failures + 1))
  fi
done

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
