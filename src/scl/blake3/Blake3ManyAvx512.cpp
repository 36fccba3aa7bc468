// BLAKE3's many-input function on AVX-512: sixteen inputs at once (Blake3Wide.h), each rotation
// one vprord, the blocks loaded by the lanes' sixteen-way transpose; fewer than sixteen left go
// to the AVX2 one.

#include "scl/blake3/Blake3Kernels.h"

#ifdef SUMTIDE_BLAKE3_X86

// GCC 12 takes the placeholder its AVX-512 shuffles and rotates pass for the unused masked-off
// result (an undefined vector, initialized from itself) for a value that may be used
// uninitialized, and says so wherever they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define SUMTIDE_BLAKE3_TARGET "avx2,avx512f,avx512vl"
#define SUMTIDE_LANE_TARGET "avx2,avx512f,avx512vl"
#include "scl/blake3/Blake3Wide.h"
#include "scl/lanes/LaneTranspose.h"

#include <immintrin.h>

namespace Sumtide::Blake3Internal {

namespace {

#define SUMTIDE_AVX512 __attribute__((always_inline, target("avx2,avx512f,avx512vl"))) inline

struct TAvx512 {
  using TVector = __m512i;
  static constexpr std::size_t Lanes = 16;

  SUMTIDE_AVX512 static __m512i Set(std::uint32_t Word) {
    return _mm512_set1_epi32(static_cast<int>(Word));
  }
  SUMTIDE_AVX512 static __m512i Load(const std::uint32_t* Words) {
    return _mm512_load_si512(Words);
  }
  SUMTIDE_AVX512 static void Store(std::uint32_t* Words, __m512i V) {
    _mm512_store_si512(Words, V);
  }
  SUMTIDE_AVX512 static __m512i Add(__m512i A, __m512i B) { return _mm512_add_epi32(A, B); }
  SUMTIDE_AVX512 static __m512i Xor(__m512i A, __m512i B) { return _mm512_xor_si512(A, B); }
  template <int N> SUMTIDE_AVX512 static __m512i Rotate(__m512i V) {
    return _mm512_ror_epi32(V, N);
  }
  SUMTIDE_AVX512 static void LoadBlocks(const std::uint8_t* const* Inputs, std::size_t Offset,
                                        __m512i (&M)[16]) {
    const std::uint8_t* Read[Sumtide::Lanes::MaxLanes];
    for (std::size_t L = 0; L < Lanes; ++L)
      Read[L] = Inputs[L];
    Sumtide::Lanes::TransposeBlocks(Read, Offset, M);
  }
};

#undef SUMTIDE_AVX512

} // namespace

__attribute__((target("avx2,avx512f,avx512vl"))) void ManyAvx512(const TManyInputs& Work) {
  TWide<TAvx512>::Many(Work, ManyAvx2);
}

} // namespace Sumtide::Blake3Internal

#endif
