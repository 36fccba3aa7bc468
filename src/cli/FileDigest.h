#pragma once

// The MD5 digest of one file read as md5sum reads it: any kind of file, "-" for standard input.

#include "cli/SumLines.h"
#include "files/FileReader.h"

#include <atomic>
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

// The outcome of a reader at its end, with Digest the digest of every byte it gave.
TDigestOutcome OutcomeOf(const TFileReader& Reader, const TMd5Digest& Digest);

// Hashes what Reader gives, to its end, adding the bytes to BytesRead as they are read.
TDigestOutcome DigestReader(TFileReader& Reader, std::atomic<std::int64_t>& BytesRead);

// Reads Name ("-": standard input) to its end, as one stream.
TDigestOutcome DigestFile(const std::string& Name, std::atomic<std::int64_t>& BytesRead);

} // namespace Sumtide::Cli
