#pragma once

// MD5 of several messages at once (HashLanes.h), on the MD5 lane kernels (Md5Kernels.h).
// Private to the library.

#include "scl/SCLmd5.h"
#include "scl/lanes/HashLanes.h"
#include "scl/md5/Md5Kernels.h"

namespace Sumtide {

namespace Md5Internal {

struct TMd5LaneDescription : TLaneRows<TLaneBlocks, LaneCandidates> {
  using TStream = MdHash::TMd5;
  using TState = TLaneState;
  using TBlocks = TLaneBlocks;
  static constexpr const char* Name = "MD5";
  static TKernel InUse() { return LaneKernelInUse(); }
  static std::uint32_t& Word(TState& State, std::size_t Word, std::size_t Lane) {
    switch (Word) {
    case 0:
      return State.A[Lane];
    case 1:
      return State.B[Lane];
    case 2:
      return State.C[Lane];
    default:
      return State.D[Lane];
    }
  }
  // One message alone: the single-stream block function in use.
  static void Single(std::uint32_t* Chain, const std::uint8_t* Blocks, std::size_t Count);
};

} // namespace Md5Internal

extern template class THashLanes<Md5Internal::TMd5LaneDescription>;
using TMd5Lanes = THashLanes<Md5Internal::TMd5LaneDescription>;

} // namespace Sumtide
