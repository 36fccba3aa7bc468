#!/usr/bin/env bash
# Makes the component library's Debian package (libsumtide-scl-dev, the "library" install
# component) from a build, unpacks it into a throw-away root and uses it as a stranger to this
# repository would: a copy of examples/embed, taken out of the tree, is configured with nothing but
# CMAKE_PREFIX_PATH pointing into that root, built and run on a file whose MD5 is known. Also
# checks what the package holds and which versions find_package accepts.
#
# Usage: tests/install/check_library_package.sh [build directory, default build/release]
# The library targets of that build must be built.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}

failures=0
fail() {
  echo "check_library_package: FAIL: $*" >&2
  failures=$((failures + 1))
}
give_up() {
  echo "check_library_package: FAIL: $*" >&2
  exit 1
}

[ -f "$build/CMakeCache.txt" ] || give_up "$build is not a configured build directory"
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$libdir" ] || give_up "CMAKE_INSTALL_LIBDIR is not set in $build"

# On Debian the library goes to the multiarch folder, where find_package looks for it too.
if command -v dpkg-architecture >/dev/null; then
  multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
  [ "$libdir" = "lib/$multiarch" ] || fail "the library goes to /usr/$libdir, not /usr/lib/$multiarch"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- The package and the files it installs ----------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -B "$tmp/packages" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; give_up "cpack could not make the packages"; }
deb=$(ls "$tmp"/packages/libsumtide-scl-dev_*.deb 2>/dev/null || true)
[ -n "$deb" ] || { ls "$tmp/packages" >&2; give_up "cpack made no libsumtide-scl-dev package"; }
[ "$(dpkg-deb -f "$deb" Section)" = libdevel ] || fail "$(basename "$deb") is not in section libdevel"
dpkg-deb -x "$deb" "$tmp/root"
prefix=$tmp/root/usr

for f in share/doc/libsumtide-scl-dev/copyright share/doc/libsumtide-scl-dev/changelog.gz \
  include/sumtide/scl/SCLcrypt.h include/sumtide/scl/SCLmd5.h \
  include/sumtide/scl/SCLbase64.h include/sumtide/scl/SCLRegister.h \
  include/sumtide/rtl/ClassRegistry.h include/sumtide/rtl/FormReader.h \
  include/sumtide/rtl/FormWriter.h \
  "$libdir/libsumtide_scl.a" "$libdir/libsumtide_rtl.a" \
  "$libdir/cmake/SumtideSCL/SumtideSCLConfig.cmake" \
  "$libdir/cmake/SumtideSCL/SumtideSCLConfigVersion.cmake" \
  "$libdir/cmake/SumtideSCL/SumtideSCLTargets.cmake"; do
  [ -f "$prefix/$f" ] || fail "the library package does not hold /usr/$f"
