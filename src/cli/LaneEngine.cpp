#include "cli/LaneEngine.h"

#include "cli/OrderedWindow.h"
#include "files/FileGroup.h"
#include "files/FileReader.h"
#include "files/InputFile.h"
#include "files/ReadingSizes.h"
#include "scl/lanes/DigestCatalogue.h"
#include "scl/lanes/DigestLanes.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

namespace Sumtide::Cli {

namespace {

using TKind = TDigestOutcome::TKind;
using TNames = IDigestEngine::TNames;

// At most this many workers, whatever the processors: each holds up to sixteen files open and
// sixteen buffers, and more workers add little once the file system calls are shared out.
constexpr unsigned MaxWorkers = 16;
// How often the caller ticks while it waits.
constexpr std::chrono::milliseconds TickPeriod{200};

class TWorker {
public:
  TWorker(const TDigestKind& Kind, TOrderedWindow& Window, const TLaneEngine::TOpenedHook& Opened,
          std::atomic<std::int64_t>& BytesRead, std::size_t MaxOpen)
      : FKind(Kind), FWindow(Window), FOpened(Opened), FBytesRead(BytesRead), FMaxOpen(MaxOpen),
        FLanes(NewDigestLanes(Kind)) {}

  void Main() {
    for (;;) {
      const bool Idle = FInFlight == 0 && FStaged == 0;
      // Opens the next group once the files waiting for a lane are about to run out, so that a
      // group's opens and first reads cost one call to the system each.
      if (FStaged <= static_cast<std::size_t>(std::popcount(FLanes->FreeLanes()))) {
        if (!Stage(Idle) && Idle)
          return;
      }
      if (FInFlight == 0 && FStaged == 0)
        continue;
      StartStaged();
      FeedHungry();
      FLanes->Run();
      FinishDone();
    }
  }

private:
  // A file this worker holds: waiting for a lane, with its first piece read where the group's
  // reads were made together, or in a lane.
  struct TFile {
    std::uint64_t Sequence = 0;
    std::optional<TFileReader> Reader;
    bool FirstRead = false; // Gave and Piece hold what the first read gave
    bool Gave = false;
    std::span<const std::uint8_t> Piece;
    // Where the pieces of a small file go, kept from file to file; a larger file's reader
    // allocates its own.
    std::unique_ptr<std::uint8_t[]> Buffer;
  };
  static constexpr std::size_t FileCount = IDigestLanes::MaxLanes + TFileGroup::MaxGroup;
  static_assert(FileCount < 64, "the free files are kept as bits of one word");

  std::size_t NewFile() {
    const auto Index = static_cast<std::size_t>(std::countr_zero(FFreeFiles));
    FFreeFiles &= FFreeFiles - 1;
    return Index;
  }
  void FreeFile(std::size_t Index) {
    FFiles[Index].Reader.reset();
    FFreeFiles |= std::uint64_t{1} << Index;
  }

