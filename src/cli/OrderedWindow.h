#pragma once

// The ordered window of the many-files engine (LaneEngine.h): a bounded ring of names between
// the thread that reads them and delivers their outcomes and the workers that hash them.

#include "cli/FileDigest.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace Sumtide::Cli {

// Names between the reading of the list and the output: enough to keep every lane busy while
// the oldest one is waited for.
inline constexpr std::uint64_t WindowSize = 4096;
// How many names the caller reads before it looks at the outcomes again.
inline constexpr std::uint64_t ProduceStep = 256;

struct TSlot {
  std::string Name;
  TDigestOutcome Outcome;
  bool Done = false;
  // Not a regular file (standard input, a FIFO, a device...): never taken by the lanes, but
  // opened and read once every name before it was delivered.
  bool InTurn = false;
  bool Started = false; // in its turn, and being read
};

// The window of names and outcomes that the caller (which reads the names and delivers the
// outcomes) and the workers (which hash the regular files) share: names go in in order, workers
// claim them in order, and outcomes come out in order whatever order the work ends in. A name that
// is not a regular file is never claimed: the caller has it read when its turn comes.
class TOrderedWindow {
public:
  TOrderedWindow() : FSlots(WindowSize) {}

  TSlot& Slot(std::uint64_t Sequence) { return FSlots[Sequence % WindowSize]; }

  // The next names for a worker to hash, at most Into.size() of them, in order; how many. Without
  // Wait, none when none is there now; with Wait, none only once every name was taken. Last tells
  // whether the last of them was the last name for the workers.
  std::size_t Claim(bool Wait, std::span<std::uint64_t> Into, bool& Last) {
    std::unique_lock Guard(FLock);
    for (;;) {
      std::size_t Count = 0;
      SkipNamesInTurn();
      while (Count < Into.size() && FClaimed < FProduced) {
        Into[Count++] = FClaimed++;
        SkipNamesInTurn();
      }
      if (Count > 0 || !Wait || FNoMore) {
        Last = Count > 0 && FNoMore && FClaimed == FProduced;
        return Count;
      }
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
  // A worker found that a name it claimed is not a regular file: it is read in its turn.
  void Defer(std::uint64_t Sequence) {
    bool Wake;
    {
      std::lock_guard Guard(FLock);
      Slot(Sequence).InTurn = true;
      ++FTurnsWaiting;
      Wake = FCallerWaiting && CallerMayGoOn();
    }
    if (Wake)
      FHeadDone.notify_one();
  }

  // The caller: how many more names fit the window.
  std::uint64_t Room() {
    std::lock_guard Guard(FLock);
    return WindowSize - (FProduced - FDelivered);
  }
  // The caller: Count names written into the slots after the last published one are published,
  // Turns of them to be read in their turn; NoMore says the list has ended.
  void Publish(std::uint64_t Count, std::uint64_t Turns, bool NoMore) {
    {
      std::lock_guard Guard(FLock);
      FProduced += Count;
      FTurnsWaiting += Turns;
      FNoMore = NoMore;
    }
    FWorkReady.notify_all();
  }
  std::uint64_t Produced() {
    std::lock_guard Guard(FLock);
    return FProduced;
  }

  enum class THead : std::uint8_t {
    Ready,        // the oldest outcome not yet delivered is done
    Turn,         // the oldest name is to be read in its turn, which has come
    AllDelivered, // every name published was delivered
    NotYet        // the oldest is still being hashed or read
  };
  // The caller: the oldest name not yet delivered, in Head and Sequence. With Block, waits for it
  // to be done or to need the caller, at most Patience.
  THead Head(bool Block, std::chrono::milliseconds Patience, TSlot*& Head,
             std::uint64_t& Sequence) {
    std::unique_lock Guard(FLock);
    if (FDelivered == FProduced)
      return THead::AllDelivered;
    Sequence = FDelivered;
    TSlot& S = Slot(FDelivered);
    Head = &S;
    if (!NeedsCaller(FDelivered) && Block) {
      // Waits for a run of outcomes rather than one, so that the caller and the workers do not
      // take turns at every file.
      FWaitFor = std::min(FDelivered + ProduceStep, FProduced) - 1;
      FCallerWaiting = true;
      FHeadDone.wait_for(Guard, Patience, [&] { return CallerMayGoOn(); });
      FCallerWaiting = false;
    }
    if (S.Done)
      return THead::Ready;
    return S.InTurn && !S.Started ? THead::Turn : THead::NotYet;
  }
  // The caller: the oldest name, whose turn has come, is being read.
  void StartTurn(TSlot& S) {
    std::lock_guard Guard(FLock);
    S.Started = true;
    --FTurnsWaiting;
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
  void SkipNamesInTurn() {
    while (FClaimed < FProduced && Slot(FClaimed).InTurn)
      ++FClaimed;
  }
  // Done, or waiting for its turn, which only the caller gives.
  bool NeedsCaller(std::uint64_t Sequence) {
    const TSlot& S = Slot(Sequence);
    return S.Done || (S.InTurn && !S.Started);
  }
  // The oldest needs the caller, and so does the end of the run it waits for, or some name waits
  // for its turn.
  bool CallerMayGoOn() {
    return NeedsCaller(FDelivered) && (NeedsCaller(FWaitFor) || FTurnsWaiting > 0);
  }

  std::vector<TSlot> FSlots;
  std::mutex FLock;
  std::condition_variable FWorkReady, FHeadDone;
  std::uint64_t FProduced = 0, FClaimed = 0, FDelivered = 0;
  std::uint64_t FWaitFor = 0;      // with the oldest, what the caller waits for
  std::uint64_t FTurnsWaiting = 0; // names to be read in their turn, not started yet
  bool FCallerWaiting = false;
  bool FNoMore = false;
};

} // namespace Sumtide::Cli
