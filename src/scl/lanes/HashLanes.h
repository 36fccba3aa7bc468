#pragma once

// A block-framed digest (MD5, SHA-1, SHA-224, SHA-256) of several messages at once, one message per
// lane of a lane kernel (Md5Kernels.h, Sha1Kernels.h, Sha2Kernels.h). Private to the library: for
// the programs of this project that hash many files.
//
// A lane goes Free -> (Start) hashing -> (End, and its bytes hashed) Done -> (TakeDigest) Free.
// While hashing it holds at most one piece of its message at a time: Feed gives it one when it
// is hungry, and Run hashes what the lanes hold. Between calls:
//
//   TMd5Lanes Lanes;   (or TSha256Lanes, TSha1Lanes)
//   while (work is left) {
//     for each lane in Lanes.FreeLanes():   Lanes.Start(Lane) with a new message
//     for each lane in Lanes.HungryLanes(): Lanes.Feed(Lane, next piece), or Lanes.End(Lane)
//     Lanes.Run();
//     for each lane in Lanes.DoneLanes():   Lanes.TakeDigest(Lane)
//   }
//
// Whole blocks of a piece are hashed where they lie; only bytes that join a part block are copied
// into the lane. So a piece has to stay valid and unchanged until its lane is hungry again, or
// done. A call in a condition that does not allow it, or for a lane beyond LaneCount(), raises
// ESCL_hash and changes nothing.

#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/LaneTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace Sumtide {

// TDescription tells what one digest brings (MdHash::TMd5 and the lane descriptions of
// Md5Lanes.cpp and ShaLanes.cpp):
//   using TStream;   // the one-message description (SCLmdhash.h): block size, byte order,
//                    // digest size, initial words
//   using TState; using TBlocks;                  // the lane kernels' types
//   static constexpr const char* Name;            // for the error messages
//   using TKernel; static TKernel InUse(); static bool Runs(TKernel);
//   static TBlocks BlocksOf(TKernel); static std::size_t LaneCount(TKernel);
//                                                 // a kernel: TLaneRows gives them from a table
//   static std::uint32_t& Word(TState&, std::size_t Word, std::size_t Lane);
//   static void Single(std::uint32_t* Chain, const std::uint8_t* Blocks, std::size_t Count);
// What a lane description answers about its kernels, from their candidate table (FunctionChoice.h):
// a kernel is a row of Table(), the portable one row 0.
template <class TBlocksFunction,
          std::span<const FunctionChoice::TCandidate<TBlocksFunction>> (*Table)()>
struct TLaneRows {
  using TKernel = std::size_t;
  static bool Runs(TKernel Kernel) { return Kernel < Table().size() && Table()[Kernel].Runs(); }
  static TBlocksFunction BlocksOf(TKernel Kernel) { return Table()[Kernel].Function; }
  static std::size_t LaneCount(TKernel Kernel) { return Table()[Kernel].Lanes; }
};

template <class TDescription> class THashLanes {
public:
  using TLaneMask = Lanes::TLaneMask;
  using TKernel = typename TDescription::TKernel;
  using TStream = typename TDescription::TStream;
  using TDigest = std::array<std::uint8_t, TStream::DigestBytes>;

  // With the kernel this process chose by timing.
  THashLanes();
  // With Kernel, or with the portable one where this processor cannot run it (or there is no such
  // kernel).
  explicit THashLanes(TKernel Kernel);
  // Wipes every lane's chaining words and carried bytes.
  ~THashLanes();
  THashLanes(const THashLanes&) = delete;
  THashLanes& operator=(const THashLanes&) = delete;

  TKernel Kernel() const { return FKernel; }
  std::size_t LaneCount() const { return FLaneCount; }

  // The lanes in each condition, one bit per lane.
  TLaneMask FreeLanes() const;   // no message: Start
  TLaneMask HungryLanes() const; // all its bytes hashed or carried, not ended: Feed or End
  TLaneMask DoneLanes() const;   // the digest is ready: TakeDigest
  // A message with bytes to hash, or ended and not yet finished: Run takes it further.
  TLaneMask RunnableLanes() const;

  // Begins a message in a free lane. The lane is then hungry.
  void Start(std::size_t Lane);
  // The next piece of a hungry lane's message, of any length. What cannot make a whole block
  // with the bytes carried before it is copied into the lane at once, and an empty piece changes
  // nothing, so the lane may still be hungry afterwards.
  void Feed(std::size_t Lane, std::span<const std::uint8_t> Piece);
  // The message in this lane has no bytes beyond those fed. The lane finishes once Run has hashed
  // them (the last piece, if one is held, must stay valid until then).
  void End(std::size_t Lane);
  // Hashes the blocks every runnable lane holds, in one kernel call after another, for as long
  // as all of them have blocks left; it returns once one of them is hungry or done (or when none
  // was runnable), so that the caller can give it what it needs.
  void Run();
  // The digest of a done lane, which is free again.
  TDigest TakeDigest(std::size_t Lane);
  // Drops whatever message the lane holds, in any condition; the lane is free.
  void Drop(std::size_t Lane);

private:
  enum class TCondition : std::uint8_t { Free, Open, Ended, Done };
  // Where the blocks a lane has ready for the kernel come from: its piece, or its own buffer (a
  // block completed from carried bytes, or the padded end of the message).
  enum class TSource : std::uint8_t { None, Piece, Carried, Tail };

  struct TLane {
    TCondition Condition = TCondition::Free;
    TSource Source = TSource::None;
    const std::uint8_t* Ready = nullptr; // the next block for the kernel
    std::size_t ReadyBlocks = 0;
    const std::uint8_t* Piece = nullptr; // what is left of the piece after the ready blocks
    std::size_t PieceLeft = 0;
    std::size_t Carried = 0; // bytes at the start of Buffer
    std::uint64_t Length = 0;
  };

  void CheckLane(std::size_t Lane) const;
  // Makes blocks ready for a lane that has none, from what it holds, or finds it hungry.
  void Settle(std::size_t Lane);
  void Pad(std::size_t Lane);
  void Wipe(std::size_t Lane);

  static constexpr std::size_t BlockSize = TStream::BlockSize;
  static_assert(BlockSize == 64, "the lanes carry at most two 64-byte blocks");

  TKernel FKernel;
  typename TDescription::TBlocks FBlocks;
  std::size_t FLaneCount;
  typename TDescription::TState FState{};
  std::array<TLane, Lanes::MaxLanes> FLanes{};
  // Per lane: the carried bytes under a block, or the last one or two blocks with the padding.
  alignas(64) std::uint8_t FBuffer[Lanes::MaxLanes][128] = {};
};

} // namespace Sumtide