  // Claims a group of names (with Wait, waits for a first one), opens them together and reads
  // the first piece of each regular file together; the files then wait for a lane. A name that
  // is not a regular file is left to be read in its turn, a file that failed to open is settled
  // at once, and so is the last file of all when it finds this worker idle: it runs faster as one
  // stream. False when no name was claimed.
  bool Stage(bool Wait) {
    const std::size_t Held = FInFlight + FStaged;
    std::size_t Room =
        std::min(TFileGroup::MaxGroup - FStaged, FMaxOpen - std::min(FMaxOpen, Held));
    // Files that take more than a piece hold their lanes a while: a worker then claims no more
    // than its lanes can start, and leaves the rest of the list to the other workers.
    if (!FSmallFiles) {
      const auto Free = static_cast<std::size_t>(std::popcount(FLanes->FreeLanes()));
      Room = std::min(Room, Free - std::min(Free, FStaged));
    }
    if (Room == 0)
      return false;
    std::array<std::uint64_t, TFileGroup::MaxGroup> Sequences{};
    bool Last = false;
    const std::size_t Claimed = FWindow.Claim(Wait, {Sequences.data(), Room}, Last);
    if (Claimed == 0)
      return false;
    // Each name is looked up first, which also gives a regular file's stamp for its open. Opening
    // anything else ahead of its turn could take a FIFO's bytes from under its reader, or wait
    // for a writer who first feeds a file further back.
    std::array<const std::string*, TFileGroup::MaxGroup> Names{};
    std::array<TFileStamp, TFileGroup::MaxGroup> Stamps{};
    std::array<const TFileStamp*, TFileGroup::MaxGroup> Known{};
    std::size_t Count = 0;
    for (std::size_t I = 0; I < Claimed; ++I) {
      const std::string& Name = FWindow.Slot(Sequences[I]).Name;
      const TNameKind Kind = LookUpName(Name, Stamps[Count]);
      if (Kind == TNameKind::Other) {
        FWindow.Defer(Sequences[I]);
        Last = Last && I + 1 < Claimed;
        continue;
      }
      Names[Count] = &Name;
      Known[Count] = Kind == TNameKind::Regular ? &Stamps[Count] : nullptr;
      Sequences[Count++] = Sequences[I];
    }
    std::array<std::optional<TInputFile>, TFileGroup::MaxGroup> Opened;
    std::array<TInputError, TFileGroup::MaxGroup> Errors;
    FGroup.Open({Names.data(), Count}, {Known.data(), Count}, {Opened.data(), Count},
                {Errors.data(), Count});

    std::array<std::size_t, TFileGroup::MaxGroup> ToRead{};
    std::array<TFileReader*, TFileGroup::MaxGroup> Readers{};
    std::size_t Reads = 0;
    FSmallFiles = true;
    for (std::size_t I = 0; I < Count; ++I) {
      if (!Opened[I]) {
        FWindow.Complete(Sequences[I], NotOpened(std::move(Errors[I])));
        continue;
      }
      if (FOpened)
        FOpened(*Names[I]);
      if (Last && I + 1 == Count && FInFlight == 0 && FStaged == 0) {
        FWindow.Complete(Sequences[I], DigestAlone(std::move(*Opened[I]), FKind, FBytesRead));
        continue;
      }
      const std::size_t Index = NewFile();
      TFile& F = FFiles[Index];
      F.Sequence = Sequences[I];
      if (!F.Buffer)
        F.Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(Reading::LanePiece);
      F.Reader.emplace(std::move(*Opened[I]), TFileReader::TPace::Lane,
                       std::span<std::uint8_t>{F.Buffer.get(), Reading::LanePiece});
      F.FirstRead = false;
      FSmallFiles =
          FSmallFiles && F.Reader->Total() <= static_cast<std::int64_t>(Reading::LanePiece);
      FStagedFiles[(FStagedHead + FStaged++) % FStagedFiles.size()] = Index;
      if (FGroup.ReadsTogether(*F.Reader)) {
        ToRead[Reads] = Index;
        Readers[Reads++] = &*F.Reader;
      }
    }
    if (Reads > 0) {
      std::array<std::span<const std::uint8_t>, TFileGroup::MaxGroup> Pieces{};
      std::array<bool, TFileGroup::MaxGroup> Gave{};
      FGroup.Read({Readers.data(), Reads}, {Pieces.data(), Reads}, {Gave.data(), Reads});
      for (std::size_t I = 0; I < Reads; ++I) {
        TFile& F = FFiles[ToRead[I]];
        F.FirstRead = true;
        F.Gave = Gave[I];
        F.Piece = Pieces[I];
      }
    }
    return true;
  }

  // Gives each free lane the next file waiting for one, with its first piece if it was read.
  void StartStaged() {
    for (auto Free = FLanes->FreeLanes(); Free != 0 && FStaged > 0; Free &= Free - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Free));
      const std::size_t Index = FStagedFiles[FStagedHead];
      FStagedHead = (FStagedHead + 1) % FStagedFiles.size();
      --FStaged;
      FLaneFile[Lane] = Index;
      FLanes->Start(Lane);
      ++FInFlight;
      TFile& F = FFiles[Index];
      if (F.FirstRead)
        Took(Lane, F.Gave, F.Piece);
    }
  }

  TFileReader& LaneReader(std::size_t Lane) { return *FFiles[FLaneFile[Lane]].Reader; }

