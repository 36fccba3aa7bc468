#include "cli/FileDigest.h"

#include "checksum/ReadingSizes.h"
#include "files/InputFile.h"
#include "scl/SCLmd5.h"

#include <memory>

namespace Sumtide::Cli {

TDigestOutcome DigestFile(const std::string& Name) {
  TDigestOutcome Outcome;
  TInputError Error;
  std::optional<TInputFile> Opened;
  if (Name == "-")
    Opened.emplace(TInputFile::StandardInput());
  else
    Opened = TInputFile::Open(Name, Error);
  if (!Opened) {
    Outcome.Kind = Error.Missing ? TDigestOutcome::TKind::Missing : TDigestOutcome::TKind::Failed;
    Outcome.Error = Error.Text;
    return Outcome;
  }
  TInputFile& File = *Opened;
  const auto Before = File.OpenedStamp();
  auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(Checksum::ReadPiece);
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  for (;;) {
    const std::int64_t Got = File.Read(Buffer.get(), Checksum::ReadPiece, Error);
    if (Got < 0) {
      Outcome.Error = Error.Text;
      return Outcome;
    }
    if (Got == 0)
      break;
    Hash.Update(Buffer.get(), static_cast<std::uint32_t>(Got));
    Outcome.Bytes += Got;
  }
  if (Before && File.Stamp() != Before) {
    Outcome.Error = ChangedWhileRead;
    return Outcome;
  }
  Hash.Final(Outcome.Digest.data());
  Outcome.Kind = TDigestOutcome::TKind::Done;
  return Outcome;
}

} // namespace Sumtide::Cli
