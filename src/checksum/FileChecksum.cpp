#include "checksum/FileChecksum.h"

#include "checksum/ReadingSizes.h"
#include "files/FileServices.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace Sumtide::Checksum {

namespace {

// Reports progress every ProgressInterval bytes and at the end, when there is a listener.
class TProgressSteps {
public:
  TProgressSteps(IProgress* Progress, std::int64_t Total) : FProgress(Progress), FTotal(Total) {}

  // False when the listener cancelled.
  bool Reached(std::int64_t Done) {
    if (!FProgress || (Done - FShown < ProgressInterval && Done != FTotal))
      return true;
    FShown = Done;
    return FProgress->Reached(Done, FTotal);
  }
  // The count starts again from the start of the file.
  void Restart() { FShown = 0; }

private:
  IProgress* FProgress;
  std::int64_t FTotal;
  std::int64_t FShown = 0;
};

void FeedHash(void* Hash, const std::uint8_t* Bytes, std::size_t Count) {
  static_cast<TSCL_hash*>(Hash)->Update(Bytes, static_cast<std::uint32_t>(Count));
}

// Hashes at most the size taken at the open, less if the file shrank meanwhile. False when the
// listener cancelled.
bool HashUpToSize(TReadOnlyFile& File, TSCL_hash& Hash, TProgressSteps& Steps) {
  const std::int64_t Size = File.Size();
  std::int64_t Done = 0;
  if (Size >= MapWindow) {
    while (Done < Size) {
      const std::int64_t Length = std::min(MapWindow, Size - Done);
      if (!File.ConsumeMapped(Done, Length, FeedHash, &Hash))
        break;
      Done += Length;
      if (!Steps.Reached(Done))
        return false;
    }
    if (Done < Size) {
      // The file cannot be mapped, or shrank while it was: the hash may have taken part of a
      // window, so the file is hashed again from its start, by reading.
      Hash.Init();
      File.Rewind();
      Steps.Restart();
      Done = 0;
    }
  }
  if (Done < Size) {
    auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(ReadPiece);
    while (Done < Size) {
      const std::int64_t Count = File.Read(Buffer.get(), std::min(ReadPiece, Size - Done));
      if (Count == 0)
        break;
      Hash.Update(Buffer.get(), static_cast<std::uint32_t>(Count));
      Done += Count;
      if (!Steps.Reached(Done))
        return false;
    }
  }
  return true;
}

// A file that reports no size, as the kernel's pseudo-files do, is read to its end instead: its
// checksum is the one of what it holds, not the one of an empty file.
bool HashToEnd(TReadOnlyFile& File, TSCL_hash& Hash, TProgressSteps& Steps) {
  auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(EndlessPiece);
  std::int64_t Done = 0;
  while (const std::int64_t Count = File.Read(Buffer.get(), EndlessPiece)) {
    Hash.Update(Buffer.get(), static_cast<std::uint32_t>(Count));
    Done += Count;
    if (!Steps.Reached(Done))
      return false;
  }
  return true;
}

} // namespace

TResult FileChecksum(const std::string& Name, TSCL_hashclassref HashClass, TComponent* Owner,
                     IProgress* Progress) {
  const std::int32_t Bits = HashClass->GetHashSize();
  if (Bits <= 0 || Bits % 8 != 0)
    throw Exception("The hash class " + std::string(HashClass->ClassName()) +
                    " gives no digest size");
  if (!FileExists(Name))
    return {TStatus::NotAFile, {}};
  std::optional<TReadOnlyFile> File = TReadOnlyFile::Open(Name);
  if (!File)
    return {TStatus::NotOpened, {}};

  const std::unique_ptr<TSCL_hash> Hash = HashClass->CreateOwned(Owner);
  Hash->Init();
  const std::int64_t Size = File->Size();
  try {
    // Nothing keeps others from writing to the file on POSIX: a file written meanwhile would get
    // the digest of a mix of its versions. Its stamp, taken before the first byte and again after
    // the last, tells. A file that shrank under a mapped window has a new size, so it is caught
    // here too, after the restart that reads it.
    const TFileStamp Before = File->Stamp();
    if (Progress)
      Progress->Started(Size);
    TProgressSteps Steps(Progress, Size);
    const bool Finished =
        Size == 0 ? HashToEnd(*File, *Hash, Steps) : HashUpToSize(*File, *Hash, Steps);
    if (!Finished)
      return {TStatus::Cancelled, {}};
    if (File->Stamp() != Before)
      return {TStatus::Changed, {}};
  } catch (const EFileReadError&) {
    return {TStatus::ReadFailed, {}};
  }
  File->Close();
  TResult Result{TStatus::Done, std::vector<std::uint8_t>(static_cast<std::size_t>(Bits / 8))};
  Hash->Final(Result.Digest.data());
  return Result;
}

} // namespace Sumtide::Checksum
