#!/usr/bin/env bash
# Times the checksum command end to end (bench/sumtide_checksum: the window on the headless
# toolkit, as one process) beside `md5sum` and `openssl md5`, on files in the page cache.
#
#   bench/compare_tools.sh [FOLDER]
#
# FOLDER (default build/e2e-files) receives 1 MiB, 256 MiB and 1 GiB files of random bytes and a
# sparse 5 GiB file, which are deleted at the end unless KEEP_FILES=1. Each file is dropped from
# the page cache and read back with cat, so all three tools find it cached the same way whoever
# wrote it; then one untimed round, then ROUNDS (default 7, at least 7) rounds that run the three
# tools one after the other (ours, md5sum, openssl, ours, ...). Prints per file the median wall
# time of each tool, each peer's time over ours (above 1: ours is faster) and the peak resident
# memory of each (GNU time). Fails when the three disagree on a checksum, or when ours reaches
# 16 MiB on any file.
#
# SUMTIDE_CHECKSUM names our program (default build/e2e-release/bench/sumtide_checksum; build it
# with `cmake --preset release -B build/e2e-release -DSUMTIDE_BUILD_QT=OFF` and
# `cmake --build build/e2e-release -j2 --target sumtide_checksum`).
set -euo pipefail
export LC_ALL=C
repo=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$repo/build/e2e-files}
ours=${SUMTIDE_CHECKSUM:-$repo/build/e2e-release/bench/sumtide_checksum}
rounds=${ROUNDS:-7}
[ "$rounds" -ge 7 ] || { echo "ROUNDS must be at least 7" >&2; exit 2; }
[ -x "$ours" ] || { echo "no program at $ours (see the head of this script)" >&2; exit 2; }

# GNU time for the peak memory, and the peers.
"$repo/tools/install-packages.sh" time coreutils openssl

mkdir -p "$folder"
work=$(mktemp -d)
made=()
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  rm -rf "$work"
  if [ "${KEEP_FILES:-0}" != 1 ] && [ ${#made[@]} -gt 0 ]; then rm -f "${made[@]}"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# name, size in MiB, random or sparse
files=("random-1MiB.bin 1 random" "random-256MiB.bin 256 random" "random-1GiB.bin 1024 random"
  "sparse-5GiB.bin 5120 sparse")
for f in "${files[@]}"; do
  read -r name mib kind <<<"$f"
  path=$folder/$name
  if [ ! -f "$path" ] || [ "$(stat -c %s "$path")" -ne $((mib << 20)) ]; then
    if [ "$kind" = random ]; then
      dd if=/dev/urandom of="$path" bs=1M count="$mib" status=none
    else
      rm -f "$path"
      truncate -s "${mib}M" "$path"
    fi
  fi
  made+=("$path")
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs tool $1 (ours, md5sum, openssl) on file $2 under GNU time; appends the wall time to
# $work/$1.time and the peak memory (KiB) to $work/$1.mem, and prints the checksum in lower case.
run() {
  local tool=$1 file=$2 cmd t0 t1
  case $tool in
  ours) cmd=("$ours") ;;
  md5sum) cmd=(md5sum) ;;
  openssl) cmd=(openssl md5) ;;
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
echo "ours: $ours; $(md5sum --version | head -1); $(openssl version)"
echo "$rounds rounds, interleaved; medians of the wall time"
printf '\n%-18s %10s %10s %10s %12s %13s %10s %10s %10s\n' file ours\(s\) md5sum\(s\) openssl\(s\) \
  md5sum/ours openssl/ours ours\(MiB\) md5sum\(MiB\) openssl\(MiB\)
status=0
mismatch=0
for f in "${files[@]}"; do
  read -r name _ <<<"$f"
  path=$folder/$name
  dd if="$path" iflag=nocache count=0 status=none # out of the page cache...
  cat "$path" >/dev/null                            # ...and back in, as a read brings it
  rm -f "$work"/*.time "$work"/*.mem
  declare -A sums=()
  for round in $(seq 0 "$rounds"); do
    for tool in ours md5sum openssl; do
      sum=$(run "$tool" "$path")
      [ -z "${sums[$tool]:-}" ] && sums[$tool]=$sum
      if [ "$sum" != "${sums[$tool]}" ] || [ "$sum" != "${sums[ours]}" ]; then
        echo "$name: $tool printed $sum, ours ${sums[ours]}" >&2
        status=1
        mismatch=1
      fi
    done
    if [ "$round" -eq 0 ]; then rm -f "$work"/*.time; fi # the untimed round
  done
  declare -A t=() m=()
  for tool in ours md5sum openssl; do
    t[$tool]=$(median <"$work/$tool.time")
    m[$tool]=$(sort -n "$work/$tool.mem" | tail -1)
  done
  awk -v n="$name" -v a="${t[ours]}" -v b="${t[md5sum]}" -v c="${t[openssl]}" \
    -v ma="${m[ours]}" -v mb="${m[md5sum]}" -v mc="${m[openssl]}" 'BEGIN {
      printf "%-18s %10.3f %10.3f %10.3f %12.2f %13.2f %10.1f %10.1f %10.1f\n",
        n, a, b, c, b / a, c / a, ma / 1024, mb / 1024, mc / 1024 }'
  if [ "${m[ours]}" -ge $((16 * 1024)) ]; then
    echo "$name: ours peaked at ${m[ours]} KiB, under 16 MiB expected whatever the file" >&2
    status=1
  fi
  unset sums t m
done
echo
echo "checksums: $([ $mismatch -eq 0 ] && echo 'the three agree on every file' || echo 'they differ, see above')"
exit $status
