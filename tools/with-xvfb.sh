#!/usr/bin/env bash
# Runs a command on a virtual X server of its own and ends the server afterwards, however the
# command ends; exits with the command's exit status. The server picks a free display itself
# (-displayfd), so servers started at the same moment never share one, and it admits only holders
# of a fresh cookie. DISPLAY and XAUTHORITY are set for the command. Exit 77 when Xvfb or xauth
# is missing (packages xvfb, xauth); 1 when the server does not start.
#
#   tools/with-xvfb.sh [--screen WIDTHxHEIGHTxDEPTH] COMMAND [ARG...]   (screen: 1024x768x24)
set -euo pipefail

screen=1024x768x24
if [ "${1:-}" = --screen ]; then
  screen=$2
  shift 2
fi
[ $# -gt 0 ] || {
  echo "usage: $0 [--screen WIDTHxHEIGHTxDEPTH] COMMAND [ARG...]" >&2
  exit 2
}

for tool in Xvfb xauth; do
  command -v "$tool" >/dev/null || {
    echo "skipped: $tool is not installed (packages xvfb, xauth)"
    exit 77
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX")
xvfb=
finish() {
  [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
  rm -rf "$work"
}
trap finish EXIT
# A signal ends the script through exit, so that the EXIT trap still stops the server, which as
# a background job ignores Ctrl-C and would outlive the script.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
touch "$work/server.auth" "$work/client.auth"
# The server takes every cookie of its file, whatever display the entry names.
xauth -q -f "$work/server.auth" add :0 . "$cookie"
# -noreset: by default the server resets when its last client leaves, dropping the connections
# being made at that moment and the root window's properties; a short-lived client would do that.
Xvfb -displayfd 3 -auth "$work/server.auth" -screen 0 "$screen" -nolisten tcp -noreset \
  3>"$work/display" >/dev/null 2>"$work/xvfb.log" &
xvfb=$!

# The number is written once the server takes connections. Up to 10 seconds.
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || {
    echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
  }
  sleep 0.1
done
[ -s "$work/display" ] || {
  echo "Xvfb gave no display within 10 seconds" >&2
  exit 1
}

display=$(tr -d '\n' <"$work/display")
export DISPLAY=":$display" XAUTHORITY="$work/client.auth"
xauth -q add "$DISPLAY" . "$cookie"

status=0
"$@" || status=$?
exit "$status"
