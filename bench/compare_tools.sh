#!/usr/bin/env bash
# Times the window's checksum core (bench/sumtide_checksum, one process) and `sumtide-sum FILE`
# beside `md5sum` and `openssl md5`, and beside the hash alone (`read_cost hash`: as many bytes
# from a buffer already in the processor's cache), on files in each state of the page cache that
# people meet (bench/page_cache.py): just written, read back, cold.
#
#   bench/compare_tools.sh [FOLDER]
#
# FOLDER (default build/e2e-files) receives a 1 MiB and a 1 GiB file of random bytes (and their
# sources, NAME.src, from which the just-written state copies them); they stay for the next run
# unless REMOVE_FILES=1. STATES (default "written read-back cold") and ROUNDS (default 7, at least
# 7) choose what is measured. Every timed run is preceded by putting its file into the state
# again, and the tools take turns within each round. Prints per file and state the median wall
# time of each, md5sum's and openssl's time over ours (above 1: ours is faster), ours over the
# hash alone, and the peak resident memory (GNU time). Fails when the tools disagree on a
# checksum, or when ours reaches 16 MiB.
#
# BUILD names the build folder (default build/release; `cmake --preset release` and
# `cmake --build --preset release --target sumtide_checksum sumtide-sum read_cost`).
set -euo pipefail
export LC_ALL=C
repo=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$repo/build/e2e-files}
build=${BUILD:-$repo/build/release}
rounds=${ROUNDS:-7}
read -r -a states <<<"${STATES:-written read-back cold}"
[ "$rounds" -ge 7 ] || { echo "ROUNDS must be at least 7" >&2; exit 2; }
ours=$build/bench/sumtide_checksum sum=$build/src/programs/cli/sumtide-sum cost=$build/bench/read_cost
for p in "$ours" "$sum" "$cost"; do
  [ -x "$p" ] || { echo "no program at $p (see the head of this script)" >&2; exit 2; }
done

# GNU time for the peak memory, the peers, and Python for the page cache states.
"$repo/tools/install-packages.sh" time coreutils openssl python3
cache=$repo/bench/page_cache.py

mkdir -p "$folder"
work=$(mktemp -d)
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  rm -rf "$work"
  if [ "${REMOVE_FILES:-0}" = 1 ]; then rm -f "$folder"/random-*; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

files=("random-1MiB.bin 1" "random-1GiB.bin 1024")
for f in "${files[@]}"; do
  read -r name mib <<<"$f"
  src=$folder/$name.src
  if [ ! -f "$src" ] || [ "$(stat -c %s "$src")" -ne $((mib << 20)) ]; then
    dd if=/dev/urandom of="$src" bs=1M count="$mib" status=none
  fi
  [ -f "$folder/$name" ] || cp "$src" "$folder/$name"
done

tools=(ours sum md5sum openssl hash)
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs tool $1 on file $2 under GNU time, appending the wall time to $work/$1.time and the peak
# memory (KiB) to $work/$1.mem, and prints the checksum in lower case.
run() {
  local tool=$1 file=$2 cmd t0 t1
  case $tool in
  ours) cmd=("$ours") ;;
  sum) cmd=("$sum") ;;
  md5sum) cmd=(md5sum) ;;
  openssl) cmd=(openssl md5) ;;
  hash) cmd=("$cost" hash) ;;
  esac
  t0=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/mem" "${cmd[@]}" "$file" >"$work/out"
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$tool.time"
  cat "$work/mem" >>"$work/$tool.mem"
  case $tool in
  openssl) sed 's/.*= //' "$work/out" ;;
  *) cut -d' ' -f1 "$work/out" ;;
  esac | tr 'A-F' 'a-f'
}

echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) CPUs; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "build: $build; $(md5sum --version | head -1); $(openssl version)"
echo "$rounds rounds, interleaved; medians of the wall time; ours = the window's core, sum = sumtide-sum"
printf '\n%-16s %-9s %7s %7s %7s %7s %7s %10s %10s %9s %9s %9s\n' file state ours sum md5sum openssl \
  hash md5sum/ours md5sum/sum ours/hash sum/hash 'ours MiB'
status=0
for f in "${files[@]}"; do
  read -r name _ <<<"$f"
  path=$folder/$name
  for state in "${states[@]}"; do
    rm -f "$work"/*.time "$work"/*.mem
    expected=
    for round in $(seq 0 "$rounds"); do
      for tool in "${tools[@]}"; do
        "$cache" "$state" "$path"
        got=$(run "$tool" "$path")
        [ "$tool" = hash ] && continue # the hash alone reads no file
        expected=${expected:-$got}
        if [ "$got" != "$expected" ]; then
          echo "$name ($state): $tool printed $got, the others $expected" >&2
          status=1
        fi
      done
      if [ "$round" -eq 0 ]; then rm -f "$work"/*.time "$work"/*.mem; fi # the untimed round
    done
    declare -A t=()
    for tool in "${tools[@]}"; do t[$tool]=$(median <"$work/$tool.time"); done
    peak=$(sort -n "$work/ours.mem" "$work/sum.mem" | tail -1)
    awk -v n="$name" -v s="$state" -v a="${t[ours]}" -v b="${t[sum]}" -v c="${t[md5sum]}" \
      -v d="${t[openssl]}" -v h="${t[hash]}" -v m="$peak" 'BEGIN {
        printf "%-16s %-9s %7.3f %7.3f %7.3f %7.3f %7.3f %10.2f %10.2f %9.3f %9.3f %9.1f\n",
          n, s, a, b, c, d, h, c / a, c / b, a / h, b / h, m / 1024 }'
    if [ "$peak" -ge $((16 * 1024)) ]; then
      echo "$name ($state): ours peaked at $peak KiB, under 16 MiB expected whatever the file" >&2
      status=1
    fi
    unset t
  done
done
exit $status
