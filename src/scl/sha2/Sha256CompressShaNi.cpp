// The SHA-256 block function on the SHA extensions, two steps to an instruction. sha256rnds2
// keeps the eight chaining words in two xmm registers, A, B, E, F in one and C, D, G, H in the
// other, each in that order from the top lane down.

#include "scl/sha2/Sha2Constants.h"
#include "scl/sha2/Sha2Kernels.h"

#ifdef SUMTIDE_SHA_NI_COMPRESS

#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

// The first 32 bits of the fractional parts of the cube roots of the first 64 primes, aligned
// for the four-word loads.
constexpr const auto& K = Sha256StepConstant;

#define SUMTIDE_SHA_NI_INLINE __attribute__((always_inline, target("sha,sse4.1,ssse3"))) inline

// Steps 4G to 4G + 3. M holds the last 16 message words, four to a register with the first of
// each four in the bottom lane: group G's words replace those of group G - 4. Two steps move
// A, B, E, F to where C, D, G, H were, so the two registers swap roles and swap back.
template <int G>
SUMTIDE_SHA_NI_INLINE void Group(__m128i& Abef, __m128i& Cdgh, __m128i M[4],
                                 const std::uint8_t* Block, __m128i Order) {
  __m128i& W = M[G % 4];
  if constexpr (G < 4) {
    W = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Block + 16 * G)), Order);
  } else {
    // Words G - 7 to G - 4 of the group's four, taken across two registers.
    const __m128i Back7 = _mm_alignr_epi8(M[(G + 3) % 4], M[(G + 2) % 4], 4);
    W = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(W, M[(G + 1) % 4]), Back7),
                             M[(G + 3) % 4]);
  }

  const __m128i WithK =
      _mm_add_epi32(W, _mm_load_si128(reinterpret_cast<const __m128i*>(K + 4 * G)));
  Cdgh = _mm_sha256rnds2_epu32(Cdgh, Abef, WithK);
  Abef = _mm_sha256rnds2_epu32(Abef, Cdgh, _mm_shuffle_epi32(WithK, 0x0e));
}

template <int... G>
SUMTIDE_SHA_NI_INLINE void AllGroups(std::integer_sequence<int, G...>, __m128i& Abef, __m128i& Cdgh,
                                     __m128i M[4], const std::uint8_t* Block, __m128i Order) {
  (Group<G>(Abef, Cdgh, M, Block, Order), ...);
}

#undef SUMTIDE_SHA_NI_INLINE

} // namespace

__attribute__((target("sha,sse4.1,ssse3"))) void
Sha256CompressShaNi(std::uint32_t State[8], const std::uint8_t* Blocks, std::size_t Count) {
  // Swaps the bytes of each word: four words read high byte first, the first in the bottom lane.
  const __m128i Order = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  // D, C, B, A and H, G, F, E from the bottom lane up; their top halves make A, B, E, F and their
  // bottom halves C, D, G, H.
  const __m128i Dcba =
      _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(State)), 0x1b);
  const __m128i Hgfe =
      _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(State + 4)), 0x1b);
  __m128i Abef = _mm_unpackhi_epi64(Hgfe, Dcba);
  __m128i Cdgh = _mm_unpacklo_epi64(Hgfe, Dcba);

  for (; Count > 0; --Count, Blocks += 64) {
    const __m128i AbefIn = Abef;
    const __m128i CdghIn = Cdgh;
    __m128i M[4];
    AllGroups(std::make_integer_sequence<int, 16>{}, Abef, Cdgh, M, Blocks, Order);
    Abef = _mm_add_epi32(Abef, AbefIn);
    Cdgh = _mm_add_epi32(Cdgh, CdghIn);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(State),
                   _mm_shuffle_epi32(_mm_unpackhi_epi64(Cdgh, Abef), 0x1b));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(State + 4),
                   _mm_shuffle_epi32(_mm_unpacklo_epi64(Cdgh, Abef), 0x1b));
}

} // namespace Sumtide::ShaInternal

#endif
