#include "files/FileReader.h"

#include "files/ReadingSizes.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace Sumtide {

// The second thread of a reader: it fills a ring of pieces ahead of the caller, who takes them in
// order. A piece the caller holds is not written until the caller asks for the next one.
class TFileReader::TAhead {
public:
  // Starts the thread; raises std::system_error when it cannot be started.
  TAhead(TInputFile& File, std::int64_t Limit) : FFile(File), FLimit(Limit) {
    for (auto& Slot : FSlots)
      Slot.Bytes = std::make_unique_for_overwrite<std::uint8_t[]>(Reading::AheadPiece);
    FThread = std::thread([this] { Main(); });
  }
  ~TAhead() {
    {
      std::lock_guard Guard(FLock);
      FStop = true;
    }
    FFreed.notify_one();
    FThread.join();
  }
  TAhead(const TAhead&) = delete;
  TAhead& operator=(const TAhead&) = delete;

  enum class TTaken : std::uint8_t { Piece, End, Failed };
  // Gives back the piece taken before, then waits for the next one.
  TTaken Take(std::span<const std::uint8_t>& Piece, TInputError& Error) {
    std::unique_lock Guard(FLock);
    if (FHolding) {
      FHolding = false;
      ++FReleased;
      FFreed.notify_one();
    }
    FFilled.wait(Guard, [this] { return FTaken < FProduced || FEnded || FFailed; });
    if (FTaken < FProduced) {
      const TSlot& Slot = FSlots[FTaken++ % FSlots.size()];
      FHolding = true;
      Piece = {Slot.Bytes.get(), Slot.Count};
      return TTaken::Piece;
    }
    if (FFailed) {
      Error = FError;
      return TTaken::Failed;
    }
    return TTaken::End;
  }

private:
  struct TSlot {
    std::unique_ptr<std::uint8_t[]> Bytes;
    std::size_t Count = 0;
  };

  void Main() {
    std::int64_t Read = 0;
    for (;;) {
      TSlot* Slot;
      {
        std::unique_lock Guard(FLock);
        FFreed.wait(Guard, [this] { return FStop || FProduced - FReleased < FSlots.size(); });
        if (FStop)
          return;
        Slot = &FSlots[FProduced % FSlots.size()];
      }
      const auto Want = static_cast<std::size_t>(
          std::min<std::int64_t>(static_cast<std::int64_t>(Reading::AheadPiece), FLimit - Read));
      TInputError Error;
      // The system's own read-ahead keeps only a few hundred KiB ahead of the reads, too little
      // to keep a disk busy while the hash waits: ask for the bytes further on as well.
      if (Read + Reading::PrefetchDistance < FLimit)
        FFile.Prefetch(Read + Reading::PrefetchDistance,
                       std::min<std::int64_t>(static_cast<std::int64_t>(Reading::AheadPiece),
                                              FLimit - Read - Reading::PrefetchDistance));
      const std::int64_t Got = Want == 0 ? 0 : FFile.Read(Slot->Bytes.get(), Want, Error);
      {
        std::lock_guard Guard(FLock);
        if (Got > 0) {
          Slot->Count = static_cast<std::size_t>(Got);
          ++FProduced;
        } else if (Got == 0) {
          FEnded = true;
        } else {
          FFailed = true;
          FError = std::move(Error);
        }
      }
      FFilled.notify_one();
      if (Got <= 0)
        return;
      Read += Got;
    }
  }

  TInputFile& FFile;
  const std::int64_t FLimit;
  std::array<TSlot, Reading::AheadPieces> FSlots;
  std::mutex FLock;
  std::condition_variable FFilled, FFreed;
  // Pieces filled, handed to the caller, and given back by it; each count only grows.
  std::uint64_t FProduced = 0, FTaken = 0, FReleased = 0;
  bool FHolding = false; // the caller holds the piece it took last
  bool FEnded = false, FFailed = false, FStop = false;
  TInputError FError;
  std::thread FThread; // last: it starts once everything it uses is in place
};

