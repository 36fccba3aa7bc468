#pragma once

// SHA-256, SHA-224 and SHA-1 of several messages at once (HashLanes.h), on the SHA lane kernels
// (ShaKernels.h). Private to the library.

#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/lanes/HashLanes.h"
#include "scl/sha/ShaKernels.h"

namespace Sumtide {

namespace ShaInternal {

// What the two digests share: their kernels by table, and the state's words by index.
template <class TLaneState, class TLaneBlocks,
          std::span<const FunctionChoice::TCandidate<TLaneBlocks>> (*Table)()>
struct TShaLaneDescriptionBase : TLaneRows<TLaneBlocks, Table> {
  using TState = TLaneState;
  using TBlocks = TLaneBlocks;
  using typename TLaneRows<TLaneBlocks, Table>::TKernel;
  static std::uint32_t& Word(TState& State, std::size_t Word, std::size_t Lane) {
    return State.H[Word][Lane];
  }
};

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

extern template class THashLanes<ShaInternal::TSha256LaneDescription>;
extern template class THashLanes<ShaInternal::TSha224LaneDescription>;
extern template class THashLanes<ShaInternal::TSha1LaneDescription>;
using TSha256Lanes = THashLanes<ShaInternal::TSha256LaneDescription>;
using TSha224Lanes = THashLanes<ShaInternal::TSha224LaneDescription>;
using TSha1Lanes = THashLanes<ShaInternal::TSha1LaneDescription>;

} // namespace Sumtide
