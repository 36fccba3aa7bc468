// BLAKE3's many-input function on AVX2: eight inputs at once (Blake3Wide.h), the rotations by 16
// and 8 bits as byte shuffles; fewer than eight left go to the SSE4.1 one.

#include "scl/blake3/Blake3Kernels.h"

#ifdef SUMTIDE_BLAKE3_X86

#define SUMTIDE_BLAKE3_TARGET "avx2"
#include "scl/blake3/Blake3Wide.h"

#include <immintrin.h>

namespace Sumtide::Blake3Internal {

namespace {

#define SUMTIDE_AVX2 __attribute__((always_inline, target("avx2"))) inline

struct TAvx2 {
  using TVector = __m256i;
  static constexpr std::size_t Lanes = 8;

  SUMTIDE_AVX2 static __m256i Set(std::uint32_t Word) {
    return _mm256_set1_epi32(static_cast<int>(Word));
  }
  SUMTIDE_AVX2 static __m256i Load(const std::uint32_t* Words) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(Words));
  }
  SUMTIDE_AVX2 static void Store(std::uint32_t* Words, __m256i V) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(Words), V);
  }
  SUMTIDE_AVX2 static __m256i Add(__m256i A, __m256i B) { return _mm256_add_epi32(A, B); }
  SUMTIDE_AVX2 static __m256i Xor(__m256i A, __m256i B) { return _mm256_xor_si256(A, B); }
  template <int N> SUMTIDE_AVX2 static __m256i Rotate(__m256i V) {
    if constexpr (N == 16)
      return _mm256_shuffle_epi8(V, _mm256_set_epi8(13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1, 0,
                                                    3, 2, 13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6,
                                                    1, 0, 3, 2));
    else if constexpr (N == 8)
      return _mm256_shuffle_epi8(V, _mm256_set_epi8(12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0, 3,
                                                    2, 1, 12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5,
                                                    0, 3, 2, 1));
    else
      return _mm256_or_si256(_mm256_srli_epi32(V, N), _mm256_slli_epi32(V, 32 - N));
  }
  // Thirty-two bytes of each of the eight inputs at a time, an 8 x 8 transpose each.
  SUMTIDE_AVX2 static void LoadBlocks(const std::uint8_t* const* Inputs, std::size_t Offset,
                                      __m256i (&M)[16]) {
    for (int H = 0; H < 2; ++H) {
      const std::size_t At = Offset + 32 * static_cast<std::size_t>(H);
      __m256i R[8];
      for (int L = 0; L < 8; ++L)
        R[L] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Inputs[L] + At));
      __m256i T[8];
      for (int P = 0; P < 4; ++P) {
        T[2 * P] = _mm256_unpacklo_epi32(R[2 * P], R[2 * P + 1]);
        T[2 * P + 1] = _mm256_unpackhi_epi32(R[2 * P], R[2 * P + 1]);
      }
      // U[4 * G + K]: word K (low half) and word K + 4 (high half) of lanes 4G to 4G + 3.
      __m256i U[8];
      for (int G = 0; G < 2; ++G) {
        U[4 * G + 0] = _mm256_unpacklo_epi64(T[4 * G], T[4 * G + 2]);
        U[4 * G + 1] = _mm256_unpackhi_epi64(T[4 * G], T[4 * G + 2]);
        U[4 * G + 2] = _mm256_unpacklo_epi64(T[4 * G + 1], T[4 * G + 3]);
        U[4 * G + 3] = _mm256_unpackhi_epi64(T[4 * G + 1], T[4 * G + 3]);
      }
      for (int K = 0; K < 4; ++K) {
        M[8 * H + K] = _mm256_permute2x128_si256(U[K], U[4 + K], 0x20);
        M[8 * H + K + 4] = _mm256_permute2x128_si256(U[K], U[4 + K], 0x31);
      }
    }
  }
};

#undef SUMTIDE_AVX2

} // namespace

__attribute__((target("avx2"))) void ManyAvx2(const TManyInputs& Work) {
  TWide<TAvx2>::Many(Work, ManySse41);
}

} // namespace Sumtide::Blake3Internal

#endif
