#include "cli/FileDigest.h"

#include "scl/SCLmd5.h"

#include <optional>

namespace Sumtide::Cli {

TDigestOutcome OutcomeOf(const TFileReader& Reader, const TMd5Digest& Digest) {
  TDigestOutcome Outcome;
  Outcome.Bytes = Reader.Done();
  switch (Reader.Verdict()) {
  case TFileReader::TVerdict::Done:
    Outcome.Kind = TDigestOutcome::TKind::Done;
    Outcome.Digest = Digest;
    break;
  case TFileReader::TVerdict::Changed:
    Outcome.Error = ChangedWhileRead;
    break;
  case TFileReader::TVerdict::Failed:
  case TFileReader::TVerdict::Reading:
    Outcome.Error = Reader.Error().Text;
    break;
  }
  return Outcome;
}

TDigestOutcome DigestReader(TFileReader& Reader, std::atomic<std::int64_t>& BytesRead) {
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  std::span<const std::uint8_t> Piece;
  while (Reader.Next(Piece)) {
    Hash.Update(Piece.data(), static_cast<std::uint32_t>(Piece.size()));
    BytesRead += static_cast<std::int64_t>(Piece.size());
  }
  TMd5Digest Digest{};
  Hash.Final(Digest.data());
  return OutcomeOf(Reader, Digest);
}

TDigestOutcome DigestFile(const std::string& Name, std::atomic<std::int64_t>& BytesRead) {
  TInputError Error;
  std::optional<TInputFile> Opened;
  if (Name == "-")
    Opened.emplace(TInputFile::StandardInput());
  else
    Opened = TInputFile::Open(Name, TFileKinds::Any, Error);
  if (!Opened) {
    TDigestOutcome Outcome;
    Outcome.Kind = Error.Missing ? TDigestOutcome::TKind::Missing : TDigestOutcome::TKind::Failed;
    Outcome.Error = Error.Text;
    return Outcome;
  }
  TFileReader Reader(std::move(*Opened), TFileReader::TPace::Stream);
  return DigestReader(Reader, BytesRead);
}

} // namespace Sumtide::Cli
