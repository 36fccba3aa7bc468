#pragma once

// The sixteen-lane load of the AVX-512 lane kernels: one 64-byte block of each of sixteen lanes
// turned into sixteen registers, register J holding word J of every lane, by sixteen loads and 64
// shuffles. Shared by the MD5 kernel (words read low byte first, as loaded) and the SHA kernels
// (words read high byte first: each register's bytes swapped on the way out).
//
// Private to the library; included by kernel files only. Each defines SUMTIDE_LANE_TARGET first,
// the target its kernel is compiled for (at least "avx512f"), so that these functions are inlined
// into it and can call its own helpers. They have internal linkage: each file compiles its own.

#include "scl/lanes/LaneTypes.h"

#ifndef SUMTIDE_LANE_TARGET
#error "define SUMTIDE_LANE_TARGET, the kernel's target, before including LaneTranspose.h"
#endif

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace Sumtide::Lanes {
namespace {

#define SUMTIDE_LANE_TRANSPOSE __attribute__((always_inline, target(SUMTIDE_LANE_TARGET))) inline

// An opaque register move: the compiler must take V as it stands here, so it can neither fold a
// load into the shuffle that takes it (which would read the same row twice) nor fold a sum into
// the operations that wait on the step before.
SUMTIDE_LANE_TRANSPOSE __m512i Pin512(__m512i V) {
  __asm__("" : "+v"(V));
  return V;
}

// The words as loaded.
struct TAsLoaded {
  SUMTIDE_LANE_TRANSPOSE __m512i operator()(__m512i V) const { return V; }
};

// The block at Read[L] + Offset of every lane L, into Word[J], word J of every lane, each register
// passed through Finish on its way out.
template <class TFinish = TAsLoaded>
SUMTIDE_LANE_TRANSPOSE void TransposeBlocks(const std::uint8_t* const (&Read)[MaxLanes],
                                            std::size_t Offset, __m512i (&Word)[16],
                                            TFinish Finish = {}) {
  // Pairs of lanes interleaved by word as they are loaded, then by pair of words: T2[4 * G + M]
  // holds, in its 128-bit part K, word 4 * K + M of lanes 4 * G to 4 * G + 3.
  __m512i T1[16];
#pragma GCC unroll 8
  for (int I = 0; I < 8; ++I) {
    const __m512i Even = Pin512(_mm512_loadu_si512(Read[2 * I] + Offset));
    const __m512i Odd = Pin512(_mm512_loadu_si512(Read[2 * I + 1] + Offset));
    T1[2 * I] = _mm512_unpacklo_epi32(Even, Odd);
    T1[2 * I + 1] = _mm512_unpackhi_epi32(Even, Odd);
  }
  __m512i T2[16];
#pragma GCC unroll 4
  for (int G = 0; G < 4; ++G) {
    T2[4 * G + 0] = _mm512_unpacklo_epi64(T1[4 * G], T1[4 * G + 2]);
    T2[4 * G + 1] = _mm512_unpackhi_epi64(T1[4 * G], T1[4 * G + 2]);
    T2[4 * G + 2] = _mm512_unpacklo_epi64(T1[4 * G + 1], T1[4 * G + 3]);
    T2[4 * G + 3] = _mm512_unpackhi_epi64(T1[4 * G + 1], T1[4 * G + 3]);
  }
  // Then the 128-bit parts gathered across the four groups of lanes.
#pragma GCC unroll 4
  for (int M = 0; M < 4; ++M) {
    const __m512i Low01 = _mm512_shuffle_i32x4(T2[M], T2[4 + M], 0x44);
    const __m512i High01 = _mm512_shuffle_i32x4(T2[M], T2[4 + M], 0xee);
    const __m512i Low23 = _mm512_shuffle_i32x4(T2[8 + M], T2[12 + M], 0x44);
    const __m512i High23 = _mm512_shuffle_i32x4(T2[8 + M], T2[12 + M], 0xee);
    Word[M] = Finish(_mm512_shuffle_i32x4(Low01, Low23, 0x88));
    Word[4 + M] = Finish(_mm512_shuffle_i32x4(Low01, Low23, 0xdd));
    Word[8 + M] = Finish(_mm512_shuffle_i32x4(High01, High23, 0x88));
    Word[12 + M] = Finish(_mm512_shuffle_i32x4(High01, High23, 0xdd));
  }
}

#undef SUMTIDE_LANE_TRANSPOSE

} // namespace
} // namespace Sumtide::Lanes
