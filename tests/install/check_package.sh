#!/usr/bin/env bash
# Makes the Debian packages with CPack from a build without sanitizers, unpacks the program's
# package into a throw-away root and checks what it would put on a machine: the program; its
# launcher entry and AppStream data, both valid and agreeing with each other; its icon at every
# size we have, under the name the entry asks for; dependencies that dpkg-shlibdeps computed from
# the program; and nothing else. No package may hold a test, benchmark or fuzz program.
#
#   check_package.sh CPACK BUILD_DIR APP_ID
#
# Exits 77 (skipped) when one of the Debian tools is not installed.
set -uo pipefail

cpack=$1 build=$2 app_id=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not make the packages"
  exit 1
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

deb=
for package in "$work"/packages/*.deb; do
  [ -e "$package" ] || continue
  if [ "$(dpkg-deb -f "$package" Package)" = sumtide ]; then
    deb=$package
  fi
  # Test programs, benchmarks, fuzz targets and their frameworks stay out of every package.
  strays=$(dpkg-deb --fsys-tarfile "$package" | tar -t |
    grep -E '_test$|-tests?(\.exe)?$|_bench$|(^|/)fuzz_|sumtide_checksum|gtest|gmock|benchmark')
  [ -z "$strays" ] && continue
  fail "$(basename "$package") holds test, benchmark or fuzz files:"$'\n'"$strays"
done
if [ -z "$deb" ]; then
  ls -l "$work/packages"
  echo "FAIL: cpack made no package named sumtide"
  exit 1
fi

root=$work/root
dpkg-deb -x "$deb" "$root"

# The program.
[[ -f $root/usr/bin/sumtide && -x $root/usr/bin/sumtide ]] ||
  fail "usr/bin/sumtide is missing or not executable"

# The launcher entry: valid, starting the packaged program without arguments (it reads none).
desktop=usr/share/applications/$app_id.desktop
icon=
if [ -f "$root/$desktop" ]; then
  if ! report=$(desktop-file-validate "$root/$desktop" 2>&1) || [ -n "$report" ]; then
    fail "desktop-file-validate $desktop:"$'\n'"$report"
  fi
  exec_line=$(sed -n 's/^Exec=//p' "$root/$desktop")
  [ -x "$root/usr/bin/$exec_line" ] ||
    fail "$desktop: Exec=$exec_line is not a program of the package without arguments"
  icon=$(sed -n 's/^Icon=//p' "$root/$desktop")
  [ -n "$icon" ] || fail "$desktop has no Icon="
  # The menu speaks the program's language: French name and comment unless a locale says otherwise.
  grep -qx 'Name=Sumtide' "$root/$desktop" || fail "$desktop: Name is not Sumtide"
  grep -qx "Comment=Calculer et comparer la somme de contrôle MD5 d'un fichier" "$root/$desktop" ||
    fail "$desktop: the untranslated Comment is not the French one"
  grep -qx 'Categories=Utility;' "$root/$desktop" || fail "$desktop: Categories is not Utility;"
else
  fail "$desktop is missing"
fi

# The AppStream data, validated with the tree it is installed in: the entry it launches must be
# there and agree with it.
metainfo=usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$root/$metainfo" ]; then
  if ! report=$(appstreamcli validate-tree --no-net --strict "$root" 2>&1); then
    fail "appstreamcli validate-tree:"$'\n'"$report"
  fi
else
  fail "$metainfo is missing"
fi

# The command-line companion; the manual pages, compressed (the window's in French, with its
# English translation as the default page); the copyright file and the changelog.
[[ -f $root/usr/bin/sumtide-sum && -x $root/usr/bin/sumtide-sum ]] ||
  fail "usr/bin/sumtide-sum is missing or not executable"
documents=(usr/share/man/man1/sumtide-sum.1.gz:docs/man/sumtide-sum.1
  usr/share/man/man1/sumtide.1.gz:docs/man/sumtide.1
  usr/share/man/fr/man1/sumtide.1.gz:docs/man/fr/sumtide.1)
for pair in "${documents[@]}"; do
  installed=${pair%%:*}
  gzip -dc "$root/$installed" 2>/dev/null | cmp -s - "$source_dir/${pair#*:}" ||
    fail "$installed is missing or not ${pair#*:} compressed"
done
copyright=usr/share/doc/sumtide/copyright
changelog=usr/share/doc/sumtide/changelog.gz
grep -q '^License: Expat$' "$root/$copyright" 2>/dev/null || fail "$copyright names no Expat (MIT) licence"
gzip -dc "$root/$changelog" 2>/dev/null | head -1 | grep -q '^sumtide (1\.2\.0) ' ||
  fail "$changelog does not start with the 1.2.0 entry"

# Every icon we have, under the entry's icon name, each the very image of its size.
expected=(usr/bin/sumtide usr/bin/sumtide-sum "${documents[@]%%:*}" "$copyright" "$changelog"
  "$desktop" "$metainfo")
if [ -n "$icon" ]; then
  for source in "$source_dir"/resources/icons/hicolor/*/apps/*.png; do
    size=$(basename "$(dirname "$(dirname "$source")")")
    installed=usr/share/icons/hicolor/$size/apps/$icon.png
    expected+=("$installed")
    cmp -s "$source" "$root/$installed" || fail "$installed is missing or not the $size icon"
  done
  installed=usr/share/icons/hicolor/scalable/apps/$icon.svg
  expected+=("$installed")
  cmp -s "$source_dir/resources/sumtide.svg" "$root/$installed" ||
    fail "$installed is missing or not the SVG icon"
fi

# Nothing else.
unexpected=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) \
  <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort))
[ -z "$unexpected" ] || fail "the package holds files it should not:"$'\n'"$unexpected"

# Dependencies computed from the program: the C and C++ runtimes and Qt 6 Widgets.
depends=$(dpkg-deb -f "$deb" Depends)
if [ -z "$depends" ]; then
  fail "the package has no Depends: dpkg-shlibdeps did not compute them"
else
  names=$(sed -E 's/[,|]/\n/g' <<<"$depends" | sed -E 's/^ *//; s/[ (].*//')
  for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
    grep -Fxq "$library" <<<"$names" || fail "Depends does not name $library: $depends"
  done
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of the packages failed"
  exit 1
fi
echo "$(basename "$deb"): contents, launcher entry, AppStream data and icons as expected"
echo "Depends: $depends"
