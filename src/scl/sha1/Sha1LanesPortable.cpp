// The SHA-1 portable lane kernel: eight lanes, taken four at a time
// (ShaLanesPortableGroups.h).
//
// On AMD Zen 5 (SSE2, -O2) eight lanes hash about 1.5 times the bytes of one stream of the
// single-message block function in the same time.

#include "scl/sha/ShaLanesPortableGroups.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha1/Sha1Step.h"

#include <bit>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

using PortableGroups::GroupLanes;
using PortableGroups::TLaneWords;

// Step T in every lane of a group. Word K of V plays role (K + T) % 5 at step T (role 0 is A),
// so the words never move. W holds the last 16 message words: word T replaces word T - 16.
template <int T> [[gnu::always_inline]] inline void Step(TLaneWords (&V)[5], TLaneWords (&W)[16]) {
  if constexpr (T >= 16) {
    for (std::size_t L = 0; L < GroupLanes; ++L)
      W[T % 16].Lane[L] = std::rotl(W[(T + 13) % 16].Lane[L] ^ W[(T + 8) % 16].Lane[L] ^
                                        W[(T + 2) % 16].Lane[L] ^ W[T % 16].Lane[L],
                                    1);
  }
  constexpr auto R = [](int Role) { return ((Role - T) % 5 + 5) % 5; };
  for (std::size_t L = 0; L < GroupLanes; ++L)
    Sha1Step<T>(V[R(0)].Lane[L], V[R(1)].Lane[L], V[R(2)].Lane[L], V[R(3)].Lane[L], V[R(4)].Lane[L],
                W[T % 16].Lane[L]);
}

// The digest as the shared group code takes it.
struct TDigest {
  static constexpr int Words = 5;
  static constexpr int Steps = 80;
  template <int T>
  [[gnu::always_inline]] static void Step(TLaneWords (&V)[Words], TLaneWords (&W)[16]) {
    ShaInternal::Step<T>(V, W);
  }
};

} // namespace

void Sha1LaneBlocksPortable(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active) {
  PortableGroups::LaneBlocks<TDigest>(State, Data, BlockCount, Active);
}

} // namespace Sumtide::ShaInternal
