// The SHA-1 block function on the SHA extensions, four steps to an instruction, with the chaining
// words A to D in one xmm register (A in the top lane) and E beside them; and the check, for this
// function and the SHA-256 one, that the processor has the extensions.

#include "scl/sha1/Sha1Kernels.h"

#ifdef SUMTIDE_SHA_NI_COMPRESS

#include <immintrin.h>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_SHA_NI_INLINE __attribute__((always_inline, target("sha,sse4.1,ssse3"))) inline

// Steps 4G to 4G + 3. M holds the last 16 message words, four to a register with the first of
// each four in the top lane: group G's words replace those of group G - 4. Prev is the ABCD the
// group before started from, whose A, turned by 30, is the E this group starts from.
template <int G>
SUMTIDE_SHA_NI_INLINE void Group(__m128i& Abcd, __m128i& Prev, __m128i E, __m128i M[4],
                                 const std::uint8_t* Block, __m128i Order) {
  __m128i& W = M[G % 4];
  if constexpr (G < 4)
    W = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Block + 16 * G)), Order);
  else
    W = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(W, M[(G + 1) % 4]), M[(G + 2) % 4]),
                           M[(G + 3) % 4]);

  __m128i WithE;
  if constexpr (G == 0)
    WithE = _mm_add_epi32(E, W);
  else
    WithE = _mm_sha1nexte_epu32(Prev, W);
  Prev = Abcd;
  Abcd = _mm_sha1rnds4_epu32(Abcd, WithE, G / 5);
}

template <int... G>
SUMTIDE_SHA_NI_INLINE void AllGroups(std::integer_sequence<int, G...>, __m128i& Abcd, __m128i& Prev,
                                     __m128i E, __m128i M[4], const std::uint8_t* Block,
                                     __m128i Order) {
  (Group<G>(Abcd, Prev, E, M, Block, Order), ...);
}

#undef SUMTIDE_SHA_NI_INLINE

} // namespace

__attribute__((target("sha,sse4.1,ssse3"))) void
Sha1CompressShaNi(std::uint32_t State[5], const std::uint8_t* Blocks, std::size_t Count) {
  // Reverses the 16 bytes: four words read high byte first, the first in the top lane.
  const __m128i Order = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  __m128i Abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(State)), 0x1b);
  // E in the top lane, zeros below: the first group adds it to its first word only.
  __m128i E = _mm_set_epi32(static_cast<int>(State[4]), 0, 0, 0);

  for (; Count > 0; --Count, Blocks += 64) {
    const __m128i AbcdIn = Abcd;
    const __m128i EIn = E;
    __m128i M[4];
    __m128i Prev = Abcd;
    AllGroups(std::make_integer_sequence<int, 20>{}, Abcd, Prev, E, M, Blocks, Order);
    // The E after the last group, added into the E the block started from.
    E = _mm_sha1nexte_epu32(Prev, EIn);
    Abcd = _mm_add_epi32(Abcd, AbcdIn);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(State), _mm_shuffle_epi32(Abcd, 0x1b));
  State[4] = static_cast<std::uint32_t>(_mm_extract_epi32(E, 3));
}

} // namespace Sumtide::ShaInternal

#endif
