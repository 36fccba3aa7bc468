#include "cli/LaneEngine.h"

#include "files/FileBatch.h"
#include "files/FileReader.h"
#include "files/InputFile.h"
#include "scl/Md5Lanes.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
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
  // nothing only once every name was taken. Last tells whether it was the last name for the
  // workers.
  std::optional<std::uint64_t> Claim(bool Wait, bool& Last) {
    std::unique_lock Guard(FLock);
    for (;;) {
      SkipCallerNames();
      if (FClaimed < FProduced) {
        const std::uint64_t Claimed = FClaimed++;
        SkipCallerNames();
        Last = FNoMore && FClaimed == FProduced;
        return Claimed;
      }
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
  void SkipCallerNames() {
    while (FClaimed < FProduced && Slot(FClaimed).OnCaller)
      ++FClaimed;
  }
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
  std::optional<TFileReader> Reader;
};

class TWorker {
public:
  TWorker(TShared& Shared, const TLaneEngine::TOpenedHook& Opened,
          std::atomic<std::int64_t>& BytesRead, std::size_t MaxOpen)
      : FShared(Shared), FOpened(Opened), FBytesRead(BytesRead), FMaxOpen(MaxOpen) {}

  void Main() {
    for (;;) {
      Claim(false);
      if (FInFlight == 0) {
        if (!Claim(true))
          return;
        continue;
      }
      FeedHungry();
      FLanes.Run();
      FinishDone();
    }
  }

private:
  // Claims as many names as there are free lanes (and open files allowed), opens them as one
  // group and begins each. With Wait, waits for a first name. False when none was claimed.
  bool Claim(bool Wait) {
    const std::size_t Room =
        std::min({static_cast<std::size_t>(std::popcount(FLanes.FreeLanes())),
                  FMaxOpen - std::min(FMaxOpen, FInFlight), TFileBatch::MaxGroup});
    std::array<std::uint64_t, TFileBatch::MaxGroup> Sequences{};
    std::array<const std::string*, TFileBatch::MaxGroup> Names{};
    bool Last = false;
    std::size_t Count = 0;
    while (Count < Room) {
      const auto Sequence = FShared.Claim(Wait && Count == 0, Last);
      if (!Sequence)
        break;
      Sequences[Count] = *Sequence;
      Names[Count++] = &FShared.Slot(*Sequence).Name;
    }
    if (Count == 0)
      return false;
    std::array<std::optional<TInputFile>, TFileBatch::MaxGroup> Files;
    std::array<TInputError, TFileBatch::MaxGroup> Errors;
    if (FBatch) {
      FBatch->Open({Names.data(), Count}, {Files.data(), Count}, {Errors.data(), Count});
    } else {
      for (std::size_t I = 0; I < Count; ++I)
        Files[I] = TInputFile::Open(*Names[I], TFileKinds::Any, Errors[I]);
    }
    for (std::size_t I = 0; I < Count; ++I)
      Begin(Sequences[I], Last && I + 1 == Count, Files[I], Errors[I]);
    return true;
  }

  // Gives the opened file of Sequence a lane, or settles it at once: a failure to open, or the
  // last file of all that finds this worker idle, which then runs faster as one stream.
  void Begin(std::uint64_t Sequence, bool Last, std::optional<TInputFile>& File,
             const TInputError& Error) {
    if (!File) {
      TDigestOutcome Outcome;
      Outcome.Kind = Error.Missing ? TKind::Missing : TKind::Failed;
      Outcome.Error = Error.Text;
      FShared.Complete(Sequence, std::move(Outcome));
      return;
    }
    if (FOpened)
      FOpened(FShared.Slot(Sequence).Name);
    if (Last && FInFlight == 0) {
      TFileReader Reader(std::move(*File), TFileReader::TPace::Stream);
      FShared.Complete(Sequence, DigestReader(Reader, FBytesRead));
      return;
    }
    const auto Lane = static_cast<std::size_t>(std::countr_zero(FLanes.FreeLanes()));
    TLaneFile& L = FFiles[Lane];
    L.Sequence = Sequence;
    L.Reader.emplace(std::move(*File), TFileReader::TPace::Lane);
    FLanes.Start(Lane);
    ++FInFlight;
  }

  // Gives every hungry lane its next piece: the reads of regular files as one group where the
  // batch is there, every other read on its own.
  void FeedHungry() {
    std::array<std::size_t, TFileBatch::MaxGroup> Lanes{};
    std::array<TFileReader*, TFileBatch::MaxGroup> Readers{};
    std::array<std::span<const std::uint8_t>, TFileBatch::MaxGroup> Pieces{};
    std::array<bool, TFileBatch::MaxGroup> Gave{};
    std::size_t Grouped = 0;
    for (auto Hungry = FLanes.HungryLanes(); Hungry != 0; Hungry &= Hungry - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Hungry));
      TFileReader& Reader = *FFiles[Lane].Reader;
      if (FBatch && Reader.File().OpenedStamp() && !Reader.AtEnd()) {
        Lanes[Grouped] = Lane;
        Readers[Grouped++] = &Reader;
        continue;
      }
      std::span<const std::uint8_t> Piece;
      Took(Lane, Reader.Next(Piece), Piece);
    }
    if (Grouped == 0)
      return;
    FBatch->Read({Readers.data(), Grouped}, {Pieces.data(), Grouped}, {Gave.data(), Grouped});
    for (std::size_t I = 0; I < Grouped; ++I)
      Took(Lanes[I], Gave[I], Pieces[I]);
  }

  // What a lane's reader gave: a piece for the lane, or its end.
  void Took(std::size_t Lane, bool Gave, std::span<const std::uint8_t> Piece) {
    TFileReader& Reader = *FFiles[Lane].Reader;
    if (!Gave) {
      if (Reader.Verdict() == TFileReader::TVerdict::Done) {
        FLanes.End(Lane);
      } else {
        FLanes.Drop(Lane);
        Release(Lane, OutcomeOf(Reader, {}));
      }
      return;
    }
    FBytesRead += static_cast<std::int64_t>(Piece.size());
    FLanes.Feed(Lane, Piece);
    // A regular file that gave all it held is at its end: no read is spent to hear it.
    if (Reader.AtEnd())
      FLanes.End(Lane);
  }

  void FinishDone() {
    for (auto Done = FLanes.DoneLanes(); Done != 0; Done &= Done - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Done));
      TFileReader& Reader = *FFiles[Lane].Reader;
      const TMd5Digest Digest = FLanes.TakeDigest(Lane);
      // A lane ended at the end of its file's bytes: this reads nothing and gives the verdict.
      std::span<const std::uint8_t> None;
      Reader.Next(None);
      Release(Lane, OutcomeOf(Reader, Digest));
    }
  }

  void Release(std::size_t Lane, TDigestOutcome&& Outcome) {
    TLaneFile& L = FFiles[Lane];
    if (FBatch)
      FBatch->Close(std::move(L.Reader->File()));
    L.Reader.reset();
    --FInFlight;
    FShared.Complete(L.Sequence, std::move(Outcome));
  }

  TShared& FShared;
  const TLaneEngine::TOpenedHook& FOpened;
  std::atomic<std::int64_t>& FBytesRead;
  std::size_t FMaxOpen; // files this worker may hold open at once
  TMd5Lanes FLanes;
  std::array<TLaneFile, Md5Internal::MaxLanes> FFiles;
  std::unique_ptr<TFileBatch> FBatch = TFileBatch::Create(); // nothing: plain calls
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
  // The workers stop once the list has ended and every name was taken, however Run ends: also
  // when a thread fails to start, before the threads already started are joined.
  struct TStop {
    TShared& Shared;
    ~TStop() { Shared.Finish(); }
  } Stop{Shared};
  // The files the workers hold open share what the system allows the process, so that a low
  // limit slows the run down instead of failing files.
  const std::size_t MaxOpen = std::max<std::size_t>(1, OpenFileAllowance() / FWorkers);
  for (unsigned I = 0; I < FWorkers; ++I) {
    Workers.push_back(std::make_unique<TWorker>(Shared, FOpened, FBytesRead, MaxOpen));
    try {
      Threads.emplace_back([W = Workers.back().get()] { W->Main(); });
    } catch (const std::system_error&) {
      // The system gives no more threads: the ones started do the work, if there are any.
      if (Threads.empty())
        throw;
      break;
    }
  }

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
          S->Outcome = DigestFile(S->Name, FBytesRead);
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
