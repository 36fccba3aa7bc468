// The SHA-256 portable lane kernel: eight lanes, taken four at a time
// (ShaLanesPortableGroups.h).
//
// On AMD Zen 5 (SSE2, -O2) eight lanes hash about 1.7 times the bytes of one stream of the
// single-message block function in the same time.

#include "scl/sha/ShaLanesPortableGroups.h"
#include "scl/sha2/Sha2Kernels.h"
#include "scl/sha2/Sha2PortableSteps.h"

#include <bit>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

using PortableGroups::GroupLanes;
using PortableGroups::TLaneWords;

// Step T in every lane of a group. Word K of V plays role (K + T) % 8 at step T (role 0 is A),
// so the words never move. W holds the last 16 message words: word T replaces word T - 16.
template <int T> [[gnu::always_inline]] inline void Step(TLaneWords (&V)[8], TLaneWords (&W)[16]) {
  if constexpr (T >= 16) {
    const TLaneWords& W15 = W[(T + 1) % 16];
    const TLaneWords& W2 = W[(T + 14) % 16];
    for (std::size_t L = 0; L < GroupLanes; ++L)
      W[T % 16].Lane[L] = Sha2Portable::NextWord<Sha2Portable::TSha256Shape>(
          W[T % 16].Lane[L], W15.Lane[L], W[(T + 9) % 16].Lane[L], W2.Lane[L]);
  }
  constexpr auto R = [](int Role) { return ((Role - T) % 8 + 8) % 8; };
  for (std::size_t L = 0; L < GroupLanes; ++L)
    Sha2Portable::StepWith<Sha2Portable::TSha256Shape, T>(
        V[R(0)].Lane[L], V[R(1)].Lane[L], V[R(2)].Lane[L], V[R(3)].Lane[L], V[R(4)].Lane[L],
        V[R(5)].Lane[L], V[R(6)].Lane[L], V[R(7)].Lane[L], W[T % 16].Lane[L]);
}

// The digest as the shared group code takes it.
struct TDigest {
  static constexpr int Words = 8;
  static constexpr int Steps = 64;
  template <int T>
  [[gnu::always_inline]] static void Step(TLaneWords (&V)[Words], TLaneWords (&W)[16]) {
    ShaInternal::Step<T>(V, W);
  }
};

} // namespace

void Sha256LaneBlocksPortable(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                              std::size_t BlockCount, TLaneMask Active) {
  PortableGroups::LaneBlocks<TDigest>(State, Data, BlockCount, Active);
}

} // namespace Sumtide::ShaInternal
