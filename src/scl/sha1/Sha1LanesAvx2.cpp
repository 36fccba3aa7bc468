// The SHA-1 AVX2 lane kernel: eight lanes, one in each 32-bit element of a 256-bit register.
// Without a rotate each rotation is two shifts and an or; the five chaining words stay in
// registers, the sixteen message words wait in memory.

#include "scl/sha1/Sha1Kernels.h"

#ifdef SUMTIDE_SHA_LANES_X86

#include "rtl/SecureWipe.h"
#include "scl/sha/ShaLaneLoads.h"

#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_LANES_AVX2 __attribute__((always_inline, target("avx2"))) inline

template <int R> SUMTIDE_LANES_AVX2 __m256i RotateLeft(__m256i X) {
  return _mm256_or_si256(_mm256_slli_epi32(X, R), _mm256_srli_epi32(X, 32 - R));
}

constexpr std::uint32_t StepConstant[4] = {0x5a827999, 0x6ed9eba1, 0x8f1bbcdc, 0xca62c1d6};

// Step T adds the new word into E and turns B. Each call names the five words in the roles they
// play at its step, so the words never move between registers; five calls bring the roles back
// to where they started. W holds the last 16 message words: word T replaces word T - 16.
template <int T>
SUMTIDE_LANES_AVX2 void Step(__m256i A, __m256i& B, __m256i C, __m256i D, __m256i& E, __m256i* W) {
  __m256i X;
  if constexpr (T < 16) {
    X = _mm256_load_si256(W + T);
  } else {
    X = _mm256_xor_si256(
        _mm256_xor_si256(_mm256_load_si256(W + (T + 13) % 16), _mm256_load_si256(W + (T + 8) % 16)),
        _mm256_xor_si256(_mm256_load_si256(W + (T + 2) % 16), _mm256_load_si256(W + T % 16)));
    X = RotateLeft<1>(X);
    if constexpr (T + 3 < 80) // the last three words are used by no later step
      _mm256_store_si256(W + T % 16, X);
  }
  // What does not wait on the previous step goes into E first.
  E = _mm256_add_epi32(
      E, _mm256_add_epi32(X, _mm256_set1_epi32(static_cast<int>(StepConstant[T / 20]))));
  if constexpr (T < 20 || T >= 60 || (T >= 20 && T < 40)) {
    __m256i F;
    if constexpr (T < 20)
      F = _mm256_xor_si256(D, _mm256_and_si256(B, _mm256_xor_si256(C, D)));
    else
      F = _mm256_xor_si256(B, _mm256_xor_si256(C, D));
    E = _mm256_add_epi32(E, F);
  } else {
    // The majority (B & C) | (D & (B ^ C)): the two terms share no bit, so they add, and the
    // second waits on B one operation later than the first.
    E = _mm256_add_epi32(E, _mm256_and_si256(B, C));
    E = _mm256_add_epi32(E, _mm256_and_si256(D, _mm256_xor_si256(B, C)));
  }
  E = _mm256_add_epi32(E, RotateLeft<5>(A));
  B = RotateLeft<30>(B);
}

template <int T> SUMTIDE_LANES_AVX2 void FiveSteps(__m256i (&V)[5], __m256i* W) {
  Step<T>(V[0], V[1], V[2], V[3], V[4], W);
  Step<T + 1>(V[4], V[0], V[1], V[2], V[3], W);
  Step<T + 2>(V[3], V[4], V[0], V[1], V[2], W);
  Step<T + 3>(V[2], V[3], V[4], V[0], V[1], W);
  Step<T + 4>(V[1], V[2], V[3], V[4], V[0], W);
}

template <int... Group>
SUMTIDE_LANES_AVX2 void AllSteps(__m256i (&V)[5], __m256i* W,
                                 std::integer_sequence<int, Group...>) {
  (FiveSteps<5 * Group>(V, W), ...);
}

#undef SUMTIDE_LANES_AVX2

} // namespace

__attribute__((target("avx2"))) void Sha1LaneBlocksAvx2(TSha1LaneState& State,
                                                        const std::uint8_t* const Data[MaxLanes],
                                                        std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx2Lanes, Read);

  __m256i V[5];
  for (int I = 0; I < 5; ++I)
    V[I] = _mm256_load_si256(reinterpret_cast<const __m256i*>(State.H[I]));
  alignas(32) __m256i W[16];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    LaneLoads::BigWords(Read, 64 * Block, W);
    __m256i Start[5];
    for (int I = 0; I < 5; ++I)
      Start[I] = V[I];
    AllSteps(V, W, std::make_integer_sequence<int, 16>());
    for (int I = 0; I < 5; ++I)
      V[I] = _mm256_add_epi32(V[I], Start[I]);
  }

  // AVX2 has no masked store: the lanes that keep their words get them back from State.
  const __m256i Keep =
      _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(Active)),
                                          _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128)),
                         _mm256_setzero_si256());
  for (int I = 0; I < 5; ++I) {
    auto* P = reinterpret_cast<__m256i*>(State.H[I]);
    _mm256_store_si256(P, _mm256_blendv_epi8(V[I], _mm256_load_si256(P), Keep));
  }
  // The message words go with the call.
  SecureZero(W, sizeof W);
}

} // namespace Sumtide::ShaInternal

#endif
