#pragma once

// SHA-256 and SHA-224 of several messages at once (HashLanes.h), on the SHA-256 lane kernels
// (Sha2Kernels.h). Private to the library.

#include "scl/SCLsha256.h"
#include "scl/lanes/HashLanes.h"
#include "scl/sha/ShaLaneDescription.h"
#include "scl/sha2/Sha2Kernels.h"

namespace Sumtide {

namespace ShaInternal {

struct TSha256LaneDescription
    : TShaLaneDescriptionBase<TSha256LaneState, TSha256LaneBlocks, Sha256LaneCandidates> {
  using TStream = MdHash::TSha256;
  static constexpr const char* Name = "SHA-256";
  static TKernel InUse() { return Sha256LaneKernelInUse(); }
  static void Single(std::uint32_t* Chain, const std::uint8_t* Blocks, std::size_t Count) {
    TStream::Compress(Chain, Blocks, Count);
  }
};

// SHA-224: SHA-256's kernels from other initial words, the digest cut to 28 bytes.
struct TSha224LaneDescription : TSha256LaneDescription {
  using TStream = MdHash::TSha224;
  static constexpr const char* Name = "SHA-224";
};

} // namespace ShaInternal

extern template class THashLanes<ShaInternal::TSha256LaneDescription>;
extern template class THashLanes<ShaInternal::TSha224LaneDescription>;
using TSha256Lanes = THashLanes<ShaInternal::TSha256LaneDescription>;
using TSha224Lanes = THashLanes<ShaInternal::TSha224LaneDescription>;

} // namespace Sumtide
