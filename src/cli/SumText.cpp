#include "cli/SumText.h"

#include "cli/SumProgram.h"
#include "scl/lanes/DigestCatalogue.h"
#include "version/Version.h"

namespace Sumtide::Cli {

std::string HelpText() {
  return std::string("Usage: ") + ProgramName + R"( [OPTION]... [FILE]...
Print or check checksums (MD5 by default; SHA-1, SHA-224, SHA-256, SHA-384, SHA-512,
BLAKE2b, BLAKE3), as md5sum, sha1sum, sha224sum, sha256sum, sha384sum, sha512sum, b2sum
and b3sum do, hashing many files at once.

With no FILE, or when FILE is -, read standard input.

  -a, --algorithm=NAME  the digest: md5 (the default), sha1, sha224, sha256, sha384,
                       sha512, blake2b or blake3
  -b, --binary         read in binary mode
  -c, --check          read checksums from the FILEs and check them
  -l, --length=N       blake2b: digest length in BITS; must not exceed 512
                       and must be a multiple of 8 (0 or none: 512);
                       blake3: digest length in BYTES, as b3sum counts it;
                       must not exceed )" +
         std::to_string(MaxDigestBytes) + R"( (none: 32; 0: no digits)
      --no-names       blake3 only: print the digests alone, without names
      --tag            create a BSD-style checksum
  -t, --text           read in text mode (default)
  -z, --zero           end each output line with NUL, not newline,
                       and disable file name escaping

The following five options are useful only when verifying checksums:
      --ignore-missing  don't fail or report status for missing files
      --quiet          don't print OK for each successfully verified file
      --status         don't output anything, status code shows success
      --strict         exit non-zero for improperly formatted checksum lines
  -w, --warn           warn about improperly formatted checksum lines

      --help           display this help and exit
      --version        output version information and exit

MD5 is computed as described in RFC 1321, SHA-1 and SHA-2 as described in FIPS 180-4,
BLAKE2b as described in RFC 7693, BLAKE3 as b3sum computes it.
When checking, the input should be a former output of this program or of the tool
named after the digest (md5sum, sha256sum, b2sum, b3sum...), made with the same digest;
the length of a BLAKE2b or BLAKE3 checksum is read from its line, whatever
--length says.
The default mode is to print a line with: checksum, a space,
a character indicating input mode ('*' for binary, ' ' for text
or where binary is insignificant), and name for each FILE.

Exit status is 0 if every file was read and, when checking, every listed file
matched its checksum; 1 otherwise.
)";
}

std::string VersionText() {
  return std::string(ProgramName) + " (Sumtide) " + SUMTIDE_VERSION_TEXT + R"(
Digests: MD5, SHA-1, SHA-224, SHA-256, SHA-384, SHA-512, BLAKE2b, BLAKE3.
Copyright (C) 2026 The Sumtide developers.
License: MIT <https://opensource.org/licenses/MIT>.
)";
}

} // namespace Sumtide::Cli
