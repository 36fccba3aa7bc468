#!/usr/bin/env bash
# Builds the Windows program (preset mingw), packs it with cpack and checks the zip a user gets:
# sumtide.exe and sumtide-sum.exe, each under 1 MiB and importing only Windows' known DLLs
# (tests/win32/known_dlls.txt), the French read-me and the licence with Windows line ends, in one
# folder and nothing else.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset mingw >/dev/null
cmake --build --preset mingw --target sumtide sumtide-sum >/dev/null
rm -rf build/mingw/package
(cd build/mingw && cpack >/dev/null)

zip=$(ls build/mingw/package/sumtide-*-windows-x86_64.zip)
dir=$(basename "$zip" .zip)
failures=0
fail() {
  echo "windows zip: $*" >&2
  failures=$((failures + 1))
}

listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' "$dir/LICENSE.txt" "$dir/LISEZMOI.txt" "$dir/sumtide-sum.exe" \
  "$dir/sumtide.exe")
[ "$listing" = "$expected" ] || fail "holds $(echo "$listing" | tr '\n' ' ')instead of $(echo "$expected" | tr '\n' ' ')"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
unzip -q "$zip" -d "$out"
exe=$out/$dir/sumtide.exe
readme=$out/$dir/LISEZMOI.txt

known_dlls=$(grep -v '^#' tests/win32/known_dlls.txt)
for program in "$exe" "$out/$dir/sumtide-sum.exe"; do
  name=$(basename "$program")
  size=$(stat -c %s "$program")
  [ "$size" -lt $((1 << 20)) ] || fail "$name is $size bytes, not under 1 MiB"
  # Only Windows' known DLLs, which the loader never looks for in the program's folder: no C++
  # runtime, no threads library beside it, and any other system library loaded at run time from
  # the system folder.
  dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
    sort -u)
  for dll in $dlls; do
    grep -qx "$dll" <<<"$known_dlls" ||
      fail "$name imports $dll, which is not one of Windows' known DLLs"
  done
done
size=$(stat -c %s "$exe")
sum_size=$(stat -c %s "$out/$dir/sumtide-sum.exe")

head -c 3 "$readme" | od -An -tx1 | grep -q 'ef bb bf' || fail "LISEZMOI.txt does not start with a UTF-8 mark"
grep -q 'somme de contrôle MD5' "$readme" || fail "LISEZMOI.txt says nothing of the checksum"
grep -q "Sumtide $(sed -n 's/^project(Sumtide VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt) pour Windows" "$readme" ||
  fail "LISEZMOI.txt does not name this version"
if grep -q $'[^\r]$' <(tail -c +4 "$readme" | grep -v '^$'); then fail "LISEZMOI.txt has lines without Windows line ends"; fi
licence=$out/$dir/LICENSE.txt
tr -d '\r' <"$licence" | cmp -s - LICENSE || fail "LICENSE.txt is not the licence"
if grep -q $'[^\r]$' <(grep -v '^\r\?$' "$licence"); then fail "LICENSE.txt has lines without Windows line ends"; fi

if [ "$failures" -ne 0 ]; then
  echo "windows zip: $failures check(s) failed" >&2
  exit 1
fi
echo "windows zip: $(basename "$zip"), sumtide.exe $size bytes ($(((size + 1023) / 1024)) KiB)," \
  "sumtide-sum.exe $sum_size bytes ($(((sum_size + 1023) / 1024)) KiB)"
