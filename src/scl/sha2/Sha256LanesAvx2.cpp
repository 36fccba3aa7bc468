// The SHA-256 AVX2 lane kernel: eight lanes, one in each 32-bit element of a 256-bit register.
// Without a rotate each Sigma is six shifts and five exclusive ors, arranged as a tree so that a
// step waits on four of them rather than on a chain of three nested rotations. The eight chaining
// words take half the registers; the sixteen message words wait in memory.

#include "scl/cpu/RegisterPin.h"
#include "scl/sha2/Sha2Kernels.h"

#ifdef SUMTIDE_SHA_LANES_X86

#include "rtl/SecureWipe.h"
#include "scl/sha/ShaLaneLoads.h"
#include "scl/sha2/Sha2Constants.h"

#include <utility>

namespace Sumtide::ShaInternal {

namespace {

#define SUMTIDE_LANES_AVX2 __attribute__((always_inline, target("avx2"))) inline

// An opaque register move: the compiler must take V as computed here. Each Sigma ends in one, else
// GCC reorders the exclusive ors of neighbouring steps together and keeps pieces of later steps in
// memory (twice the stack traffic, 2% slower).
SUMTIDE_LANES_AVX2 __m256i Pin(__m256i V) {
  __asm__("" : "+x"(V));
  return V;
}

template <int R> SUMTIDE_LANES_AVX2 __m256i RotateRight(__m256i X) {
  return _mm256_xor_si256(_mm256_srli_epi32(X, R), _mm256_slli_epi32(X, 32 - R));
}

// rotr(X, R1) ^ rotr(X, R2) ^ rotr(X, R3), or X >> R3 in place of the last for the message
// schedule. The two halves of each rotation share no bit, so an exclusive or joins them as well as
// an or, and all of it is one tree of exclusive ors.
template <int R1, int R2, int R3, bool Shift = false> SUMTIDE_LANES_AVX2 __m256i Sigma(__m256i X) {
  const __m256i Third = Shift ? _mm256_srli_epi32(X, R3) : RotateRight<R3>(X);
  return Pin(_mm256_xor_si256(_mm256_xor_si256(RotateRight<R1>(X), RotateRight<R2>(X)), Third));
}

// Step T adds into D and leaves the new first word in H. Each call names the eight words in the
// roles they play at its step, so the words never move between registers; eight calls bring the
// roles back to where they started. W holds the last 16 message words: word T replaces T - 16.
// AB comes in as B ^ C and leaves as A ^ B, which is B ^ C at the next step.
template <int T>
SUMTIDE_LANES_AVX2 void Step(__m256i A, __m256i B, __m256i& AB, __m256i& D, __m256i E, __m256i F,
                             __m256i G, __m256i& H, __m256i* W, const std::uint32_t* K) {
  __m256i X;
  if constexpr (T < 16) {
    X = _mm256_load_si256(W + T);
  } else {
    const __m256i Small0 = Sigma<7, 18, 3, true>(_mm256_load_si256(W + (T + 1) % 16));
    const __m256i Small1 = Sigma<17, 19, 10, true>(_mm256_load_si256(W + (T + 14) % 16));
    X = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_load_si256(W + T % 16), _mm256_load_si256(W + (T + 9) % 16)),
        _mm256_add_epi32(Small0, Small1));
    if constexpr (T + 2 < 64) // the last two words are used by no later step
      _mm256_store_si256(W + T % 16, X);
  }
  // What does not wait on E goes into H first.
  H = _mm256_add_epi32(H, _mm256_add_epi32(X, _mm256_set1_epi32(static_cast<int>(K[T]))));
  // Ch(E, F, G) = G ^ (E & (F ^ G))
  const __m256i Ch = _mm256_xor_si256(G, _mm256_and_si256(E, _mm256_xor_si256(F, G)));
  H = _mm256_add_epi32(H, _mm256_add_epi32(Sigma<6, 11, 25>(E), Ch));
  D = _mm256_add_epi32(D, H);
  // Maj(A, B, C) = B ^ ((A ^ B) & (B ^ C))
  const __m256i BC = AB;
  AB = _mm256_xor_si256(A, B);
  const __m256i Maj = _mm256_xor_si256(B, _mm256_and_si256(AB, BC));
  H = _mm256_add_epi32(H, _mm256_add_epi32(Sigma<2, 13, 22>(A), Maj));
}

template <int T>
SUMTIDE_LANES_AVX2 void EightSteps(__m256i (&V)[8], __m256i& AB, __m256i* W,
                                   const std::uint32_t* K) {
  Step<T>(V[0], V[1], AB, V[3], V[4], V[5], V[6], V[7], W, K);
  Step<T + 1>(V[7], V[0], AB, V[2], V[3], V[4], V[5], V[6], W, K);
  Step<T + 2>(V[6], V[7], AB, V[1], V[2], V[3], V[4], V[5], W, K);
  Step<T + 3>(V[5], V[6], AB, V[0], V[1], V[2], V[3], V[4], W, K);
  Step<T + 4>(V[4], V[5], AB, V[7], V[0], V[1], V[2], V[3], W, K);
  Step<T + 5>(V[3], V[4], AB, V[6], V[7], V[0], V[1], V[2], W, K);
  Step<T + 6>(V[2], V[3], AB, V[5], V[6], V[7], V[0], V[1], W, K);
  Step<T + 7>(V[1], V[2], AB, V[4], V[5], V[6], V[7], V[0], W, K);
}

template <int... Group>
SUMTIDE_LANES_AVX2 void AllSteps(__m256i (&V)[8], __m256i* W,
                                 std::integer_sequence<int, Group...>) {
  __m256i AB = _mm256_xor_si256(V[1], V[2]);
  // Where the constants lie is hidden, so the compiler broadcasts each step's constant from memory
  // instead of building it in a general register first.
  const std::uint32_t* const K = PinInRegister(Sha256StepConstant);
  (EightSteps<8 * Group>(V, AB, W, K), ...);
}

#undef SUMTIDE_LANES_AVX2

} // namespace

__attribute__((target("avx2"))) void Sha256LaneBlocksAvx2(TSha256LaneState& State,
                                                          const std::uint8_t* const Data[MaxLanes],
                                                          std::size_t BlockCount,
                                                          TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx2Lanes, Read);

  __m256i V[8];
  for (int I = 0; I < 8; ++I)
    V[I] = _mm256_load_si256(reinterpret_cast<const __m256i*>(State.H[I]));
  alignas(32) __m256i W[16];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    LaneLoads::BigWords(Read, 64 * Block, W);
    __m256i Start[8];
    for (int I = 0; I < 8; ++I)
      Start[I] = V[I];
    AllSteps(V, W, std::make_integer_sequence<int, 8>());
    for (int I = 0; I < 8; ++I)
      V[I] = _mm256_add_epi32(V[I], Start[I]);
  }

  // AVX2 has no masked store: the lanes that keep their words get them back from State.
  const __m256i Keep =
      _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(Active)),
                                          _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128)),
                         _mm256_setzero_si256());
  for (int I = 0; I < 8; ++I) {
    auto* P = reinterpret_cast<__m256i*>(State.H[I]);
    _mm256_store_si256(P, _mm256_blendv_epi8(V[I], _mm256_load_si256(P), Keep));
  }
  // The message words go with the call.
  SecureZero(W, sizeof W);
}

} // namespace Sumtide::ShaInternal

#endif
