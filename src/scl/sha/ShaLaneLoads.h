#pragma once

// How the x86 SHA lane kernels take in one block of every lane: as sixteen registers, register J
// holding word J of every lane, high byte first. Private to the library; included by the kernel
// files only, where it is compiled with each function's own target attribute.

#include "scl/sha/ShaCommon.h"

#ifdef SUMTIDE_SHA_LANES_X86

// GCC 12 takes the placeholder its AVX-512 shuffles and rotates pass for the unused masked-off
// result (an undefined vector, initialized from itself) for a value that may be used
// uninitialized, and says so wherever they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define SUMTIDE_LANE_TARGET "avx512f,avx512bw"
#include "scl/lanes/LaneTranspose.h"

namespace Sumtide::ShaInternal::LaneLoads {

#define SUMTIDE_SHA_LOADS_AVX2 __attribute__((always_inline, target("avx2"))) inline
#define SUMTIDE_SHA_LOADS_AVX512 __attribute__((always_inline, target("avx512f,avx512bw"))) inline

// Reverses the bytes of each 32-bit word.
SUMTIDE_SHA_LOADS_AVX2 __m256i ByteSwap(__m256i V) {
  const __m256i Order = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2,
                                         1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  return _mm256_shuffle_epi8(V, Order);
}

SUMTIDE_SHA_LOADS_AVX512 __m512i ByteSwap(__m512i V) {
  const __m512i Order =
      _mm512_broadcast_i32x4(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
  return _mm512_shuffle_epi8(V, Order);
}

// Eight lanes: the block at Read[L] + Offset of lane L, into Word[0] to Word[15] (in memory: the
// AVX2 kernels have no room for them in registers).
SUMTIDE_SHA_LOADS_AVX2 void BigWords(const std::uint8_t* const (&Read)[MaxLanes],
                                     std::size_t Offset, __m256i* Word) {
  for (int Half = 0; Half < 2; ++Half) {
    __m256i T1[8];
    for (int I = 0; I < 4; ++I) {
      const __m256i Even =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Read[2 * I] + Offset + 32 * Half));
      const __m256i Odd = _mm256_loadu_si256(
          reinterpret_cast<const __m256i*>(Read[2 * I + 1] + Offset + 32 * Half));
      T1[2 * I] = _mm256_unpacklo_epi32(Even, Odd);
      T1[2 * I + 1] = _mm256_unpackhi_epi32(Even, Odd);
    }
    // T2[4 * G + M] holds, in its 128-bit half K, word 4 * K + M of lanes 4 * G to 4 * G + 3.
    __m256i T2[8];
    for (int G = 0; G < 2; ++G) {
      T2[4 * G + 0] = _mm256_unpacklo_epi64(T1[4 * G], T1[4 * G + 2]);
      T2[4 * G + 1] = _mm256_unpackhi_epi64(T1[4 * G], T1[4 * G + 2]);
      T2[4 * G + 2] = _mm256_unpacklo_epi64(T1[4 * G + 1], T1[4 * G + 3]);
      T2[4 * G + 3] = _mm256_unpackhi_epi64(T1[4 * G + 1], T1[4 * G + 3]);
    }
    for (int M = 0; M < 4; ++M) {
      Word[8 * Half + M] = ByteSwap(_mm256_permute2x128_si256(T2[M], T2[4 + M], 0x20));
      Word[8 * Half + 4 + M] = ByteSwap(_mm256_permute2x128_si256(T2[M], T2[4 + M], 0x31));
    }
  }
}

// Reverses the bytes of each word of a register, as the shared sixteen-lane load finishes it.
struct TSwapBytes {
  SUMTIDE_SHA_LOADS_AVX512 __m512i operator()(__m512i V) const { return ByteSwap(V); }
};

// Sixteen lanes: the block at Read[L] + Offset of lane L, into Word[0] to Word[15], by sixteen
// loads and 64 shuffles (LaneTranspose.h). On AMD Zen 5 gathering each word of the sixteen lanes
// instead (two vpgatherqd of eight lanes each, the lanes' pointers being 64-bit) hashed 30% less
// with SHA-256 and 35% less with SHA-1.
SUMTIDE_SHA_LOADS_AVX512 void BigWords(const std::uint8_t* const (&Read)[MaxLanes],
                                       std::size_t Offset, __m512i (&Word)[16]) {
  Lanes::TransposeBlocks(Read, Offset, Word, TSwapBytes{});
}

#undef SUMTIDE_SHA_LOADS_AVX2
#undef SUMTIDE_SHA_LOADS_AVX512

} // namespace Sumtide::ShaInternal::LaneLoads

#endif
