#!/usr/bin/env bash
# Builds the fuzz targets for libFuzzer with clang 14 (AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer on) and runs each for a bounded time, starting from the seed corpus in
# fuzz/corpus/<target>. New inputs go to the build folder, never into the repository. Exits
# non-zero as soon as a target finds a crash, a leak, a broken check or an input that hangs; the
# input is kept as <build>/artifacts/<target>-crash-...
#
#   fuzz/run_fuzzers.sh [seconds per target] [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=${2:-build/fuzz-libfuzzer}
targets=(base64 hash cipher form_reader sum_list)

if ! command -v clang++-14 >/dev/null; then
  echo "clang++-14 not found: libFuzzer builds skipped"
  exit 0
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DSUMTIDE_SANITIZE=ON -DSUMTIDE_LIBFUZZER=ON -DSUMTIDE_BUILD_FUZZ=ON -DSUMTIDE_WERROR=ON \
  -DSUMTIDE_BUILD_QT=OFF -DSUMTIDE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target "${targets[@]/#/fuzz_}"

mkdir -p "$build/artifacts"
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  mkdir -p "$work"
  log="$build/fuzz_$t.log"
  echo "== fuzz_$t: ${seconds}s (log: $log)"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$work" "fuzz/corpus/$t" \
    >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$t found a fault; the input is under $build/artifacts"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
done
echo "fuzzing: ${#targets[@]} passed, 0 failed"
