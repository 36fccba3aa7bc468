// The SHA-512 block function with its message schedule on AVX-512VL: as the AVX2 one
// (Sha512CompressAvx2.cpp), four message words to a ymm register, with each small sigma in two
// vprorq, a vpsrlq and one vpternlogq that xors all three, and the words read across two
// registers in one valignq. Its steps are arranged for shorter chains (Step below).

#include "scl/Sha512CompressVector.h"

#ifdef SUMTIDE_SHA512_VECTOR_COMPRESS

#include <bit>
#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_SHA512_AVX512                                                                      \
  __attribute__((always_inline, target("avx512f,avx512vl,bmi,bmi2"))) inline

using TWord = std::uint64_t;

// Three rotations side by side. The nested form the portable function uses, which saves a
// register move, ran about 20% slower here: with the schedule out of the general registers there
// are units to spare, and the step waits on two xors after the rotations instead of five
// operations.
template <int R1, int R2, int R3> SUMTIDE_SHA512_AVX512 TWord Sigma(TWord X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ std::rotr(X, R3);
}

// An opaque register move: the sum V holds stays as formed here, and is neither regrouped nor
// merged with another sum of the same terms.
SUMTIDE_SHA512_AVX512 TWord Pin(TWord V) {
  __asm__("" : "+r"(V));
  return V;
}

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
SUMTIDE_SHA512_AVX512 void Step(TWord A, TWord B, TWord& D, TWord E, TWord F, TWord G, TWord& H,
                                TWord& BC, const TWord* WK) {
  const TWord Early = H + WK[T % 16];
  const TWord EarlyWithD = Pin(D + Early);
  // The two halves of the choice never both have a bit set either.
  const TWord Choice = (G & ~E) + (F & E);
  const TWord Sigma1 = Sigma<14, 18, 41>(E);
  const TWord T1 = Pin(Early + Choice) + Sigma1;
  D = Pin(EarlyWithD + Choice) + Sigma1;
  H = Pin(T1 + (B & ~BC) + (A & BC)) + Sigma<28, 34, 39>(A);
  BC = A ^ B;
}

// X ^ Y ^ Z in one vpternlogq: 0x96 is the truth table of the three-way xor.
SUMTIDE_SHA512_AVX512 __m256i Xor3(__m256i X, __m256i Y, __m256i Z) {
  return _mm256_ternarylogic_epi64(X, Y, Z, 0x96);
}

SUMTIDE_SHA512_AVX512 __m128i Xor3(__m128i X, __m128i Y, __m128i Z) {
  return _mm_ternarylogic_epi64(X, Y, Z, 0x96);
}

// rotr(X, 1) ^ rotr(X, 8) ^ (X >> 7).
SUMTIDE_SHA512_AVX512 __m256i SmallSigma0(__m256i X) {
  return Xor3(_mm256_ror_epi64(X, 1), _mm256_ror_epi64(X, 8), _mm256_srli_epi64(X, 7));
}

// rotr(X, 19) ^ rotr(X, 61) ^ (X >> 6), on two words: the words it is taken of are made two at
// a time.
SUMTIDE_SHA512_AVX512 __m128i SmallSigma1(__m128i X) {
  return Xor3(_mm_ror_epi64(X, 19), _mm_ror_epi64(X, 61), _mm_srli_epi64(X, 6));
}

// W[t] + K[t] for the four words in X, stored where the steps read word T. The empty asm
// statement says it may change the words it is given, so the steps read them from the stack:
// else GCC takes them out of the vector register it stored, with vmovq and vpextrq, and keeps all
// sixteen in registers until their steps, more than there are beside the schedule's.
template <int T> SUMTIDE_SHA512_AVX512 void StoreWithConstants(__m256i X, TWord* WK) {
  const __m256i Constants =
      _mm256_load_si256(reinterpret_cast<const __m256i*>(Sha512StepConstant + T));
  auto* Four = reinterpret_cast<__m256i*>(WK + T % 16);
  _mm256_store_si256(Four, _mm256_add_epi64(X, Constants));
  __asm__("" : "+m"(*Four));
}

// X[I] holds words 4I to 4I + 3 of the block, read high byte first.
template <int... I>
SUMTIDE_SHA512_AVX512 void LoadBlock(__m256i (&X)[4], TWord* WK, const std::uint8_t* Block,
                                     std::integer_sequence<int, I...>) {
  const __m256i Swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                                        5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  ((X[I] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Block + 32 * I)),
                               Swap),
    StoreWithConstants<4 * I>(X[I], WK)),
   ...);
}

// The four words one place on from Low: its last three and the first of High.
SUMTIDE_SHA512_AVX512 __m256i OnePlaceOn(__m256i Low, __m256i High) {
  return _mm256_alignr_epi64(High, Low, 1);
}

// Words T to T + 3, from T >= 16, replace words T - 16 to T - 13 in X. Words T + 2 and T + 3 take
// the small sigma of words T and T + 1, so the four are finished two at a time.
template <int T> SUMTIDE_SHA512_AVX512 void ScheduleFour(__m256i (&X)[4], TWord* WK) {
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
SUMTIDE_SHA512_AVX512 void EightSteps(TWord& A, TWord& B, TWord& C, TWord& D, TWord& E, TWord& F,
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
SUMTIDE_SHA512_AVX512 void AllSteps(std::integer_sequence<int, Group...>, TWord& A, TWord& B,
                                    TWord& C, TWord& D, TWord& E, TWord& F, TWord& G, TWord& H,
                                    __m256i (&X)[4], TWord* WK) {
  TWord BC = B ^ C;
  (EightSteps<8 * Group>(A, B, C, D, E, F, G, H, BC, X, WK), ...);
}

#undef SUMTIDE_SHA512_AVX512

} // namespace

bool HasSha512Avx512() {
  // The processor's own list of what it supports, which counts AVX-512 only where the operating
  // system saves the zmm and mask registers (CPUID and XGETBV).
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
}

__attribute__((target("avx512f,avx512vl,bmi,bmi2"))) void
Sha512CompressAvx512(TWord State[8], const std::uint8_t* Blocks, std::size_t Count) {
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

bool HasSha512Avx512() {
  return false;
}

} // namespace Sumtide::ShaInternal

#endif
