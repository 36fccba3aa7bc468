#pragma once

// The MD5 digest of one file read as md5sum reads it: any kind of file, "-" for standard input.

#include "cli/SumLines.h"

#include <string>

namespace Sumtide::Cli {

struct TDigestOutcome {
  enum class TKind : std::uint8_t { Done, Missing, Failed };
  TKind Kind = TKind::Failed;
  TMd5Digest Digest{};
  std::string Error;      // for Missing and Failed: what went wrong, "No such file or directory"...
  std::int64_t Bytes = 0; // how many bytes were read
};

// The text given when a regular file changed while it was read: no digest is right for it.
inline constexpr const char* ChangedWhileRead = "file changed as we read it";

// Reads Name ("-": standard input) to its end through a buffer of ReadPiece bytes.
TDigestOutcome DigestFile(const std::string& Name);

} // namespace Sumtide::Cli
