#!/usr/bin/env bash
# Times sumtide-sum beside md5sum (or sha1sum... sha512sum) end to end, as whole processes,
# checking sets of files through a list the peer wrote (-c), or printing the checksum of one large
# file, on files in each state of the page cache that people meet (bench/page_cache.py): just
# written, read back, cold.
#
#   bench/compare_sum.sh [FOLDER]
#
# FOLDER (default build/sum-files) receives the sets, made once and kept unless KEEP_FILES=0, each
# with its list and a source copy (NAME.src) from which the just-written state copies it anew:
#   mid    2,000 files of 4 KiB to 1 MiB (about 1 GiB)
#   small  100,000 files of 0 to 4 KiB (about 200 MiB)
#   large  24 files of 64 MiB (1.5 GiB): videos, photos, disk images
#   one    one file of 1 GiB, its checksum printed (not -c): a download, a disk image
# ALGORITHM (default md5; sha1, sha224, sha256, sha384, sha512, blake2b, blake3) chooses the
# digest: ours runs with -a ALGORITHM, the peer is ALGORITHMsum (b2sum, b3sum). SETS (default "mid small large"), STATES (default "written read-back cold") and ROUNDS (default
# 7, at least 7) choose what is measured. Every timed run is preceded by putting its set into the
# state again; sumtide-sum and the peer take turns. Prints per set and state the median wall time of
# each, the peer's over ours (above 1: ours is faster) and the peak resident memory of each (GNU
# time). Fails when the two print different lines, or when ours reaches 64 MiB.
#
# SUMTIDE_SUM names our program (default build/release/src/programs/cli/sumtide-sum).
set -euo pipefail
export LC_ALL=C
repo=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$repo/build/sum-files}
ours=${SUMTIDE_SUM:-$repo/build/release/src/programs/cli/sumtide-sum}
rounds=${ROUNDS:-7}
algorithm=${ALGORITHM:-md5}
case $algorithm in
blake2b) peer=b2sum ;;
blake3) peer=b3sum ;;
*) peer=${algorithm}sum ;;
esac
command -v "$peer" >/dev/null || { echo "no $peer for ALGORITHM=$algorithm" >&2; exit 2; }
read -r -a sets <<<"${SETS:-mid small large}"
read -r -a states <<<"${STATES:-written read-back cold}"
[ "$rounds" -ge 7 ] || { echo "ROUNDS must be at least 7" >&2; exit 2; }
[ -x "$ours" ] || { echo "no program at $ours (cmake --build --preset release)" >&2; exit 2; }
"$repo/tools/install-packages.sh" time coreutils python3

# Files of random sizes in [low, high], from one random block read at random offsets.
make_set() { # folder, count, low, high, seed
  /usr/bin/python3 - "$@" <<'PY'
import os, random, sys
root, count, low, high, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
random.seed(seed)
block = os.urandom(2 << 20)
for i in range(count):
    size = random.randint(low, high)
    folder = os.path.join(root, "d%03d" % (i // 1000))
    os.makedirs(folder, exist_ok=True)
    start = random.randint(0, len(block) - size)
    with open(os.path.join(folder, "f%06d.bin" % i), "wb") as f:
        f.write(block[start:start + size])
PY
}
# Files of COUNT MiB of random bytes each.
make_large() { # folder, count, MiB each
  local i
  for i in $(seq -w 1 "$2"); do
    head -c $(($3 << 20)) /dev/urandom >"$1/large$i.bin"
  done
}
prepare() { # name, then make_set's arguments after the folder, or "large COUNT MIB"
  local set=$folder/$1
  if [ ! -f "$set.md5" ] || [ ! -d "$set.src" ]; then
    rm -rf "$set" "$set.src" "$set".*sum
    mkdir -p "$set.src"
    if [ "$2" = large ]; then make_large "$set.src" "$3" "$4"; else make_set "$set.src" "$2" "$3" "$4" "$5"; fi
    (cd "$set.src" && find . -type f -print0 | sort -z | xargs -0 md5sum >"../$1.md5")
    cp -R "$set.src" "$set"
  fi
  # The peer's list, made once per digest.
  [ -f "$set.$peer" ] ||
    (cd "$set.src" && find . -type f -print0 | sort -z | xargs -0 "$peer" >"../$1.$peer")
}
mkdir -p "$folder"
for set in "${sets[@]}"; do
  case $set in
  mid) prepare mid 2000 4096 $((1 << 20)) 1 ;;
  small) prepare small 100000 0 4096 2 ;;
  large) prepare large large 24 64 ;;
  one) prepare one large 1 1024 ;;
  *) echo "no set called $set" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d)
trap 'rm -rf "$work"; [ "${KEEP_FILES:-1}" = 1 ] || rm -rf "$folder"' EXIT
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs tool $1 (ours, peer) in folder $2 with the arguments after; appends the wall time to
# $work/$1.time and the peak memory (KiB) to $work/$1.mem; its output goes to $work/$1.out.
run() {
  local tool=$1 dir=$2 t0 t1
  shift 2
  local program=("$peer")
  [ "$tool" = ours ] && program=("$ours" -a "$algorithm")
  t0=$EPOCHREALTIME
  (cd "$dir" && /usr/bin/time -f %M -o "$work/mem" "${program[@]}" "$@" >"$work/$tool.out")
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$tool.time"
  cat "$work/mem" >>"$work/$tool.mem"
}

echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) CPUs; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "ours: $ours -a $algorithm; $($peer --version | head -1)"
echo "$rounds rounds, interleaved; medians of the wall time"
printf '\n%-32s %-9s %9s %10s %12s %10s %11s\n' set state ours\(s\) "peer(s)" "$peer/ours" \
  ours\(MiB\) "peer(MiB)"
status=0
for name in "${sets[@]}"; do
  dir=$folder/$name
  for state in "${states[@]}"; do
    rm -f "$work"/*.time "$work"/*.mem
    for round in $(seq 0 "$rounds"); do
      for tool in ours peer; do
        "$repo/bench/page_cache.py" "$state" "$dir"
        if [ "$name" = one ]; then
          run "$tool" "$dir" large1.bin
        else
          run "$tool" "$dir" -c "../$name.$peer"
        fi
      done
      if ! cmp -s "$work/ours.out" "$work/peer.out"; then
        echo "$name ($state): the two print different lines" >&2
        status=1
      fi
      if [ "$round" -eq 0 ]; then rm -f "$work"/*.time "$work"/*.mem; fi # the untimed round
    done
    a=$(median <"$work/ours.time")
    b=$(median <"$work/peer.time")
    ma=$(sort -n "$work/ours.mem" | tail -1)
    mb=$(sort -n "$work/peer.mem" | tail -1)
    case $name in
    mid) label="2,000 files, 4 KiB-1 MiB (-c)" ;;
    small) label="100,000 files, 0-4 KiB (-c)" ;;
    large) label="24 files of 64 MiB (-c)" ;;
    one) label="one file of 1 GiB" ;;
    esac
    awk -v n="$label" -v s="$state" -v a="$a" -v b="$b" -v ma="$ma" -v mb="$mb" 'BEGIN {
      printf "%-32s %-9s %9.3f %10.3f %12.2f %10.1f %11.1f\n", n, s, a, b, b / a, ma / 1024, mb / 1024 }'
    if [ "$ma" -ge $((64 * 1024)) ]; then
      echo "$name ($state): ours peaked at $ma KiB, under 64 MiB expected" >&2
      status=1
    fi
  done
done
exit $status
