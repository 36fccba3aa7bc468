#include "cli/LaneEngine.h"

#include "checksum/FileChecksum.h"
#include "files/InputFile.h"
#include "scl/Md5Lanes.h"
#include "scl/SCLmd5.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace Sumtide::Cli {

namespace {

using TKind = TDigestOutcome::TKind;

// Names between the reading of the list and the output: enough to keep every lane busy while
// the oldest one is waited for.
constexpr std::uint64_t Window = 4096;
// How many names the caller reads before it looks at the outcomes again.
constexpr std::uint64_t ProduceStep = 256;
// What a lane reads of its file at a time.
constexpr std::size_t LanePiece = 32 * 1024;
// From this size on, a regular file is hashed as one stream.
constexpr std::int64_t LargeFile = 16 * 1024 * 1024;
// At most this many workers, whatever the processors: each holds up to sixteen files open and
// sixteen buffers, and more workers add little once the file system calls are shared out.
constexpr unsigned MaxWorkers = 16;
// How often the caller ticks while it waits.
constexpr std::chrono::milliseconds TickPeriod{200};

struct TSlot {
  std::string Name;
  TDigestOutcome Outcome;
  bool Done = false;
  bool OnCaller = false; // standard input: read by the caller when its turn comes
};

// The window of names and outcomes the caller and the workers share.
class TShared {
public:
  TShared() : FSlots(Window) {}

  TSlot& Slot(std::uint64_t Sequence) { return FSlots[Sequence % Window]; }

  // The next name for a worker to hash. Without Wait, nothing when none is there now; with Wait,
  // nothing only once every name was taken.
  std::optional<std::uint64_t> Claim(bool Wait) {
    std::unique_lock Guard(FLock);
    for (;;) {
      while (FClaimed < FProduced && Slot(FClaimed).OnCaller)
        ++FClaimed;
      if (FClaimed < FProduced)
        return FClaimed++;
      if (!Wait || FNoMore)
        return std::nullopt;
      FWorkReady.wait(Guard);
    }
  }

  void Complete(std::uint64_t Sequence, TDigestOutcome&& Outcome) {
    bool Wake;
    {
      std::lock_guard Guard(FLock);
      TSlot& S = Slot(Sequence);
      S.Outcome = std::move(Outcome);
      S.Done = true;
      Wake = FCallerWaiting && CallerMayGoOn();
    }
    if (Wake)
      FHeadDone.notify_one();
  }

  // The caller: how many more names fit the window.
  std::uint64_t Room() {
    std::lock_guard Guard(FLock);
    return Window - (FProduced - FDelivered);
  }
  // The caller: Count names written into the slots after the last published one are published;
  // NoMore says the list has ended.
  void Publish(std::uint64_t Count, bool NoMore) {
    {
      std::lock_guard Guard(FLock);
      FProduced += Count;
      FNoMore = NoMore;
    }
    FWorkReady.notify_all();
  }
  std::uint64_t Produced() {
    std::lock_guard Guard(FLock);
    return FProduced;
  }

  enum class THead : std::uint8_t { Ready, AllDelivered, NotYet };
  // The caller: the oldest outcome not yet delivered, in Head, once it is done. With Block, waits
  // for it at most Patience.
  THead Head(bool Block, std::chrono::milliseconds Patience, TSlot*& Head) {
    std::unique_lock Guard(FLock);
    if (FDelivered == FProduced)
      return THead::AllDelivered;
    TSlot& S = Slot(FDelivered);
    Head = &S;
    if (S.OnCaller || S.Done)
      return THead::Ready;
    if (!Block)
      return THead::NotYet;
    // Waits for a run of outcomes rather than one, so that the caller and the workers do not
    // take turns at every file.
    FWaitFor = std::min(FDelivered + ProduceStep, FProduced) - 1;
    FCallerWaiting = true;
    FHeadDone.wait_for(Guard, Patience, [&] { return CallerMayGoOn(); });
    FCallerWaiting = false;
    return S.Done ? THead::Ready : THead::NotYet;
  }
  void Delivered() {
    std::lock_guard Guard(FLock);
    ++FDelivered;
  }
  void Finish() {
    {
      std::lock_guard Guard(FLock);
      FNoMore = true;
    }
    FWorkReady.notify_all();
  }

private:
  bool Ready(std::uint64_t Sequence) { return Slot(Sequence).Done || Slot(Sequence).OnCaller; }
  bool CallerMayGoOn() { return Ready(FDelivered) && Ready(FWaitFor); }