  // Gives every hungry lane its next piece: the reads of regular files as one group where the
  // batch is there, every other read on its own.
  void FeedHungry() {
    std::array<std::size_t, TFileGroup::MaxGroup> Lanes{};
    std::array<TFileReader*, TFileGroup::MaxGroup> Readers{};
    std::array<std::span<const std::uint8_t>, TFileGroup::MaxGroup> Pieces{};
    std::array<bool, TFileGroup::MaxGroup> Gave{};
    std::size_t Grouped = 0;
    for (auto Hungry = FLanes->HungryLanes(); Hungry != 0; Hungry &= Hungry - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Hungry));
      TFileReader& Reader = LaneReader(Lane);
      if (FGroup.ReadsTogether(Reader)) {
        Lanes[Grouped] = Lane;
        Readers[Grouped++] = &Reader;
        continue;
      }
      std::span<const std::uint8_t> Piece;
      Took(Lane, Reader.Next(Piece), Piece);
    }
    if (Grouped == 0)
      return;
    FGroup.Read({Readers.data(), Grouped}, {Pieces.data(), Grouped}, {Gave.data(), Grouped});
    for (std::size_t I = 0; I < Grouped; ++I)
      Took(Lanes[I], Gave[I], Pieces[I]);
  }

  // What a lane's reader gave: a piece for the lane, or its end.
  void Took(std::size_t Lane, bool Gave, std::span<const std::uint8_t> Piece) {
    TFileReader& Reader = LaneReader(Lane);
    if (!Gave) {
      if (Reader.Verdict() == TFileReader::TVerdict::Done) {
        FLanes->End(Lane);
      } else {
        FLanes->Drop(Lane);
        Release(Lane, OutcomeOf(Reader, {}));
      }
      return;
    }
    FBytesRead += static_cast<std::int64_t>(Piece.size());
    FLanes->Feed(Lane, Piece);
    // A regular file that gave all it held is at its end: no read is spent to hear it.
    if (Reader.AtEnd())
      FLanes->End(Lane);
  }

  void FinishDone() {
    for (auto Done = FLanes->DoneLanes(); Done != 0; Done &= Done - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Done));
      TFileReader& Reader = LaneReader(Lane);
      TDigestBytes Digest(FKind.DigestBytes);
      FLanes->TakeDigest(Lane, Digest.Bytes());
      // A lane ended at the end of its file's bytes: this reads nothing and gives the verdict.
      std::span<const std::uint8_t> None;
      Reader.Next(None);
      Release(Lane, OutcomeOf(Reader, Digest));
    }
  }

  void Release(std::size_t Lane, TDigestOutcome&& Outcome) {
    const std::size_t Index = FLaneFile[Lane];
    FGroup.Close(std::move(FFiles[Index].Reader->File()));
    const std::uint64_t Sequence = FFiles[Index].Sequence;
    FreeFile(Index);
    --FInFlight;
    FWindow.Complete(Sequence, std::move(Outcome));
  }

  const TDigestKind& FKind;
  TOrderedWindow& FWindow;
  const TLaneEngine::TOpenedHook& FOpened;
  std::atomic<std::int64_t>& FBytesRead;
  std::size_t FMaxOpen; // files this worker may hold open at once
  std::unique_ptr<IDigestLanes> FLanes;
  std::array<TFile, FileCount> FFiles;
  std::uint64_t FFreeFiles = (std::uint64_t{1} << FileCount) - 1;
  std::array<std::size_t, IDigestLanes::MaxLanes> FLaneFile{}; // the file in each lane
  // The files waiting for a lane, oldest first: a ring of FStaged from FStagedHead.
  std::array<std::size_t, TFileGroup::MaxGroup> FStagedFiles{};
  std::size_t FStagedHead = 0, FStaged = 0;
  TFileGroup FGroup;
  std::size_t FInFlight = 0; // files in lanes
  bool FSmallFiles = false;  // the last group's files each fit one piece
};

} // namespace

TLaneEngine::TLaneEngine(unsigned Workers)
    : FWorkers(std::min(MaxWorkers,
                        Workers ? Workers : std::max(1u, std::thread::hardware_concurrency()))) {}