TFileReader::TFileReader(TInputFile File, TPace Pace, std::span<std::uint8_t> Buffer)
    : FFile(std::move(File)) {
  const std::optional<TFileStamp>& Opened = FFile.OpenedStamp();
  const std::int64_t Size = Opened ? Opened->Size : 0;
  FLimit = Size > 0 ? Size : -1;
  if (Opened && Size == 0)
    FPiece = Reading::EndlessPiece;
  else
    FPiece = Pace != TPace::Lane              ? Reading::StreamPiece
             : Size >= Reading::LargeLaneFrom ? Reading::LargeLanePiece
                                              : Reading::LanePiece;
  if (Buffer.size() >= FPiece)
    FBuffer = Buffer.first(FPiece);
  if (Pace == TPace::Mapped && Size >= Reading::MapFrom) {
    FMapping = true;
    return;
  }
  if (Pace != TPace::Lane && Size >= Reading::ReadAheadFrom) {
    try {
      FAhead = std::make_unique<TAhead>(FFile, FLimit);
    } catch (const std::system_error&) {
      // No second thread to be had: this one reads.
    }
  }
}

TFileReader::~TFileReader() = default;

bool TFileReader::AtEnd() const {
  return FLimit >= 0 && FDone >= FLimit;
}

std::span<std::uint8_t> TFileReader::Space() {
  if (FBuffer.empty()) {
    FOwnBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(FPiece);
    FBuffer = {FOwnBuffer.get(), FPiece};
  }
  const std::size_t Count = FLimit < 0 ? FPiece
                                       : static_cast<std::size_t>(std::min<std::int64_t>(
                                             static_cast<std::int64_t>(FPiece), FLimit - FDone));
  return {FBuffer.data(), Count};
}

bool TFileReader::Took(std::int64_t Got, const TInputError& Error,
                       std::span<const std::uint8_t>& Piece) {
  if (Got < 0) {
    FError = Error;
    return Finish(TVerdict::Failed);
  }
  if (Got == 0)
    return Finish(TVerdict::Done);
  FDone += Got;
  Piece = {FBuffer.data(), static_cast<std::size_t>(Got)};
  return true;
}

bool TFileReader::Finish(TVerdict Verdict) {
  if (FWindow) {
    FLostPages = FLostPages || FWindow->LostPages();
    FWindow.reset();
  }
  if (Verdict == TVerdict::Done &&
      (FLostPages || (FFile.OpenedStamp() && FFile.Stamp() != FFile.OpenedStamp())))
    Verdict = TVerdict::Changed;
  FVerdict = Verdict;
  return false;
}

bool TFileReader::Next(std::span<const std::uint8_t>& Piece) {
  if (FVerdict != TVerdict::Reading)
    return false;
  if (AtEnd())
    return Finish(TVerdict::Done);
  if (FMapping) {
    if (NextWindow(Piece))
      return true;
    if (FVerdict != TVerdict::Reading)
      return false;
  }
  if (FAhead) {
    switch (FAhead->Take(Piece, FError)) {
    case TAhead::TTaken::Piece:
      FDone += static_cast<std::int64_t>(Piece.size());
      return true;
    case TAhead::TTaken::End:
      return Finish(TVerdict::Done);
    case TAhead::TTaken::Failed:
      return Finish(TVerdict::Failed);
    }
  }
  const std::span<std::uint8_t> Into = Space();
  TInputError Error;
  const std::int64_t Got = FFile.Read(Into.data(), Into.size(), Error);
  return Took(Got, Error, Piece);
}

// The next window, the one before unmapped first; false, and no more mapping, where the system
// maps none, so that the caller's thread reads the rest (false with the verdict Failed where the
// file cannot be read on from there).
bool TFileReader::NextWindow(std::span<const std::uint8_t>& Piece) {
  // The next window is mapped before the one given last is unmapped: only its pages, not yet
  // touched, are added to what the process holds.
  const auto Length = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(Reading::MapWindow), FLimit - FDone));
  std::unique_ptr<TMappedWindow> Next = TMappedWindow::Map(FFile.Handle(), FDone, Length);
  if (FWindow) {
    FLostPages = FLostPages || FWindow->LostPages();
    FWindow.reset();
  }
  FWindow = std::move(Next);
  if (!FWindow) {
    // The rest is read from where the windows ended; a file that cannot be placed there fails.
    FMapping = false;
    if (!FFile.SeekTo(FDone)) {
      FError = {"Illegal seek", false};
      return Finish(TVerdict::Failed);
    }
    return false;
  }
  if (FDone + static_cast<std::int64_t>(Length) < FLimit)
    FFile.Prefetch(FDone + static_cast<std::int64_t>(Length),
                   std::min<std::int64_t>(static_cast<std::int64_t>(Reading::MapWindow),
                                          FLimit - FDone - static_cast<std::int64_t>(Length)));
  Piece = FWindow->Bytes();
  FDone += static_cast<std::int64_t>(Length);
  return true;
}

} // namespace Sumtide
