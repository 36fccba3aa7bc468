#include "app/ChecksumReading.h"
#include "app/ChecksumText.h"
#include "app/Unit1.h"
#include "forms/SystemServices.h"
#include "rtl/FileServices.h"

#include <algorithm>
#include <memory>

namespace Sumtide {

namespace {

// Files of this size and more are hashed under a progress display; smaller ones without.
constexpr std::int64_t ProgressLimit = std::int64_t{1} << 31;
// The progress display is stepped every this many bytes and at the end: often enough to move
// smoothly, rarely enough to cost nothing beside the hash.
constexpr std::int64_t ProgressInterval = std::int64_t{8} << 20;

// Steps the progress display, when there is one, as the hash gets through the file.
class TProgressSteps {
public:
  TProgressSteps(Toolkit::IProgress* Progress, std::int64_t Size)
      : FProgress(Progress), FSize(Size) {}

  // False when the user cancelled.
  bool Reached(std::int64_t Done) {
    if (!FProgress || (Done - FShown < ProgressInterval && Done != FSize))
      return true;
    FShown = Done;
    return FProgress->Step(Done, FSize);
  }
  // The count starts again from the start of the file.
  void Restart() { FShown = 0; }

private:
  Toolkit::IProgress* FProgress;
  std::int64_t FSize;
  std::int64_t FShown = 0;
};

void FeedHash(void* Hash, const std::uint8_t* Bytes, std::size_t Count) {
  static_cast<TSCL_md5*>(Hash)->Update(Bytes, static_cast<std::uint32_t>(Count));
}

// Hashes the file with an MD5 component owned by Owner for this run: at most the size taken at
// the open, less if the file shrank meanwhile. Steps Progress when there is one, and returns
// false when the user cancelled it.
bool HashUpToSize(TReadOnlyFile& File, TComponent& Owner, TDigest& Digest,
                  Toolkit::IProgress* Progress) {
  const std::int64_t Size = File.Size();
  auto Hash = std::make_unique<TSCL_md5>(&Owner);
  Hash->Init();
  TProgressSteps Steps(Progress, Size);
  std::int64_t Done = 0;
  if (Size >= MapWindow) {
    while (Done < Size) {
      const std::int64_t Length = std::min(MapWindow, Size - Done);
      if (!File.ConsumeMapped(Done, Length, FeedHash, Hash.get()))
        break;
      Done += Length;
      if (!Steps.Reached(Done))
        return false;
    }
    if (Done < Size) {
      // The file cannot be mapped, or shrank while it was: the hash may have taken part of a
      // window, so the file is hashed again from its start, by reading.
      Hash->Init();
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
      Hash->Update(Buffer.get(), static_cast<std::uint32_t>(Count));
      Done += Count;
      if (!Steps.Reached(Done))
        return false;
    }
  }
  File.Close();
  Hash->Final(Digest.data());
  return true;
}

// A file that reports no size, as the kernel's pseudo-files do, is read to its end instead: its
// checksum is the one of what it holds, not the one of an empty file.
// Small reads: some of them refuse a large one (a sysctl file answers ENOMEM).
bool HashToEnd(TReadOnlyFile& File, TComponent& Owner, TDigest& Digest) {
  constexpr std::int64_t SmallPiece = 64 << 10;
  auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(SmallPiece);
  auto Hash = std::make_unique<TSCL_md5>(&Owner);
  Hash->Init();
  while (const std::int64_t Count = File.Read(Buffer.get(), SmallPiece))
    Hash->Update(Buffer.get(), static_cast<std::uint32_t>(Count));
  File.Close();
  Hash->Final(Digest.data());
  return true;
}

} // namespace

void TForm1::Button1Click(TComponent*) {
  const std::string FileName = Edit3->Text();
  // A name that is no regular file, or a file that cannot be opened, ends the command without a
  // word: the fields keep what they showed.
  if (!FileExists(FileName))
    return;
  std::optional<TReadOnlyFile> File = TReadOnlyFile::Open(FileName);
  if (!File)
    return;
  TDigest Digest;
  {
    TBusyCursor Busy;
    const std::int64_t Size = File->Size();
    bool Done;
    if (Size == 0) {
      Done = HashToEnd(*File, *this, Digest);
    } else if (Size < ProgressLimit) {
      Done = HashUpToSize(*File, *this, Digest, nullptr);
    } else {
      auto Progress = BeginProgress("Sumtide", "Calcul de la somme de contrôle MD5…");
      Done = HashUpToSize(*File, *this, Digest, Progress.get());
    }
    if (!Done)
      return;
  }
  Edit1->SetText(ChecksumText(Digest));
  Button3->SetEnabled(true);
}

} // namespace Sumtide
