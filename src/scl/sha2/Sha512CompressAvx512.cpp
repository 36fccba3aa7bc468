// The SHA-512 block function with its message schedule on AVX-512VL: as the AVX2 one
// (Sha512CompressAvx2.cpp), four message words to a ymm register, with each small sigma in two
// vprorq, a vpsrlq and one vpternlogq that xors all three, and the words read across two
// registers in one valignq. Its steps are arranged for shorter chains (Step below).

#include "scl/cpu/RegisterPin.h"
#include "scl/sha2/Sha2Constants.h"
#include "scl/sha2/Sha2Kernels.h"

#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE

#include <bit>
#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_SHA512_VECTOR                                                                      \
  __attribute__((always_inline, target("avx512f,avx512vl,bmi,bmi2"))) inline

using TWord = std::uint64_t;

// Three rotations side by side. The nested form the portable function uses, which saves a
// register move, ran about 20% slower here: with the schedule out of the general registers there
// are units to spare, and the step waits on two xors after the rotations instead of five
// operations.
template <int R1, int R2, int R3> SUMTIDE_SHA512_VECTOR TWord Sigma(TWord X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ std::rotr(X, R3);
}

// Each sum is pinned in a register (PinInRegister): it stays as formed here, and is neither
// regrouped nor merged with another sum of the same terms.

// Step T adds into D and leaves the new first word in H, with the words named in the roles they
// play at this step, as in the portable function. C is not read: BC holds B ^ C and is left
// holding A ^ B, which is B ^ C at the next step.
//
// Both chains wait on one addition after a big sigma, where the plain form (the AVX2 function's)
// waits on two: about 4% faster on AMD Zen 5, for two more additions a step. The new E is
// (D + H + W[t] + K[t] + choice) + sigma, with the same sum without D, for the new A, formed
// beside it, instead of adding that sum into D last. The new A is (T1 + majority) + sigma, the
// majority being B & C plus A & (B ^ C), whose bits never meet: it is ready one operation after
// A, well before the sigma.
template <int T>
SUMTIDE_SHA512_VECTOR void Step(TWord A, TWord B, TWord& D, TWord E, TWord F, TWord G, TWord& H,
                                TWord& BC, const TWord* WK) {
  const TWord Early = H + WK[T % 16];
  const TWord EarlyWithD = PinInRegister(D + Early);
  // The two halves of the choice never both have a bit set either.
  const TWord Choice = (G & ~E) + (F & E);
  const TWord Sigma1 = Sigma<14, 18, 41>(E);
  const TWord T1 = PinInRegister(Early + Choice) + Sigma1;
  D = PinInRegister(EarlyWithD + Choice) + Sigma1;
  H = PinInRegister(T1 + (B & ~BC) + (A & BC)) + Sigma<28, 34, 39>(A);
  BC = A ^ B;
}

// X ^ Y ^ Z in one vpternlogq: 0x96 is the truth table of the three-way xor.
SUMTIDE_SHA512_VECTOR __m256i Xor3(__m256i X, __m256i Y, __m256i Z) {
  return _mm256_ternarylogic_epi64(X, Y, Z, 0x96);
}

SUMTIDE_SHA512_VECTOR __m128i Xor3(__m128i X, __m128i Y, __m128i Z) {
  return _mm_ternarylogic_epi64(X, Y, Z, 0x96);
}

// rotr(X, 1) ^ rotr(X, 8) ^ (X >> 7).
SUMTIDE_SHA512_VECTOR __m256i SmallSigma0(__m256i X) {
  return Xor3(_mm256_ror_epi64(X, 1), _mm256_ror_epi64(X, 8), _mm256_srli_epi64(X, 7));
}

// rotr(X, 19) ^ rotr(X, 61) ^ (X >> 6), on two words: the words it is taken of are made two at
// a time.
SUMTIDE_SHA512_VECTOR __m128i SmallSigma1(__m128i X) {
  return Xor3(_mm_ror_epi64(X, 19), _mm_ror_epi64(X, 61), _mm_srli_epi64(X, 6));
}

// The four words one place on from Low: its last three and the first of High.
SUMTIDE_SHA512_VECTOR __m256i OnePlaceOn(__m256i Low, __m256i High) {
  return _mm256_alignr_epi64(High, Low, 1);
}

#include "scl/sha2/Sha512WideSchedule.h"

#undef SUMTIDE_SHA512_VECTOR

} // namespace

__attribute__((target("avx512f,avx512vl,bmi,bmi2"))) void
Sha512CompressAvx512(TWord State[8], const std::uint8_t* Blocks, std::size_t Count) {
  CompressBlocks(State, Blocks, Count);
}

} // namespace Sumtide::ShaInternal

#endif
