#!/usr/bin/env bash
# Starts the real program as a launcher would, with arguments of every sort, on the offscreen
# platform, and checks each time that its window shows as usual (caption, left-to-right) and that
# it ends with 0 when the window is closed. The probe plugin (ProgramProbe.cpp), loaded through
# the environment, reports the window and closes it.
# Usage: arguments_test.sh PROGRAM PLUGIN_FOLDER
set -uo pipefail
program=$1 plugins=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'abc' >"$work/abc.txt"

failures=0
check() { # description, then the arguments
  local what=$1
  shift
  local output rc
  output=$(QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$plugins" QT_QPA_GENERIC_PLUGINS=sumtideprobe \
    timeout 60 "$program" "$@" 2>&1)
  rc=$?
  if [ "$rc" -ne 0 ] ||
    ! grep -qx 'probe: window "Sumtide", left-to-right, application left-to-right' <<<"$output"; then
    echo "FAIL: $what: exit code $rc"
    printf '%s\n' "$output" | sed 's/^/  | /'
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

check "no argument"
check "-platform bogus" -platform bogus
check "-reverse" -reverse
check "--help" --help
check "-qwindowtitle" -qwindowtitle Autre
check "-style and -stylesheet" -style bogus -stylesheet "$work/missing.qss"
check "a file name" "$work/abc.txt"
check "bytes that are not UTF-8" $'\xff\xfe-\xc3'
check "several" -reverse "$work/abc.txt" -platform bogus --help

[ "$failures" -eq 0 ]
