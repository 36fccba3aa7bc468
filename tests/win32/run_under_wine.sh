#!/usr/bin/env bash
# Runs the end-to-end tests of the Windows program under Wine, headless: a virtual X server, a
# fresh Wine prefix in a temporary folder, Wine's virtual desktop, Wine's own fonts. Every wait is
# bounded. Exit 0: passed; 77: skipped (Wine, Xvfb or the MinGW-w64 build missing); else failed.
#
#   tests/win32/run_under_wine.sh [--build] [BIN_DIR]
#
# --build first builds the mingw preset (from the source tree); BIN_DIR holds sumtide.exe and
# sumtide-wine-tests.exe (default: build/mingw/bin).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

build=0
if [ "${1:-}" = "--build" ]; then
  build=1
  shift
fi
bin_dir=${1:-$source_dir/build/mingw/bin}

skip() {
  echo "skipped: $*"
  exit 77
}
command -v wine >/dev/null || skip "wine is not installed"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
command -v xauth >/dev/null || skip "xauth is not installed"

if [ "$build" = 1 ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
    command -v x86_64-w64-mingw32-g++ >/dev/null || skip "MinGW-w64 is not installed"
  (cd "$source_dir" && timeout 1200 cmake --preset mingw >/dev/null &&
    timeout 1800 cmake --build --preset mingw)
fi
[ -f "$bin_dir/sumtide.exe" ] && [ -f "$bin_dir/sumtide-wine-tests.exe" ] ||
  skip "no Windows build in $bin_dir"
bin_dir=$(cd "$bin_dir" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/sumtide-wine.XXXXXX")
cleanup() {
  WINEPREFIX="$work/prefix" timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries written into the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="${HOME:-$work}"
if locale -a 2>/dev/null | grep -qix 'fr_FR.utf-\?8'; then
  export LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8
else
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
fi
unset DISPLAY

# Inside the virtual X server: a fresh prefix, Wine's fonts in it, then the driver on Wine's
# virtual desktop. The driver's output and exit code come back through the files below.
cat >"$work/inside.sh" <<'INSIDE'
set -u
source "$SOURCE_DIR/tests/win32/wine_prefix.sh"
prepare_wine_prefix
timeout 600 wine "$BIN_DIR/sumtide-wine-tests.exe" "$BIN_DIR/sumtide.exe" >"$WORK/driver.log" 2>&1
echo $? >"$WORK/driver.rc"
if [ -n "${SCREENSHOT:-}" ]; then
  timeout 60 wine "$BIN_DIR/sumtide.exe" >/dev/null 2>&1 &
  sleep 8
  import -window root "$SCREENSHOT"
fi
timeout 30 wineserver -k >/dev/null 2>&1 || true
INSIDE
SOURCE_DIR=$source_dir BIN_DIR=$bin_dir WORK=$work timeout 900 "$source_dir/tools/with-xvfb.sh" --screen 1024x768x24 \
  bash "$work/inside.sh" || true

cat "$work/driver.log" 2>/dev/null || true
rc=$(cat "$work/driver.rc" 2>/dev/null || echo 1)
if [ "$rc" != 0 ]; then
  echo "Wine tests failed (exit code $rc)"
  exit 1
fi
echo "Wine tests passed"
