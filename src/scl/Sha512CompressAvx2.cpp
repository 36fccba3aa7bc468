// The SHA-512 block function with its message schedule on AVX2: each ymm register holds four
// consecutive message words, and four new words are made after every four steps. The steps stay
// in general registers and read W[t] + K[t] from a 16-word ring on the stack. Two words to an
// xmm register, made between pairs of steps, ran about 12% slower on AMD Zen 5: more vector
// operations, and more registers than there are, so GCC kept some of the words on the stack.

#include "scl/Sha512CompressVector.h"

#ifdef SUMTIDE_SHA512_VECTOR_COMPRESS

#include <bit>
#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_SHA512_AVX2 __attribute__((always_inline, target("avx2,bmi,bmi2"))) inline

using TWord = std::uint64_t;

// Three rotations side by side. The nested form the portable function uses, which saves a
// register move, runs slower here: with the schedule out of the general registers there are
// units to spare, and the step waits on two xors after the rotations instead of five operations.
template <int R1, int R2, int R3> SUMTIDE_SHA512_AVX2 TWord Sigma(TWord X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ std::rotr(X, R3);
}

// Step T adds into D and leaves the new first word in H, with the words named in the roles they
// play at this step, as in the portable function. C is not read: BC holds B ^ C and is left
// holding A ^ B, which is B ^ C at the next step, so the majority takes three operations. (The
// shorter chains of the AVX-512 function's steps, for two more additions, gain nothing here: this
// function has more vector operations to issue beside them.)
template <int T>
SUMTIDE_SHA512_AVX2 void Step(TWord A, TWord B, TWord& D, TWord E, TWord F, TWord G, TWord& H,
                              TWord& BC, const TWord* WK) {
  // The two halves of the choice never both have a bit set: adding them is or-ing them.
  H += WK[T % 16] + (G & ~E) + (F & E) + Sigma<14, 18, 41>(E);
  D += H;
  const TWord AB = A ^ B;
  H += Sigma<28, 34, 39>(A) + (B ^ (AB & BC));
  BC = AB;
}

// A 64-bit rotation right in each lane: AVX2 has no vector rotation.
template <int R> SUMTIDE_SHA512_AVX2 __m256i Rotr(__m256i X) {
  return _mm256_or_si256(_mm256_srli_epi64(X, R), _mm256_slli_epi64(X, 64 - R));
}

template <int R> SUMTIDE_SHA512_AVX2 __m128i Rotr(__m128i X) {
  return _mm_or_si128(_mm_srli_epi64(X, R), _mm_slli_epi64(X, 64 - R));
}

// rotr(X, 1) ^ rotr(X, 8) ^ (X >> 7); the rotation by a whole byte is a byte shuffle.
SUMTIDE_SHA512_AVX2 __m256i SmallSigma0(__m256i X) {
  const __m256i Rotr8 = _mm256_setr_epi8(1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8, 1, 2,
                                         3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8);
  return _mm256_xor_si256(_mm256_xor_si256(Rotr<1>(X), _mm256_shuffle_epi8(X, Rotr8)),
                          _mm256_srli_epi64(X, 7));
}

// rotr(X, 19) ^ rotr(X, 61) ^ (X >> 6), on two words: the words it is taken of are made two at
// a time.
SUMTIDE_SHA512_AVX2 __m128i SmallSigma1(__m128i X) {
  return _mm_xor_si128(_mm_xor_si128(Rotr<19>(X), Rotr<61>(X)), _mm_srli_epi64(X, 6));
}

// W[t] + K[t] for the four words in X, stored where the steps read word T. The empty asm
// statement says it may change the words it is given, so the steps read them from the stack:
// else GCC takes them out of the vector register it stored, with vmovq and vpextrq, and keeps all
// sixteen in registers until their steps, more than there are beside the schedule's.
template <int T> SUMTIDE_SHA512_AVX2 void StoreWithConstants(__m256i X, TWord* WK) {
  const __m256i Constants =
      _mm256_load_si256(reinterpret_cast<const __m256i*>(Sha512StepConstant + T));
  auto* Four = reinterpret_cast<__m256i*>(WK + T % 16);
  _mm256_store_si256(Four, _mm256_add_epi64(X, Constants));
  __asm__("" : "+m"(*Four));
}

// X[I] holds words 4I to 4I + 3 of the block, read high byte first.
template <int... I>
SUMTIDE_SHA512_AVX2 void LoadBlock(__m256i (&X)[4], TWord* WK, const std::uint8_t* Block,
                                   std::integer_sequence<int, I...>) {
  const __m256i Swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                                        5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  ((X[I] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Block + 32 * I)),
                               Swap),
    StoreWithConstants<4 * I>(X[I], WK)),
   ...);
}

