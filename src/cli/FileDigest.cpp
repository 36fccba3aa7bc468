#include "cli/FileDigest.h"

#include "checksum/HashReader.h"

#include <optional>
#include <thread>

namespace Sumtide::Cli {

TDigestOutcome OutcomeOf(const TFileReader& Reader, const TDigestBytes& Digest) {
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

TDigestOutcome NotOpened(TInputError&& Error) {
  TDigestOutcome Outcome;
  Outcome.Kind = Error.Missing ? TDigestOutcome::TKind::Missing : TDigestOutcome::TKind::Failed;
  Outcome.Error = std::move(Error.Text);
  return Outcome;
}

TDigestOutcome DigestReader(TFileReader& Reader, const TDigestKind& Kind,
                            std::atomic<std::int64_t>& BytesRead) {
  const std::unique_ptr<TSCL_hash> Hash = NewHash(Kind);
  // One file on its own: a digest that can share it among the cores does.
  ShareAmongCores(*Hash, std::thread::hardware_concurrency());
  Checksum::HashReader(Reader, *Hash, [&BytesRead](std::size_t Piece) {
    BytesRead += static_cast<std::int64_t>(Piece);
    return true;
  });
  TDigestBytes Digest(Kind.DigestBytes);
  Hash->Final(Digest.Bytes().data());
  return OutcomeOf(Reader, Digest);
}

TDigestOutcome DigestFile(const std::string& Name, const TDigestKind& Kind,
                          std::atomic<std::int64_t>& BytesRead) {
  TInputError Error;
  std::optional<TInputFile> Opened;
  if (Name == "-")
    Opened.emplace(TInputFile::StandardInput());
  else
    Opened = TInputFile::Open(Name, TFileKinds::Any, Error);
  if (!Opened)
    return NotOpened(std::move(Error));
  TFileReader Reader(std::move(*Opened), TFileReader::TPace::Stream);
  return DigestReader(Reader, Kind, BytesRead);
}

} // namespace Sumtide::Cli
