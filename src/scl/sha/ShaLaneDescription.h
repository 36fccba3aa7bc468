#pragma once

// What the lane descriptions of SHA-1 (Sha1Lanes.h) and SHA-256 (Sha256Lanes.h) share for
// THashLanes (HashLanes.h): their kernels by table, and the state's words by index. Private to
// the library.

#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/HashLanes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace Sumtide::ShaInternal {

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

} // namespace Sumtide::ShaInternal