  std::vector<TSlot> FSlots;
  std::mutex FLock;
  std::condition_variable FWorkReady, FHeadDone;
  std::uint64_t FProduced = 0, FClaimed = 0, FDelivered = 0;
  std::uint64_t FWaitFor = 0; // with the oldest, what the caller waits for
  bool FCallerWaiting = false;
  bool FNoMore = false;
};

// A file being read into a lane.
struct TLaneFile {
  std::uint64_t Sequence = 0;
  std::optional<TInputFile> File;
  std::optional<TFileStamp> Before; // regular files: the stamp at the open
  std::int64_t Read = 0;
  bool AtEnd = false;
  std::unique_ptr<std::uint8_t[]> Piece = std::make_unique_for_overwrite<std::uint8_t[]>(LanePiece);
};

// Counts the bytes of a long file as the core hashes them.
class TByteCount final : public Checksum::IProgress {
public:
  explicit TByteCount(std::atomic<std::int64_t>& BytesRead) : FBytesRead(BytesRead) {}
  void Started(std::int64_t) override {}
  bool Reached(std::int64_t Done, std::int64_t) override {
    // The core starts again from 0 when it reads a file it could not map to its end.
    FBytesRead += Done - std::min(FLast, Done);
    FLast = Done;
    return true;
  }
  std::int64_t Last() const { return FLast; }

private:
  std::atomic<std::int64_t>& FBytesRead;
  std::int64_t FLast = 0;
};

// A long regular file, as one stream through the checksum core.
TDigestOutcome DigestLargeFile(const std::string& Name, std::atomic<std::int64_t>& BytesRead) {
  TByteCount Count(BytesRead);
  const Checksum::TResult Result =
      Checksum::FileChecksum(Name, &TSCL_md5::Class(), nullptr, &Count);
  TDigestOutcome Outcome;
  Outcome.Bytes = Count.Last();
  switch (Result.Status) {
  case Checksum::TStatus::Done:
    Outcome.Kind = TKind::Done;
    std::copy_n(Result.Digest.begin(), Outcome.Digest.size(), Outcome.Digest.begin());
    return Outcome;
  case Checksum::TStatus::Changed:
    Outcome.Error = ChangedWhileRead;
    return Outcome;
  default:
    // It was opened a moment ago; the plain reading tells what went wrong now.
    Outcome = DigestFile(Name);
    BytesRead += Outcome.Bytes;
    return Outcome;
  }
}

class TWorker {
public:
  TWorker(TShared& Shared, const TLaneEngine::TOpenedHook& Opened,
          std::atomic<std::int64_t>& BytesRead, std::size_t MaxOpen)
      : FShared(Shared), FOpened(Opened), FBytesRead(BytesRead), FMaxOpen(MaxOpen) {}

  void Main() {
    for (;;) {
      while (FLanes.FreeLanes() != 0 && FInFlight < FMaxOpen) {
        const auto Sequence = FShared.Claim(false);
        if (!Sequence)
          break;
        Begin(*Sequence);
      }
      if (FInFlight == 0) {
        const auto Sequence = FShared.Claim(true);
        if (!Sequence)
          return;
        Begin(*Sequence);
        continue;
      }
      FeedHungry();
      FLanes.Run();
      FinishDone();
    }
  }

private:
  // Opens the file of Sequence and gives it a lane, or hashes it at once (a long file, standard
  // input in a list, a failure to open).
  void Begin(std::uint64_t Sequence) {
    const std::string& Name = FShared.Slot(Sequence).Name;
    TInputError Error;
    std::optional<TInputFile> File = TInputFile::Open(Name, Error);
    if (!File) {
      TDigestOutcome Outcome;
      Outcome.Kind = Error.Missing ? TKind::Missing : TKind::Failed;
      Outcome.Error = Error.Text;
      FShared.Complete(Sequence, std::move(Outcome));
      return;
    }
    std::optional<TFileStamp> Before = File->OpenedStamp();
    if (Before && Before->Size >= LargeFile) {
      File.reset();
      FShared.Complete(Sequence, DigestLargeFile(Name, FBytesRead));
      return;
    }
    if (FOpened)
      FOpened(Name);
    const auto Lane = static_cast<std::size_t>(std::countr_zero(FLanes.FreeLanes()));
    TLaneFile& L = FFiles[Lane];
    L.Sequence = Sequence;
    L.File = std::move(File);
    L.Before = Before;
    L.Read = 0;
    L.AtEnd = false;
    FLanes.Start(Lane);
    ++FInFlight;
  }

