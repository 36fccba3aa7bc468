#include "checksum/FileChecksum.h"

#include "checksum/HashReader.h"
#include "files/FileReader.h"

#include <memory>
#include <optional>

namespace Sumtide::Checksum {

TResult FileChecksum(const std::string& Name, TSCL_hashclassref HashClass, TComponent* Owner,
                     IProgress* Progress) {
  const std::int32_t Bits = HashClass->GetHashSize();
  if (Bits <= 0 || Bits % 8 != 0)
    throw Exception("The hash class " + std::string(HashClass->ClassName()) +
                    " gives no digest size");
  if (!FileExists(Name))
    return {TStatus::NotAFile, {}};
  TInputError Error;
  std::optional<TInputFile> File = TInputFile::Open(Name, TFileKinds::RegularOnly, Error);
  if (!File)
    return {TStatus::NotOpened, {}};

  const std::unique_ptr<TSCL_hash> Hash = HashClass->CreateOwned(Owner);
  TFileReader Reader(std::move(*File), TFileReader::TPace::Stream);
  if (Progress)
    Progress->Started(Reader.Total());
  const auto Reached = [&](std::size_t) {
    return Progress->Reached(Reader.Done(), Reader.Total());
  };
  if (!HashReader(Reader, *Hash, Progress ? Reached : std::function<bool(std::size_t)>()))
    return {TStatus::Cancelled, {}};
  switch (Reader.Verdict()) {
  case TFileReader::TVerdict::Failed:
    return {TStatus::ReadFailed, {}};
  case TFileReader::TVerdict::Changed:
    return {TStatus::Changed, {}};
  default:
    break;
  }
  TResult Result{TStatus::Done, std::vector<std::uint8_t>(static_cast<std::size_t>(Bits / 8))};
  Hash->Final(Result.Digest.data());
  return Result;
}

} // namespace Sumtide::Checksum
