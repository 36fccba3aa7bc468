#pragma once

// The digest of one file read as md5sum reads it: any kind of file, "-" for standard input.

#include "files/FileReader.h"
#include "scl/lanes/DigestCatalogue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <span>
#include <string>
#include <vector>

namespace Sumtide::Cli {

// A digest of any of the library's sizes. The common ones (up to 64 bytes) are held in place; a
// longer one is allocated, so that the thousands of outcomes a run keeps in flight stay small.
class TDigestBytes {
public:
  static constexpr std::size_t InPlace = 64;

  TDigestBytes() = default;
  explicit TDigestBytes(std::size_t Size) : FSize(Size), FLong(Size > InPlace ? Size : 0) {}
  std::span<const std::uint8_t> View() const { return {Data(), FSize}; }
  std::span<std::uint8_t> Bytes() {
    return {FSize > InPlace ? FLong.data() : FShort.data(), FSize};
  }
  bool operator==(const TDigestBytes& Other) const {
    return std::ranges::equal(View(), Other.View());
  }

private:
  const std::uint8_t* Data() const { return FSize > InPlace ? FLong.data() : FShort.data(); }

  std::array<std::uint8_t, InPlace> FShort{};
  std::size_t FSize = 0;
  std::vector<std::uint8_t> FLong;
};

struct TDigestOutcome {
  enum class TKind : std::uint8_t { Done, Missing, Failed };
  TKind Kind = TKind::Failed;
  TDigestBytes Digest;
  std::string Error;      // for Missing and Failed: what went wrong, "No such file or directory"...
  std::int64_t Bytes = 0; // how many bytes were read
};

// The text given when a regular file changed while it was read: no digest is right for it.
inline constexpr const char* ChangedWhileRead = "file changed as we read it";

// The outcome of a reader at its end, with Digest the digest of every byte it gave.
TDigestOutcome OutcomeOf(const TFileReader& Reader, const TDigestBytes& Digest);

// The outcome of a file that did not open: missing, or failed with the system's words.
TDigestOutcome NotOpened(TInputError&& Error);

// Hashes File, a file on its own, with the digest Kind, to its end, adding the bytes to BytesRead
// as they are read: a digest that shares one long message among the cores does, and takes the
// file mapped where it can (TFileReader::TPace::Mapped); any other reads it as a stream.
TDigestOutcome DigestAlone(TInputFile File, const TDigestKind& Kind,
                           std::atomic<std::int64_t>& BytesRead);

// Reads Name ("-": standard input) to its end, as one stream.
TDigestOutcome DigestFile(const std::string& Name, const TDigestKind& Kind,
                          std::atomic<std::int64_t>& BytesRead);

} // namespace Sumtide::Cli