  void FeedHungry() {
    for (auto Hungry = FLanes.HungryLanes(); Hungry != 0; Hungry &= Hungry - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Hungry));
      TLaneFile& L = FFiles[Lane];
      if (L.AtEnd) {
        FLanes.End(Lane);
        continue;
      }
      TInputError Error;
      const std::int64_t Got = L.File->Read(L.Piece.get(), LanePiece, Error);
      if (Got < 0) {
        FLanes.Drop(Lane);
        TDigestOutcome Outcome;
        Outcome.Error = Error.Text;
        Release(Lane, std::move(Outcome));
        continue;
      }
      if (Got == 0) {
        FLanes.End(Lane);
        continue;
      }
      L.Read += Got;
      FBytesRead += Got;
      FLanes.Feed(Lane, {L.Piece.get(), static_cast<std::size_t>(Got)});
      // A regular file that gave all it held and less than was asked for is at its end: no
      // read is spent to hear it. Had it grown meanwhile, its stamp tells at the end.
      if (L.Before && L.Read == L.Before->Size && Got < static_cast<std::int64_t>(LanePiece))
        FLanes.End(Lane);
    }
  }

  void FinishDone() {
    for (auto Done = FLanes.DoneLanes(); Done != 0; Done &= Done - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Done));
      TLaneFile& L = FFiles[Lane];
      TDigestOutcome Outcome;
      const auto Digest = FLanes.TakeDigest(Lane);
      if (L.Before && L.File->Stamp() != L.Before) {
        Outcome.Error = ChangedWhileRead;
      } else {
        Outcome.Kind = TKind::Done;
        std::copy(Digest.begin(), Digest.end(), Outcome.Digest.begin());
      }
      Outcome.Bytes = L.Read;
      Release(Lane, std::move(Outcome));
    }
  }

  void Release(std::size_t Lane, TDigestOutcome&& Outcome) {
    TLaneFile& L = FFiles[Lane];
    L.File.reset();
    --FInFlight;
    FShared.Complete(L.Sequence, std::move(Outcome));
  }

  TShared& FShared;
  const TLaneEngine::TOpenedHook& FOpened;
  std::atomic<std::int64_t>& FBytesRead;
  std::size_t FMaxOpen; // files this worker may hold open at once
  TMd5Lanes FLanes;
  std::array<TLaneFile, Md5Internal::MaxLanes> FFiles;
  std::size_t FInFlight = 0;
};

} // namespace

TLaneEngine::TLaneEngine(unsigned Workers)
    : FWorkers(std::min(MaxWorkers,
                        Workers ? Workers : std::max(1u, std::thread::hardware_concurrency()))) {}

void TLaneEngine::Run(const TNext& Next, const TDeliver& Deliver) {
  TShared Shared;
  std::vector<std::unique_ptr<TWorker>> Workers;
  std::vector<std::jthread> Threads;
  // The workers stop once the list has ended and every name was taken, however Run ends.
  struct TStop {
    TShared& Shared;
    ~TStop() { Shared.Finish(); }
  };
  // The files the workers hold open share what the system allows the process, so that a low
  // limit slows the run down instead of failing files.
  const std::size_t MaxOpen = std::max<std::size_t>(1, OpenFileAllowance() / FWorkers);
  for (unsigned I = 0; I < FWorkers; ++I) {
    Workers.push_back(std::make_unique<TWorker>(Shared, FOpened, FBytesRead, MaxOpen));
    Threads.emplace_back([W = Workers.back().get()] { W->Main(); });
  }
  TStop Stop{Shared};

  bool Ended = false;
  std::string Name;
  for (;;) {
    if (!Ended) {
      const std::uint64_t Produced = Shared.Produced();
      const std::uint64_t Step = std::min(Shared.Room(), ProduceStep);
      std::uint64_t Count = 0;
      while (Count < Step) {
        if (!Next(Name)) {
          Ended = true;
          break;
        }
        TSlot& S = Shared.Slot(Produced + Count);
        S.Name = std::move(Name);
        S.Done = false;
        S.OnCaller = S.Name == "-";
        ++Count;
      }
      Shared.Publish(Count, Ended);
    }
    // Delivers what is done in order; waits for the oldest only when no more names can be read,
    // and then ticks now and then while it waits.
    for (;;) {
      const bool Block = Ended || Shared.Room() == 0;
      TSlot* S = nullptr;
      const auto State = Shared.Head(Block, TickPeriod, S);
      if (State == TShared::THead::Ready) {
        if (S->OnCaller) {
          S->Outcome = DigestFile(S->Name);
          FBytesRead += S->Outcome.Bytes;
        }
        Deliver(S->Name, S->Outcome);
        Shared.Delivered();
        continue;
      }
      if (FTick)
        FTick();
      if (State == TShared::THead::AllDelivered && Ended)
        return;
      if (State == TShared::THead::AllDelivered || !Block)
        break;
    }
  }
}

} // namespace Sumtide::Cli
