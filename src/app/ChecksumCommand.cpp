#include "app/ChecksumText.h"
#include "app/Unit1.h"
#include "forms/SystemServices.h"
#include "rtl/FileServices.h"

#include <memory>

namespace Sumtide {

namespace {

// Files below this size are read whole into one buffer and hashed in one Update; larger ones are
// read in pieces under a progress display.
constexpr std::int64_t WholeFileLimit = std::int64_t{1} << 31;
constexpr std::int64_t PieceSize = std::int64_t{8} << 20;

// Hashes the whole file with an MD5 component owned by Owner for this run. Returns false when
// the user cancelled the progress display.
bool HashWhole(TReadOnlyFile& File, TComponent& Owner, TDigest& Digest) {
  const std::int64_t Size = File.Size();
  auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(Size) + 1);
  const std::int64_t Count = File.Read(Buffer.get(), Size); // never more than Size
  File.Close();
  auto Hash = std::make_unique<TSCL_md5>(&Owner);
  Hash->Init();
  Hash->Update(Buffer.get(), static_cast<std::uint32_t>(Count));
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

bool HashInPieces(TReadOnlyFile& File, TComponent& Owner, TDigest& Digest) {
  const std::int64_t Size = File.Size();
  auto Progress = BeginProgress("Sumtide", "Calcul de la somme de contrôle MD5…");
  auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(PieceSize);
  auto Hash = std::make_unique<TSCL_md5>(&Owner);
  Hash->Init();
  // At most the size taken at the open, as the whole-file read does; less if the file shrank.
  for (std::int64_t Done = 0; Done < Size;) {
    const std::int64_t Count = File.Read(Buffer.get(), std::min(PieceSize, Size - Done));
    if (Count == 0)
      break;
    Hash->Update(Buffer.get(), static_cast<std::uint32_t>(Count));
    Done += Count;
    if (!Progress->Step(Done, Size))
      return false;
  }
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
    const bool Done = Size == 0               ? HashToEnd(*File, *this, Digest)
                      : Size < WholeFileLimit ? HashWhole(*File, *this, Digest)
                                              : HashInPieces(*File, *this, Digest);
    if (!Done)
      return;
  }
  Edit1->SetText(ChecksumText(Digest));
  Button3->SetEnabled(true);
}

} // namespace Sumtide
