// The SHA-512 block function with its message schedule on AVX2: each ymm register holds four
// consecutive message words, and four new words are made after every four steps. The steps stay
// in general registers and read W[t] + K[t] from a 16-word ring on the stack. Two words to an
// xmm register, made between pairs of steps, ran about 12% slower on AMD Zen 5: more vector
// operations, and more registers than there are, so GCC kept some of the words on the stack.

#include "scl/sha2/Sha2Constants.h"
#include "scl/sha2/Sha2Kernels.h"

#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE

#include <bit>
#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_SHA512_VECTOR __attribute__((always_inline, target("avx2,bmi,bmi2"))) inline

using TWord = std::uint64_t;

// Three rotations side by side. The nested form the portable function uses, which saves a
// register move, runs slower here: with the schedule out of the general registers there are
// units to spare, and the step waits on two xors after the rotations instead of five operations.
template <int R1, int R2, int R3> SUMTIDE_SHA512_VECTOR TWord Sigma(TWord X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ std::rotr(X, R3);
}

// Step T adds into D and leaves the new first word in H, with the words named in the roles they
// play at this step, as in the portable function. C is not read: BC holds B ^ C and is left
// holding A ^ B, which is B ^ C at the next step, so the majority takes three operations. (The
// shorter chains of the AVX-512 function's steps, for two more additions, gain nothing here: this
// function has more vector operations to issue beside them.)
template <int T>
SUMTIDE_SHA512_VECTOR void Step(TWord A, TWord B, TWord& D, TWord E, TWord F, TWord G, TWord& H,
                                TWord& BC, const TWord* WK) {
  // The two halves of the choice never both have a bit set: adding them is or-ing them.
  H += WK[T % 16] + (G & ~E) + (F & E) + Sigma<14, 18, 41>(E);
  D += H;
  const TWord AB = A ^ B;
  H += Sigma<28, 34, 39>(A) + (B ^ (AB & BC));
  BC = AB;
}

// A 64-bit rotation right in each lane: AVX2 has no vector rotation.
template <int R> SUMTIDE_SHA512_VECTOR __m256i Rotr(__m256i X) {
  return _mm256_or_si256(_mm256_srli_epi64(X, R), _mm256_slli_epi64(X, 64 - R));
}

template <int R> SUMTIDE_SHA512_VECTOR __m128i Rotr(__m128i X) {
  return _mm_or_si128(_mm_srli_epi64(X, R), _mm_slli_epi64(X, 64 - R));
}

// rotr(X, 1) ^ rotr(X, 8) ^ (X >> 7); the rotation by a whole byte is a byte shuffle.
SUMTIDE_SHA512_VECTOR __m256i SmallSigma0(__m256i X) {
  const __m256i Rotr8 = _mm256_setr_epi8(1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8, 1, 2,
                                         3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8);
  return _mm256_xor_si256(_mm256_xor_si256(Rotr<1>(X), _mm256_shuffle_epi8(X, Rotr8)),
                          _mm256_srli_epi64(X, 7));
}

// rotr(X, 19) ^ rotr(X, 61) ^ (X >> 6), on two words: the words it is taken of are made two at
// a time.
SUMTIDE_SHA512_VECTOR __m128i SmallSigma1(__m128i X) {
  return _mm_xor_si128(_mm_xor_si128(Rotr<19>(X), Rotr<61>(X)), _mm_srli_epi64(X, 6));
}

// The four words one place on from Low: its last three and the first of High, blended in and
// turned into place.
SUMTIDE_SHA512_VECTOR __m256i OnePlaceOn(__m256i Low, __m256i High) {
  return _mm256_permute4x64_epi64(_mm256_blend_epi32(Low, High, 0x03), 0x39);
}

#include "scl/sha2/Sha512WideSchedule.h"

#undef SUMTIDE_SHA512_VECTOR

} // namespace

__attribute__((target("avx2,bmi,bmi2"))) void
Sha512CompressAvx2(TWord State[8], const std::uint8_t* Blocks, std::size_t Count) {
  CompressBlocks(State, Blocks, Count);
}

} // namespace Sumtide::ShaInternal

#endif
