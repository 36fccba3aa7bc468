#!/usr/bin/env bash
# Starts the real program on a virtual X server with the accessibility bus running, as a desktop
# with a screen reader does, and reads its window over that bus (accessibility_probe.py): the
# fields' names, the link, and "Quitter" pressed through it, after which the program must end
# with 0. Skipped (77) when the bus, the X server or the Python bindings are missing.
# Usage: accessibility_test.sh PROGRAM
set -uo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3 # Debian's, which has the bindings

command -v Xvfb >/dev/null && command -v xauth >/dev/null &&
  command -v dbus-run-session >/dev/null && [ -x "$launcher" ] &&
  "$python" -c 'import pyatspi' 2>/dev/null || {
  echo "skipped: Xvfb, xauth, dbus-run-session, at-spi2-core or python3-pyatspi is missing"
  exit 77
}

inside=$(mktemp)
trap 'rm -f "$inside"' EXIT
cat >"$inside" <<'INSIDE'
program=$1 probe=$2 launcher=$3 python=$4
"$launcher" --launch-immediately &
launcher_pid=$!
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb timeout 120 "$program" &
program_pid=$!
"$python" "$probe" "$(basename "$program")"
probe_rc=$?
wait "$program_pid"
program_rc=$?
kill "$launcher_pid" 2>/dev/null
wait "$launcher_pid" # it drops its X connection and root window property before the server ends
echo "program exit code: $program_rc"
[ "$probe_rc" -eq 0 ] && [ "$program_rc" -eq 0 ]
INSIDE
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -f "$inside"; rm -rf "$XDG_RUNTIME_DIR"' EXIT
timeout 180 "$here/../../tools/with-xvfb.sh" --screen 1280x1024x24 dbus-run-session -- \
  bash "$inside" "$program" "$here/accessibility_probe.py" "$launcher" "$python" \
  2> >(grep -v '^dbus-daemon' >&2)
