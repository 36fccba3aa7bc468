#!/usr/bin/env bash
# Makes every Debian package of a build with CPack and runs lintian on each, as a distribution's
# packager would: any error or warning fails; informational tags are shown (the README says which
# remain and why). Exits 77 (skipped) when lintian is not installed.
# Usage: lintian_packages.sh CPACK BUILD_DIR
set -uo pipefail
cpack=$1 build=$2
command -v lintian >/dev/null || {
  echo "skipped: lintian is not installed"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
status=0
for deb in "$work"/*.deb; do
  echo "== $(basename "$deb")"
  # Root is warned about on every run; the packages are only read.
  lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" 2>&1 |
    grep -v '^running with root privileges is not recommended!$'
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done
exit $status