void TLaneEngine::Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) {
  TOrderedWindow Window;
  std::vector<std::unique_ptr<TWorker>> Workers;
  std::vector<std::jthread> Threads;
  // The workers stop once the list has ended and every name was taken, however Run ends: also
  // when a thread fails to start, before the threads already started are joined.
  struct TStop {
    TOrderedWindow& Window;
    ~TStop() { Window.Finish(); }
  } Stop{Window};
  // The files the workers hold open share what the system allows the process, so that a low
  // limit slows the run down instead of failing files.
  const std::size_t MaxOpen = std::max<std::size_t>(1, OpenFileAllowance() / FWorkers);
  for (unsigned I = 0; I < FWorkers; ++I) {
    Workers.push_back(std::make_unique<TWorker>(Kind, Window, FOpened, FBytesRead, MaxOpen));
    try {
      Threads.emplace_back([W = Workers.back().get()] { W->Main(); });
    } catch (const std::system_error&) {
      // The system gives no more threads: the ones started do the work, if there are any.
      if (Threads.empty())
        throw;
      break;
    }
  }

  const auto BeforeWait = [this] {
    if (FBeforeWait)
      FBeforeWait();
  };
  // A name whose turn has come is read on a thread of its own, so that the caller still ticks
  // while it waits (for a FIFO's writer, say); on the caller's thread if no thread can be had.
  std::jthread Turn;
  const auto ReadInTurn = [&](TSlot& S, std::uint64_t Sequence) {
    Window.StartTurn(S);
    if (Turn.joinable())
      Turn.join();
    const auto Read = [this, &Window, &Kind, &S, Sequence] {
      Window.Complete(Sequence, DigestFile(S.Name, Kind, FBytesRead));
    };
    try {
      Turn = std::jthread(Read);
    } catch (const std::system_error&) {
      Read();
    }
  };

  bool Ended = false;
  // Next had no name ready: what was published is delivered before names are waited for.
  bool Stalled = false;
  std::string Name;
  for (;;) {
    if (!Ended) {
      // Still stalled here, every name before was delivered: the next one may be waited for.
      const bool MayWait = Stalled;
      if (MayWait)
        BeforeWait();
      Stalled = false;
      const std::uint64_t Produced = Window.Produced();
      const std::uint64_t Step = std::min(Window.Room(), ProduceStep);
      std::uint64_t Count = 0, Turns = 0;
      while (Count < Step) {
        const TNames Got = Next(Name, MayWait && Count == 0);
        if (Got != TNames::Name) {
          Ended = Got == TNames::End;
          Stalled = Got == TNames::NotYet;
          break;
        }
        TSlot& S = Window.Slot(Produced + Count);
        S.Name = std::move(Name);
        S.Done = false;
        S.Started = false;
        // Standard input has no name to look up; the workers look up the others.
        S.InTurn = S.Name == "-";
        Turns += S.InTurn ? 1 : 0;
        ++Count;
      }
      Window.Publish(Count, Turns, Ended);
    }
    // Delivers what is done in order, and reads each name in its turn; waits for the oldest only
    // when no more names can be read, and then ticks now and then while it waits.
    for (;;) {
      const bool Block = Ended || Stalled || Window.Room() == 0;
      TSlot* S = nullptr;
      std::uint64_t Sequence = 0;
      auto State = Window.Head(false, TickPeriod, S, Sequence);
      if (State == TOrderedWindow::THead::NotYet && Block) {
        BeforeWait();
        State = Window.Head(true, TickPeriod, S, Sequence);
      }
      if (State == TOrderedWindow::THead::Ready) {
        Deliver(S->Name, S->Outcome);
        Window.Delivered();
        continue;
      }
      if (State == TOrderedWindow::THead::Turn) {
        BeforeWait();
        ReadInTurn(*S, Sequence);
        continue;
      }
      if (FTick)
        FTick();
      if (State == TOrderedWindow::THead::AllDelivered && Ended)
        return;
      if (State == TOrderedWindow::THead::AllDelivered || !Block)
        break;
    }
  }
}

} // namespace Sumtide::Cli
