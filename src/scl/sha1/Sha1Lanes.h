#pragma once

// SHA-1 of several messages at once (HashLanes.h), on the SHA-1 lane kernels (Sha1Kernels.h).
// Private to the library.

#include "scl/SCLsha1.h"
#include "scl/lanes/HashLanes.h"
#include "scl/sha/ShaLaneDescription.h"
#include "scl/sha1/Sha1Kernels.h"

namespace Sumtide {

namespace ShaInternal {

struct TSha1LaneDescription
    : TShaLaneDescriptionBase<TSha1LaneState, TSha1LaneBlocks, Sha1LaneCandidates> {
  using TStream = MdHash::TSha1;
  static constexpr const char* Name = "SHA-1";
  static TKernel InUse() { return Sha1LaneKernelInUse(); }
  static void Single(std::uint32_t* Chain, const std::uint8_t* Blocks, std::size_t Count) {
    TStream::Compress(Chain, Blocks, Count);
  }
};

} // namespace ShaInternal

extern template class THashLanes<ShaInternal::TSha1LaneDescription>;
using TSha1Lanes = THashLanes<ShaInternal::TSha1LaneDescription>;

} // namespace Sumtide
