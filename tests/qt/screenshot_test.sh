#!/usr/bin/env bash
# Runs the real program on a virtual X server of its own (the xcb platform, no window manager, so
# no frame) and looks at its window: there, mapped, its client area 413 x 180, and a picture of it
# of that size that shows more than a blank area. Exit 77 (skipped) when the X tools are missing.
# Usage: screenshot_test.sh PROGRAM
set -euo pipefail
program=$1

for tool in Xvfb xauth xwininfo import identify; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (packages xvfb, xauth, x11-utils, imagemagick)"
    exit 77
  fi
done

# The checks below run on a virtual X server of their own: the script starts itself again there.
if [ -z "${SUMTIDE_SCREENSHOT_SERVER:-}" ]; then
  SUMTIDE_SCREENSHOT_SERVER=1 exec "$(dirname "$0")/../../tools/with-xvfb.sh" bash "$0" "$program"
fi

work=$(mktemp -d)
pid=
finish() {
  [ -z "$pid" ] || { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "$*"
  echo "--- program output:"
  cat "$work/program.log" 2>/dev/null || true
  exit 1
}

QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
pid=$!

# The top-level X window named "Sumtide", mapped. Up to 30 seconds.
window=
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before showing its window"
  id=$(xwininfo -root -tree 2>/dev/null | sed -nE 's/^ *(0x[0-9a-f]+) "Sumtide": .*/\1/p' | head -n 1)
  if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
    window=$id
    break
  fi
  sleep 0.1
done
[ -n "$window" ] || fail "no mapped Sumtide window within 30 seconds"

size=$(xwininfo -id "$window" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }')
echo "window $window on $DISPLAY: $size"
[ "$size" = 413x180 ] || fail "the window is $size, not 413x180"

# Painted: more than a handful of colours, and the same picture twice in a row. Up to 15 seconds.
previous=
for _ in $(seq 75); do
  sleep 0.2
  import -silent -window "$window" "$work/shot.png" 2>/dev/null || continue
  colours=$(identify -format "%k" "$work/shot.png")
  current=$(identify -format "%#" "$work/shot.png")
  if [ "$colours" -gt 8 ] && [ "$current" = "$previous" ]; then
    picture=$(identify -format "%wx%h" "$work/shot.png")
    echo "screenshot: $picture, $colours colours"
    [ "$picture" = 413x180 ] || fail "the screenshot is $picture, not 413x180"
    exit 0
  fi
  previous=$current
done
fail "the window was never fully drawn"
