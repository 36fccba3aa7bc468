// BLAKE3's many-input function on SSE4.1: four inputs at once (Blake3Wide.h), the rotations by
// 16 and 8 bits as byte shuffles.

#include "scl/blake3/Blake3Kernels.h"

#ifdef SUMTIDE_BLAKE3_X86

#define SUMTIDE_BLAKE3_TARGET "sse4.1"
#include "scl/blake3/Blake3Wide.h"

#include <immintrin.h>

namespace Sumtide::Blake3Internal {

namespace {

#define SUMTIDE_SSE41 __attribute__((always_inline, target("sse4.1"))) inline

struct TSse41 {
  using TVector = __m128i;
  static constexpr std::size_t Lanes = 4;

  SUMTIDE_SSE41 static __m128i Set(std::uint32_t Word) {
    return _mm_set1_epi32(static_cast<int>(Word));
  }
  SUMTIDE_SSE41 static __m128i Load(const std::uint32_t* Words) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(Words));
  }
  SUMTIDE_SSE41 static void Store(std::uint32_t* Words, __m128i V) {
    _mm_store_si128(reinterpret_cast<__m128i*>(Words), V);
  }
  SUMTIDE_SSE41 static __m128i Add(__m128i A, __m128i B) { return _mm_add_epi32(A, B); }
  SUMTIDE_SSE41 static __m128i Xor(__m128i A, __m128i B) { return _mm_xor_si128(A, B); }
  template <int N> SUMTIDE_SSE41 static __m128i Rotate(__m128i V) {
    if constexpr (N == 16)
      return _mm_shuffle_epi8(V,
                              _mm_set_epi8(13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1, 0, 3, 2));
    else if constexpr (N == 8)
      return _mm_shuffle_epi8(V,
                              _mm_set_epi8(12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0, 3, 2, 1));
    else
      return _mm_or_si128(_mm_srli_epi32(V, N), _mm_slli_epi32(V, 32 - N));
  }
  // Sixteen bytes of each of the four inputs at a time, a 4 x 4 transpose each.
  SUMTIDE_SSE41 static void LoadBlocks(const std::uint8_t* const* Inputs, std::size_t Offset,
                                       __m128i (&M)[16]) {
    for (int Q = 0; Q < 4; ++Q) {
      const std::size_t At = Offset + 16 * static_cast<std::size_t>(Q);
      const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Inputs[0] + At));
      const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Inputs[1] + At));
      const __m128i C = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Inputs[2] + At));
      const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Inputs[3] + At));
      const __m128i AB01 = _mm_unpacklo_epi32(A, B), AB23 = _mm_unpackhi_epi32(A, B);
      const __m128i CD01 = _mm_unpacklo_epi32(C, D), CD23 = _mm_unpackhi_epi32(C, D);
      M[4 * Q + 0] = _mm_unpacklo_epi64(AB01, CD01);
      M[4 * Q + 1] = _mm_unpackhi_epi64(AB01, CD01);
      M[4 * Q + 2] = _mm_unpacklo_epi64(AB23, CD23);
      M[4 * Q + 3] = _mm_unpackhi_epi64(AB23, CD23);
    }
  }
};

#undef SUMTIDE_SSE41

} // namespace

__attribute__((target("sse4.1"))) void ManySse41(const TManyInputs& Work) {
  TWide<TSse41>::Many(Work, ManyPortable);
}

} // namespace Sumtide::Blake3Internal

#endif