done
# Nothing but the library's headers, its two archives, its CMake package and its copyright file
# and changelog belongs here; the library's private headers stay out. The public ones lie in
# src/scl and src/rtl themselves: a header of a folder below them (a block function, the block
# framing) is private, wherever it would be installed.
while IFS= read -r f; do
  case $f in
  include/sumtide/scl/Md5Compress.h | include/sumtide/scl/Md5PortableSteps.h | \
    include/sumtide/scl/Base64Coders.h | include/sumtide/rtl/FileServices.h | \
    include/sumtide/*/*/*)
    fail "private header installed: $f" ;;
  include/sumtide/rtl/*.h | include/sumtide/scl/*.h)
    [ -f "src/${f#include/sumtide/}" ] || fail "private header installed: $f" ;;
  "$libdir/libsumtide_scl.a" | "$libdir/libsumtide_rtl.a") ;;
  "$libdir"/cmake/SumtideSCL/*.cmake) ;;
  share/doc/libsumtide-scl-dev/copyright | share/doc/libsumtide-scl-dev/changelog.gz) ;;
  *) fail "the library package holds a file that is not the library's: /usr/$f" ;;
  esac
done < <(cd "$prefix" && find . ! -type d | sed 's|^\./||')
[ -z "$(find "$tmp/root" -mindepth 1 -maxdepth 1 ! -name usr)" ] ||
  fail "the library package installs outside /usr"
# Every installed header compiles on its own against the prefix, so whatever one includes was
# installed with it.
while IFS= read -r header; do
  echo "#include \"${header#"$prefix/include/sumtide/"}\"" |
    c++ -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -I"$prefix/include/sumtide" -x c++ - \
      >"$tmp/header.log" 2>&1 ||
    { cat "$tmp/header.log" >&2; fail "${header#"$prefix/"} does not compile on its own"; }
done < <(find "$prefix/include/sumtide" -name '*.h')

# --- The example, built by a stranger ---------------------------------------------------------
# A copy outside the repository, so that no path relative to the sources can reach the build; the
# package registries are ignored, so the library found is the one just installed.
cp -r examples/embed "$tmp/embed"
configure=(cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix"
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
"${configure[@]}" -S "$tmp/embed" -B "$tmp/embed-build" >"$tmp/embed-configure.log" 2>&1 ||
  { cat "$tmp/embed-configure.log" >&2; give_up "the example does not configure against $prefix"; }
found=$(sed -n 's/^SumtideSCL_DIR:[A-Z]*=//p' "$tmp/embed-build/CMakeCache.txt")
[ "$found" = "$prefix/$libdir/cmake/SumtideSCL" ] ||
  fail "the example found SumtideSCL in '$found', not in the prefix just installed"
cmake --build "$tmp/embed-build" >"$tmp/embed-build.log" 2>&1 ||
  { cat "$tmp/embed-build.log" >&2; give_up "the example does not build against $prefix"; }
if grep -q 'warning:' "$tmp/embed-build.log"; then
  grep 'warning:' "$tmp/embed-build.log" >&2
  fail "the example builds with warnings (-Wall -Wextra)"
fi

# RFC 1321: MD5("abc") = 900150983cd24fb0d6963f7d28e17f72.
printf abc >"$tmp/abc.txt"
status=0
"$tmp/embed-build/scl_embed" "$tmp/abc.txt" >"$tmp/embed.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/embed.out" >&2; give_up "scl_embed exited with status $status"; }
line() { sed -n "s/^$1: //p" "$tmp/embed.out"; }
md5=$(line MD5)
[ "${md5,,}" = 900150983cd24fb0d6963f7d28e17f72 ] ||
  fail "scl_embed prints the MD5 of 'abc' as '$md5'"
[ "$(line Base64)" = 'kAFQmDzST7DWlj99KOF/cg==' ] ||
  fail "scl_embed prints the Base64 of that digest as '$(line Base64)'"
message=$(line Message)
[ -n "$message" ] || fail "scl_embed prints no message to encrypt"
[ "$(line Decrypted)" = "$message" ] ||
  fail "the cipher round trip gives '$(line Decrypted)' for '$message'"
encrypted=$(line Encrypted)
if [ -z "$encrypted" ] || [ "$encrypted" = "$(printf %s "$message" | base64 -w0)" ]; then
  fail "the cipher leaves the message unencrypted ('$encrypted')"
fi

# --- Versions ---------------------------------------------------------------------------------
# Version 1.2.0.0 answers a request for 1.0, not one for another major version (0.9 or 2.0). The
# probe enables C++ as a user's project does: CMake looks in the multiarch folder only once a
# language tells it the architecture.
mkdir "$tmp/version"
cat >"$tmp/version/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(VersionProbe LANGUAGES CXX)
find_package(SumtideSCL ${WANTED} REQUIRED)
EOF
for wanted in 1.0 0.9 2.0; do
  if "${configure[@]}" -DWANTED="$wanted" -S "$tmp/version" -B "$tmp/version-$wanted" \
    >"$tmp/version-$wanted.log" 2>&1; then
    [ "$wanted" = 1.0 ] || fail "find_package(SumtideSCL $wanted) accepts version 1.2.0.0"
  elif [ "$wanted" = 1.0 ]; then
    cat "$tmp/version-$wanted.log" >&2
    fail "find_package(SumtideSCL $wanted) refuses version 1.2.0.0"
  elif ! grep -q 'compatible with requested version' "$tmp/version-$wanted.log"; then
    cat "$tmp/version-$wanted.log" >&2
    fail "find_package(SumtideSCL $wanted) fails for another reason than the version"
  fi
done

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "check_library_package: $(basename "$deb") unpacks, and a program outside the tree uses it"
