# Sourced by the differential tests of sumtide-sum: reads their two arguments (SUMTIDE_SUM and
# ALGORITHM: md5, sha1, sha224, sha256, sha384, sha512 or blake2b) and sets ours (the program's
# absolute path), algorithm, gnu (the GNU tool of the algorithm: md5sum ... sha512sum, b2sum) and
# select (the "-a ALGORITHM" sumtide-sum is given, empty for md5, its default). Wrong arguments
# end the test with exit code 2.
[ $# -eq 2 ] || {
  echo "usage: $0 SUMTIDE_SUM md5|sha1|sha224|sha256|sha384|sha512|blake2b" >&2
  exit 2
}
ours=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
algorithm=$2
case $algorithm in
  md5 | sha1 | sha224 | sha256 | sha384 | sha512 | blake2b) ;;
  *)
    echo "unknown algorithm: $algorithm" >&2
    exit 2
    ;;
esac
gnu=${algorithm}sum
[ "$algorithm" != blake2b ] || gnu=b2sum
# shellcheck disable=SC2034 # used by the test that sources this
select=
[ "$algorithm" = md5 ] || select="-a $algorithm"
