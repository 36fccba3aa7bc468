#pragma once

// What every lane set shares, whatever the digest: several independent messages hashed at once,
// one per lane of a vector register (or one per stream). Private to the library but for
// DigestLanes.h, which hands the same numbers to programs.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide::Lanes {

// No lane set has more lanes than this.
inline constexpr std::size_t MaxLanes = 16;

// One bit per lane, lane 0 in the lowest.
using TLaneMask = std::uint32_t;

// The pointers a lane kernel reads, Lanes of them: an idle lane reads the blocks of the lowest
// active lane, so that every lane steps through valid memory alike, and its results are dropped.
// Active must not be 0.
inline void LanePointers(const std::uint8_t* const Data[MaxLanes], TLaneMask Active,
                         std::size_t Lanes, const std::uint8_t* Read[MaxLanes]) {
  const std::uint8_t* const Stand = Data[std::countr_zero(Active)];
  for (std::size_t L = 0; L < Lanes; ++L)
    Read[L] = (Active >> L & 1) != 0 ? Data[L] : Stand;
}

} // namespace Sumtide::Lanes
