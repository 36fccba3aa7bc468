#!/usr/bin/env bash
# Library planting: a folder such as Downloads, where a web page can leave a file of any name,
# holds sumtide.exe and sumtide-sum.exe beside a library of each name they import or might load.
# Each planted library (planted_library.c) ends the process with exit code 86 the moment it is
# loaded. Both programs are then run from that folder, with it as their current folder too:
# sumtide-sum.exe checksums a file and checks a list; sumtide.exe is driven by the Wine driver
# through everything that loads libraries (start, a screen reader's questions, a checksum, the
# open dialog, a drop, the close box). The test fails when any program ends with the mark or does
# not do its work.
#
# Wine looks for a library as Windows does for one that is not a known DLL when it is told to
# prefer a library found on disk (WINEDLLOVERRIDES=name=n,b): that is the order used for every
# planted name outside known_dlls.txt. Windows takes its known DLLs from its own list of system
# libraries, never from a folder; Wine 8 has no such list and would take even kernel32.dll from
# the program's folder under that override, for every program alike. Those names are planted too,
# under Wine's own order, and the zip check keeps the programs' imports to them. So is
# version.dll, which Wine's own user32.dll imports (Windows' does not): under that override any
# program that imports user32.dll loads it from its folder under Wine, before its first line.
#
# Exit 0: passed; 77: skipped (Wine, Xvfb, MinGW-w64 or the Windows build missing); else failed.
#
#   tests/win32/planting_under_wine.sh [--build] [BIN_DIR]
set -uo pipefail
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
for tool in wine Xvfb xauth x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
cc=$(command -v x86_64-w64-mingw32-gcc-posix || command -v x86_64-w64-mingw32-gcc) ||
  skip "MinGW-w64 is not installed"
if [ "$build" = 1 ]; then
  (cd "$source_dir" && timeout 1200 cmake --preset mingw >/dev/null &&
    timeout 1800 cmake --build --preset mingw --target sumtide sumtide-sum sumtide-wine-tests \
      >/dev/null) || exit 1
fi
for program in sumtide.exe sumtide-sum.exe sumtide-wine-tests.exe; do
  [ -f "$bin_dir/$program" ] || skip "no $program in $bin_dir"
done
bin_dir=$(cd "$bin_dir" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/sumtide-planting.XXXXXX")
cleanup() {
  WINEPREFIX="$work/prefix" timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
folder="$work/Downloads"
mkdir -p "$folder" "$work/libraries"
cp "$bin_dir/sumtide.exe" "$bin_dir/sumtide-sum.exe" "$folder/"

# "library function" for every function a program imports by name.
imports() {
  x86_64-w64-mingw32-objdump -p "$1" | awk '
    /^The Import Tables/ { inside = 1; next }
    /^The / { inside = 0 }
    inside && /DLL Name:/ { library = tolower($3); print library, "-"; next }
    inside && library != "" && /^\t[0-9a-f]+\t/ && NF >= 3 { print library, $3 }'
}
{
  imports "$folder/sumtide.exe"
  imports "$folder/sumtide-sum.exe"
  # Loaded by the window at run time: the common controls, the dialogs, the shell, the screen
  # readers' library.
  for name in comctl32 comdlg32 shell32 oleacc; do
    echo "$name.dll -"
  done
  # Loaded by the system's own libraries for a window, its controls and the shell's dialogs: the
  # names planted in such attacks.
  for name in uxtheme dwmapi version propsys cryptbase winmm dbghelp profapi userenv \
    windowscodecs mpr netapi32 explorerframe shfolder ntmarta textshaping wtsapi32 winhttp \
    wininet secur32 sspicli iphlpapi dhcpcsvc; do
    echo "$name.dll -"
  done
} | sort -u >"$work/imports.txt"
known=$(grep -v '^#' "$source_dir/tests/win32/known_dlls.txt")
wine_own=version.dll

overrides="mscoree,mshtml=;winemenubuilder.exe=d"
for library in $(cut -d' ' -f1 "$work/imports.txt" | sort -u); do
  definition="$work/libraries/${library%.dll}.def"
  {
    echo "LIBRARY $library"
    echo "EXPORTS"
    awk -v l="$library" '$1 == l && $2 != "-" { print "  " $2 " = PlantedFunction" }' \
      "$work/imports.txt"
  } >"$definition"
  "$cc" -shared -nostdlib -Wl,-e,PlantedEntry -o "$folder/$library" \
    "$source_dir/tests/win32/planted_library.c" "$definition" -lntdll || {
    echo "could not build the planted $library"
    exit 1
  }
  grep -qx "$library" <<<"$known" || [ "$library" = "$wine_own" ] ||
    overrides+=";${library%.dll}=n,b"
done
echo "planted beside the programs: $(cut -d' ' -f1 "$work/imports.txt" | sort -u | tr '\n' ' ')"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="$overrides"
export HOME="${HOME:-$work}" LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# The console program first: it needs no X server.
timeout 180 wineboot -i >/dev/null 2>&1
printf 'abc' >"$folder/abc.txt"
(cd "$folder" && md5sum abc.txt >list.md5)
for arguments in "abc.txt" "-c list.md5"; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  got=$(cd "$folder" && timeout 120 wine ./sumtide-sum.exe $arguments 2>&1)
  rc=$?
  # shellcheck disable=SC2086
  expected=$(cd "$folder" && md5sum $arguments)
  if [ "$rc" = 86 ]; then
    fail "sumtide-sum.exe $arguments loaded a planted library"
  elif [ "$rc" != 0 ] || [ "$got" != "$expected" ]; then
    fail "sumtide-sum.exe $arguments gave \"$got\" (exit code $rc), not \"$expected\""
  fi
done
timeout 30 wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"

# The window, driven on a virtual X server. The driver runs from its own folder and current
# folder, where nothing is planted.
cat >"$work/inside.sh" <<'INSIDE'
set -u
source "$SOURCE_DIR/tests/win32/wine_prefix.sh"
prepare_wine_prefix
cd "$WORK" && timeout 600 wine "$BIN_DIR/sumtide-wine-tests.exe" --planted "$FOLDER/sumtide.exe" \
  >"$WORK/driver.log" 2>&1
echo $? >"$WORK/driver.rc"
timeout 30 wineserver -k >/dev/null 2>&1 || true
INSIDE
SOURCE_DIR=$source_dir BIN_DIR=$bin_dir WORK=$work FOLDER="Z:${folder//\//\\}" \
  timeout 900 "$source_dir/tools/with-xvfb.sh" bash "$work/inside.sh" || true
cat "$work/driver.log" 2>/dev/null
[ "$(cat "$work/driver.rc" 2>/dev/null)" = 0 ] || fail "sumtide.exe in the planted folder"

if [ "$failures" -ne 0 ]; then
  echo "planting under Wine: $failures failure(s)"
  exit 1
fi
echo "planting under Wine: no planted library was loaded"