// The four words one place on from Low: its last three and the first of High, blended in and
// turned into place.
SUMTIDE_SHA512_AVX2 __m256i OnePlaceOn(__m256i Low, __m256i High) {
  return _mm256_permute4x64_epi64(_mm256_blend_epi32(Low, High, 0x03), 0x39);
}

// Words T to T + 3, from T >= 16, replace words T - 16 to T - 13 in X. Words T + 2 and T + 3 take
// the small sigma of words T and T + 1, so the four are finished two at a time.
template <int T> SUMTIDE_SHA512_AVX2 void ScheduleFour(__m256i (&X)[4], TWord* WK) {
  if constexpr (T < 80) {
    constexpr int I = T / 4 % 4;
    const __m256i Sum =
        _mm256_add_epi64(_mm256_add_epi64(X[I], SmallSigma0(OnePlaceOn(X[I], X[(I + 1) % 4]))),
                         OnePlaceOn(X[(I + 2) % 4], X[(I + 3) % 4]));
    const __m128i Low = _mm_add_epi64(_mm256_castsi256_si128(Sum),
                                      SmallSigma1(_mm256_extracti128_si256(X[(I + 3) % 4], 1)));
    const __m128i High = _mm_add_epi64(_mm256_extracti128_si256(Sum, 1), SmallSigma1(Low));
    X[I] = _mm256_inserti128_si256(_mm256_castsi128_si256(Low), High, 1);
    StoreWithConstants<T>(X[I], WK);
  }
}

// Eight steps, which bring the roles back to where they started, and after each four of them the
// four words that take the place of the ones those steps read.
template <int T>
SUMTIDE_SHA512_AVX2 void EightSteps(TWord& A, TWord& B, TWord& C, TWord& D, TWord& E, TWord& F,
                                    TWord& G, TWord& H, TWord& BC, __m256i (&X)[4], TWord* WK) {
  Step<T>(A, B, D, E, F, G, H, BC, WK);
  Step<T + 1>(H, A, C, D, E, F, G, BC, WK);
  Step<T + 2>(G, H, B, C, D, E, F, BC, WK);
  Step<T + 3>(F, G, A, B, C, D, E, BC, WK);
  ScheduleFour<T + 16>(X, WK);
  Step<T + 4>(E, F, H, A, B, C, D, BC, WK);
  Step<T + 5>(D, E, G, H, A, B, C, BC, WK);
  Step<T + 6>(C, D, F, G, H, A, B, BC, WK);
  Step<T + 7>(B, C, E, F, G, H, A, BC, WK);
  ScheduleFour<T + 20>(X, WK);
}

template <int... Group>
SUMTIDE_SHA512_AVX2 void AllSteps(std::integer_sequence<int, Group...>, TWord& A, TWord& B,
                                  TWord& C, TWord& D, TWord& E, TWord& F, TWord& G, TWord& H,
                                  __m256i (&X)[4], TWord* WK) {
  TWord BC = B ^ C;
  (EightSteps<8 * Group>(A, B, C, D, E, F, G, H, BC, X, WK), ...);
}

#undef SUMTIDE_SHA512_AVX2

} // namespace

bool HasSha512Avx2() {
  // The processor's own list of what it supports, which counts AVX2 only where the operating
  // system saves the ymm registers (CPUID and XGETBV).
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2");
}

__attribute__((target("avx2,bmi,bmi2"))) void
Sha512CompressAvx2(TWord State[8], const std::uint8_t* Blocks, std::size_t Count) {
  alignas(32) TWord WK[16];
  for (; Count > 0; --Count, Blocks += 128) {
    __m256i X[4];
    LoadBlock(X, WK, Blocks, std::make_integer_sequence<int, 4>{});
    TWord A = State[0], B = State[1], C = State[2], D = State[3];
    TWord E = State[4], F = State[5], G = State[6], H = State[7];
    AllSteps(std::make_integer_sequence<int, 10>{}, A, B, C, D, E, F, G, H, X, WK);
    State[0] += A;
    State[1] += B;
    State[2] += C;
    State[3] += D;
    State[4] += E;
    State[5] += F;
    State[6] += G;
    State[7] += H;
  }
}

} // namespace Sumtide::ShaInternal

#else

namespace Sumtide::ShaInternal {

bool HasSha512Avx2() {
  return false;
}

} // namespace Sumtide::ShaInternal

#endif
