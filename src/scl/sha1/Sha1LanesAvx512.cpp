// The SHA-1 AVX-512 lane kernel: sixteen lanes, one in each 32-bit element of a 512-bit register.
// Each step's function of B, C and D is one vpternlogd, the rotations are vprold, and the five
// chaining words and the sixteen message words all stay in registers.

#include "scl/sha1/Sha1Kernels.h"

#ifdef SUMTIDE_SHA_LANES_X86

#include "scl/sha/ShaLaneLoads.h"

#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_LANES_AVX512 __attribute__((always_inline, target("avx512f,avx512bw"))) inline

// vpternlogd truth tables for the operands X, Y, Z in that order: the function of each run of 20
// steps, and its constant.
constexpr int StepTable[4] = {0xca, 0x96, 0xe8, 0x96}; // X ? Y : Z, X ^ Y ^ Z, the majority
constexpr std::uint32_t StepConstant[4] = {0x5a827999, 0x6ed9eba1, 0x8f1bbcdc, 0xca62c1d6};

// Step T adds the new word into E and turns B. Each call names the five words in the roles they
// play at its step, so the words never move between registers; five calls bring the roles back
// to where they started. W holds the last 16 message words: word T replaces word T - 16.
template <int T>
SUMTIDE_LANES_AVX512 void Step(__m512i A, __m512i& B, __m512i C, __m512i D, __m512i& E,
                               __m512i (&W)[16]) {
  if constexpr (T >= 16) {
    const __m512i Three =
        _mm512_ternarylogic_epi32(W[(T + 13) % 16], W[(T + 8) % 16], W[(T + 2) % 16], 0x96);
    W[T % 16] = _mm512_rol_epi32(_mm512_xor_si512(Three, W[T % 16]), 1);
  }
  // What does not wait on the previous step goes into E first.
  E = _mm512_add_epi32(
      E, _mm512_add_epi32(W[T % 16], _mm512_set1_epi32(static_cast<int>(StepConstant[T / 20]))));
  E = _mm512_add_epi32(E, _mm512_ternarylogic_epi32(B, C, D, StepTable[T / 20]));
  E = _mm512_add_epi32(E, _mm512_rol_epi32(A, 5));
  B = _mm512_rol_epi32(B, 30);
}

template <int T> SUMTIDE_LANES_AVX512 void FiveSteps(__m512i (&V)[5], __m512i (&W)[16]) {
  Step<T>(V[0], V[1], V[2], V[3], V[4], W);
  Step<T + 1>(V[4], V[0], V[1], V[2], V[3], W);
  Step<T + 2>(V[3], V[4], V[0], V[1], V[2], W);
  Step<T + 3>(V[2], V[3], V[4], V[0], V[1], W);
  Step<T + 4>(V[1], V[2], V[3], V[4], V[0], W);
}

template <int... Group>
SUMTIDE_LANES_AVX512 void AllSteps(__m512i (&V)[5], __m512i (&W)[16],
                                   std::integer_sequence<int, Group...>) {
  (FiveSteps<5 * Group>(V, W), ...);
}

#undef SUMTIDE_LANES_AVX512

} // namespace

__attribute__((target("avx512f,avx512bw"))) void
Sha1LaneBlocksAvx512(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                     std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx512Lanes, Read);

  __m512i V[5];
  for (int I = 0; I < 5; ++I)
    V[I] = _mm512_load_si512(State.H[I]);
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    __m512i W[16];
    LaneLoads::BigWords(Read, 64 * Block, W);
    __m512i Start[5];
    for (int I = 0; I < 5; ++I)
      Start[I] = V[I];
    AllSteps(V, W, std::make_integer_sequence<int, 16>());
    for (int I = 0; I < 5; ++I)
      V[I] = _mm512_add_epi32(V[I], Start[I]);
  }

  const auto Mask = static_cast<__mmask16>(Active);
  for (int I = 0; I < 5; ++I)
    _mm512_mask_store_epi32(State.H[I], Mask, V[I]);
}

} // namespace Sumtide::ShaInternal

#endif
