#pragma once

// What the portable SHA-1 and SHA-256 lane kernels (Sha1LanesPortable.cpp, Sha256LanesPortable.cpp)
// share: their eight lanes are hashed four at a time, each step a loop over the four lanes of a
// group. Each loop has a fixed count of four and no lane depends on another, so GCC's vectorizer
// turns it into operations on four-lane vector registers at -O2 (SSE2 on x86-64; the loops are as
// plain for NEON on Arm); the same steps written out lane by lane stayed in general registers, the
// SLP vectorizer finding no store to start from in them. Private to the library.

#include "rtl/SecureWipe.h"
#include "scl/sha/ShaCommon.h"
#include "scl/sha/ShaWords.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace Sumtide::ShaInternal::PortableGroups {

// Four lanes at a time: the chaining words of a group fit in the sixteen vector registers of SSE2
// or NEON beside the step's temporaries; those of eight lanes at once did not, and the compiler
// kept moving them to memory and back.
inline constexpr std::size_t GroupLanes = 4;

// One word of every lane of a group.
struct TLaneWords {
  std::uint32_t Lane[GroupLanes];
};

// TDigest gives Words (chaining words), Steps, and Step<T>(V, W): step T in every lane of a group,
// with W holding the last 16 message words (word T replaces word T - 16).
template <class TDigest, int... T>
[[gnu::always_inline]] inline void AllSteps(TLaneWords (&V)[TDigest::Words], TLaneWords (&W)[16],
                                            std::integer_sequence<int, T...>) {
  (TDigest::template Step<T>(V, W), ...);
}

// Adds BlockCount blocks of the group of lanes reading at Read[0] to Read[GroupLanes - 1] into
// Chain, with W for their message words. The chaining words are worked on in a copy of this
// function's own, which the compiler knows no store to W can reach (with Chain itself it reloaded
// them after each store, and hashed a third slower); W is the caller's so that it stays in memory
// rather than crowd the registers.
template <class TDigest>
[[gnu::noinline]] void GroupBlocks(TLaneWords (&Chain)[TDigest::Words],
                                   const std::uint8_t* const* Read, std::size_t BlockCount,
                                   TLaneWords (&W)[16]) {
  constexpr int Words = TDigest::Words;
  TLaneWords V[Words];
  for (int I = 0; I < Words; ++I)
    V[I] = Chain[I];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    for (std::size_t L = 0; L < GroupLanes; ++L)
      for (int J = 0; J < 16; ++J)
        W[J].Lane[L] = LoadBig32(Read[L] + 64 * Block + 4 * J);
    TLaneWords Start[Words];
    for (int I = 0; I < Words; ++I)
      Start[I] = V[I];
    AllSteps<TDigest>(V, W, std::make_integer_sequence<int, TDigest::Steps>());
    for (int I = 0; I < Words; ++I)
      for (std::size_t L = 0; L < GroupLanes; ++L)
        V[I].Lane[L] += Start[I].Lane[L];
  }
  for (int I = 0; I < Words; ++I)
    Chain[I] = V[I];
}

// The lane kernel: every group of lanes in turn, the chaining words of the active lanes updated.
template <class TDigest, class TState>
[[gnu::always_inline]] inline void LaneBlocks(TState& State,
                                              const std::uint8_t* const Data[MaxLanes],
                                              std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  constexpr int Words = TDigest::Words;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, PortableLanes, Read);

  TLaneWords W[16];
  for (std::size_t First = 0; First < PortableLanes; First += GroupLanes) {
    TLaneWords V[Words];
    for (int I = 0; I < Words; ++I)
      for (std::size_t L = 0; L < GroupLanes; ++L)
        V[I].Lane[L] = State.H[I][First + L];
    GroupBlocks<TDigest>(V, Read + First, BlockCount, W);
    for (std::size_t L = 0; L < GroupLanes; ++L) {
      if ((Active >> (First + L) & 1) == 0)
        continue;
      for (int I = 0; I < Words; ++I)
        State.H[I][First + L] = V[I].Lane[L];
    }
  }
  // The message words are on the stack: they go with the call.
  SecureZero(W, sizeof W);
}

} // namespace Sumtide::ShaInternal::PortableGroups
