// The SHA-256 AVX-512 lane kernel: sixteen lanes, one in each 32-bit element of a 512-bit
// register. Each of the four functions of a step (Ch, Maj and the two Sigmas) ends in one
// vpternlogd, the rotations are vprord, and the eight chaining words and the sixteen message words
// all stay in registers.

#include "scl/cpu/RegisterPin.h"
#include "scl/sha2/Sha2Kernels.h"

#ifdef SUMTIDE_SHA_LANES_X86

#include "scl/sha/ShaLaneLoads.h"
#include "scl/sha2/Sha2Constants.h"

#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_LANES_AVX512 __attribute__((always_inline, target("avx512f,avx512bw"))) inline

// vpternlogd truth tables for the operands X, Y, Z in that order.
constexpr int Xor3 = 0x96;   // X ^ Y ^ Z
constexpr int Choose = 0xca; // X ? Y : Z
constexpr int Major = 0xe8;  // the majority of X, Y, Z

// rotr(X, R1) ^ rotr(X, R2) ^ rotr(X, R3), or X >> R3 in place of the last for the message
// schedule.
template <int R1, int R2, int R3, bool Shift = false>
SUMTIDE_LANES_AVX512 __m512i Sigma(__m512i X) {
  const __m512i Third = Shift ? _mm512_srli_epi32(X, R3) : _mm512_ror_epi32(X, R3);
  return _mm512_ternarylogic_epi32(_mm512_ror_epi32(X, R1), _mm512_ror_epi32(X, R2), Third, Xor3);
}

// Step T adds into D and leaves the new first word in H. Each call names the eight words in the
// roles they play at its step, so the words never move between registers; eight calls bring the
// roles back to where they started. W holds the last 16 message words: word T replaces T - 16.
template <int T>
SUMTIDE_LANES_AVX512 void Step(__m512i A, __m512i B, __m512i C, __m512i& D, __m512i E, __m512i F,
                               __m512i G, __m512i& H, __m512i (&W)[16], const std::uint32_t* K) {
  if constexpr (T >= 16) {
    const __m512i Small0 = Sigma<7, 18, 3, true>(W[(T + 1) % 16]);
    const __m512i Small1 = Sigma<17, 19, 10, true>(W[(T + 14) % 16]);
    W[T % 16] = _mm512_add_epi32(_mm512_add_epi32(W[T % 16], W[(T + 9) % 16]),
                                 _mm512_add_epi32(Small0, Small1));
  }
  // What does not wait on E goes into H first.
  H = _mm512_add_epi32(H, _mm512_add_epi32(W[T % 16], _mm512_set1_epi32(static_cast<int>(K[T]))));
  H = _mm512_add_epi32(
      H, _mm512_add_epi32(Sigma<6, 11, 25>(E), _mm512_ternarylogic_epi32(E, F, G, Choose)));
  D = _mm512_add_epi32(D, H);
  H = _mm512_add_epi32(
      H, _mm512_add_epi32(Sigma<2, 13, 22>(A), _mm512_ternarylogic_epi32(A, B, C, Major)));
}

template <int T>
SUMTIDE_LANES_AVX512 void EightSteps(__m512i (&V)[8], __m512i (&W)[16], const std::uint32_t* K) {
  Step<T>(V[0], V[1], V[2], V[3], V[4], V[5], V[6], V[7], W, K);
  Step<T + 1>(V[7], V[0], V[1], V[2], V[3], V[4], V[5], V[6], W, K);
  Step<T + 2>(V[6], V[7], V[0], V[1], V[2], V[3], V[4], V[5], W, K);
  Step<T + 3>(V[5], V[6], V[7], V[0], V[1], V[2], V[3], V[4], W, K);
  Step<T + 4>(V[4], V[5], V[6], V[7], V[0], V[1], V[2], V[3], W, K);
  Step<T + 5>(V[3], V[4], V[5], V[6], V[7], V[0], V[1], V[2], W, K);
  Step<T + 6>(V[2], V[3], V[4], V[5], V[6], V[7], V[0], V[1], W, K);
  Step<T + 7>(V[1], V[2], V[3], V[4], V[5], V[6], V[7], V[0], W, K);
}

template <int... Group>
SUMTIDE_LANES_AVX512 void AllSteps(__m512i (&V)[8], __m512i (&W)[16],
                                   std::integer_sequence<int, Group...>) {
  // Where the constants lie is hidden, so the compiler adds each step's constant from memory with a
  // broadcast operand instead of keeping 64-byte copies of the constants in a table of its own.
  const std::uint32_t* const K = PinInRegister(Sha256StepConstant);
  (EightSteps<8 * Group>(V, W, K), ...);
}

#undef SUMTIDE_LANES_AVX512

} // namespace

__attribute__((target("avx512f,avx512bw"))) void
Sha256LaneBlocksAvx512(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                       std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx512Lanes, Read);

  __m512i V[8];
  for (int I = 0; I < 8; ++I)
    V[I] = _mm512_load_si512(State.H[I]);
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    __m512i W[16];
    LaneLoads::BigWords(Read, 64 * Block, W);
    __m512i Start[8];
    for (int I = 0; I < 8; ++I)
      Start[I] = V[I];
    AllSteps(V, W, std::make_integer_sequence<int, 8>());
    for (int I = 0; I < 8; ++I)
      V[I] = _mm512_add_epi32(V[I], Start[I]);
  }

  const auto Mask = static_cast<__mmask16>(Active);
  for (int I = 0; I < 8; ++I)
    _mm512_mask_store_epi32(State.H[I], Mask, V[I]);
}

} // namespace Sumtide::ShaInternal

#endif
