// The checksum core end to end, as one process that can be timed beside md5sum and openssl: the
// checksum of the one file named on the command line, as the window computes it, with the MD5
// component. Prints the checksum in upper case, two spaces and the name, as md5sum does; exits
// with 1 and a message on the standard error when there is no checksum.

#include "checksum/DigestText.h"
#include "checksum/FileChecksum.h"
#include "scl/SCLmd5.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
  using namespace Sumtide;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argc > 0 ? argv[0] : "sumtide_checksum");
    return 2;
  }
  const std::string Path = argv[1];
  try {
    const Checksum::TResult Result =
        Checksum::FileChecksum(Path, &TSCL_md5::Class(), nullptr, nullptr);
    switch (Result.Status) {
    case Checksum::TStatus::Done:
      break;
    case Checksum::TStatus::NotAFile:
      std::fprintf(stderr, "sumtide_checksum: %s: no such regular file\n", Path.c_str());
      return 1;
    case Checksum::TStatus::NotOpened:
      std::fprintf(stderr, "sumtide_checksum: %s: cannot be opened\n", Path.c_str());
      return 1;
    case Checksum::TStatus::ReadFailed:
    case Checksum::TStatus::Cancelled:
      std::fprintf(stderr, "sumtide_checksum: %s: read failed\n", Path.c_str());
      return 1;
    case Checksum::TStatus::Changed:
      std::fprintf(stderr, "sumtide_checksum: %s: changed while it was read\n", Path.c_str());
      return 1;
    }
    const std::string Sum = Checksum::DigestText(Result.Digest, Checksum::TLetterCase::Upper);
    std::printf("%s  %s\n", Sum.c_str(), Path.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "sumtide_checksum: %s\n", E.what());
    return 1;
  }
}
