// The AVX2 lane kernel: eight lanes, one in each 32-bit element of a 256-bit register. Without
// a rotate or a three-input logic instruction a step waits on five or six operations; what does
// not need B (the message word, the constant, the terms in C and D alone) goes into A first,
// beside that chain.

#include "scl/md5/Md5Kernels.h"

#ifdef SUMTIDE_MD5_LANES_X86

#include "rtl/SecureWipe.h"
#include "scl/md5/Md5StepTable.h"

#include <immintrin.h>
#include <utility>

namespace Sumtide::Md5Internal {

namespace {

#define SUMTIDE_LANES_AVX2 __attribute__((always_inline, target("avx2"))) inline

template <int Shift> SUMTIDE_LANES_AVX2 __m256i RotateLeft(__m256i X) {
  return _mm256_or_si256(_mm256_slli_epi32(X, Shift), _mm256_srli_epi32(X, 32 - Shift));
}

template <int Step> SUMTIDE_LANES_AVX2 void LaneStep(__m256i (&V)[4], const __m256i* Word) {
  constexpr int Target = StepTarget(Step);
  __m256i& A = V[Target];
  const __m256i B = V[(Target + 1) % 4];
  const __m256i C = V[(Target + 2) % 4];
  const __m256i D = V[(Target + 3) % 4];
  __m256i Sum = _mm256_add_epi32(
      A, _mm256_add_epi32(_mm256_load_si256(Word + StepWord(Step)),
                          _mm256_set1_epi32(static_cast<int>(StepConstant[Step]))));
  __m256i F;
  if constexpr (Step < 16) {
    // D ^ (B & (C ^ D))
    F = _mm256_xor_si256(D, _mm256_and_si256(B, _mm256_xor_si256(C, D)));
  } else if constexpr (Step < 32) {
    // (B & D) | (C & ~D): the two terms share no bit, so they add, and C & ~D goes in first.
    Sum = _mm256_add_epi32(Sum, _mm256_andnot_si256(D, C));
    F = _mm256_and_si256(B, D);
  } else if constexpr (Step < 48) {
    F = _mm256_xor_si256(B, _mm256_xor_si256(C, D));
  } else {
    // C ^ (B | ~D)
    const __m256i NotD = _mm256_xor_si256(D, _mm256_set1_epi32(-1));
    F = _mm256_xor_si256(C, _mm256_or_si256(B, NotD));
  }
  A = _mm256_add_epi32(RotateLeft<StepShift(Step)>(_mm256_add_epi32(Sum, F)), B);
}

template <int... Step>
SUMTIDE_LANES_AVX2 void AllSteps(__m256i (&V)[4], const __m256i* Word,
                                 std::integer_sequence<int, Step...>) {
  (LaneStep<Step>(V, Word), ...);
}

// Turns Row[L], eight words of lane L, into Word[J], word J of every lane.
SUMTIDE_LANES_AVX2 void Transpose(const __m256i (&Row)[8], __m256i* Word) {
  __m256i T1[8];
  for (int I = 0; I < 4; ++I) {
    T1[2 * I] = _mm256_unpacklo_epi32(Row[2 * I], Row[2 * I + 1]);
    T1[2 * I + 1] = _mm256_unpackhi_epi32(Row[2 * I], Row[2 * I + 1]);
  }
  // T2[4 * G + M] holds, in its 128-bit half K, word 4 * K + M of rows 4 * G to 4 * G + 3.
  __m256i T2[8];
  for (int G = 0; G < 2; ++G) {
    T2[4 * G + 0] = _mm256_unpacklo_epi64(T1[4 * G], T1[4 * G + 2]);
    T2[4 * G + 1] = _mm256_unpackhi_epi64(T1[4 * G], T1[4 * G + 2]);
    T2[4 * G + 2] = _mm256_unpacklo_epi64(T1[4 * G + 1], T1[4 * G + 3]);
    T2[4 * G + 3] = _mm256_unpackhi_epi64(T1[4 * G + 1], T1[4 * G + 3]);
  }
  for (int M = 0; M < 4; ++M) {
    _mm256_store_si256(Word + M, _mm256_permute2x128_si256(T2[M], T2[4 + M], 0x20));
    _mm256_store_si256(Word + 4 + M, _mm256_permute2x128_si256(T2[M], T2[4 + M], 0x31));
  }
}

#undef SUMTIDE_LANES_AVX2

} // namespace

__attribute__((target("avx2"))) void LaneBlocksAvx2(TLaneState& State,
                                                    const std::uint8_t* const Data[MaxLanes],
                                                    std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx2Lanes, Read);

  __m256i V[4] = {_mm256_load_si256(reinterpret_cast<const __m256i*>(State.A)),
                  _mm256_load_si256(reinterpret_cast<const __m256i*>(State.B)),
                  _mm256_load_si256(reinterpret_cast<const __m256i*>(State.C)),
                  _mm256_load_si256(reinterpret_cast<const __m256i*>(State.D))};
  // Sixteen words of eight lanes take all sixteen registers, so they wait in memory, from where
  // each step adds its word.
  alignas(32) __m256i Word[16];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    for (int Half = 0; Half < 2; ++Half) {
      __m256i Row[8];
      for (std::size_t L = 0; L < Avx2Lanes; ++L)
        Row[L] =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Read[L] + 64 * Block + 32 * Half));
      Transpose(Row, Word + 8 * Half);
    }
    const __m256i Start[4] = {V[0], V[1], V[2], V[3]};
    AllSteps(V, Word, std::make_integer_sequence<int, 64>());
    for (int I = 0; I < 4; ++I)
      V[I] = _mm256_add_epi32(V[I], Start[I]);
  }

  // AVX2 has no masked store: the lanes that keep their words get them back from State.
  const __m256i Keep =
      _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(Active)),
                                          _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128)),
                         _mm256_setzero_si256());
  std::uint32_t* const Out[4] = {State.A, State.B, State.C, State.D};
  for (int I = 0; I < 4; ++I) {
    auto* P = reinterpret_cast<__m256i*>(Out[I]);
    _mm256_store_si256(P, _mm256_blendv_epi8(V[I], _mm256_load_si256(P), Keep));
  }
  // The message words go with the call.
  SecureZero(Word, sizeof Word);
}

} // namespace Sumtide::Md5Internal

#endif
