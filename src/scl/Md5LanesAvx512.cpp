// The AVX-512 lane kernel: sixteen lanes, one in each 32-bit element of a 512-bit register. A
// step waits on four operations: the round function in one vpternlogd, an add, a vprold and the
// add of B; the message word and the constant are added to A beside that chain.

#include "scl/Md5LaneKernels.h"

#ifdef SUMTIDE_MD5_LANES_X86

#include "scl/Md5StepTable.h"

#include <utility>

// GCC 12 takes the placeholder its AVX-512 shuffles and rotates pass for the unused masked-off
// result (an undefined vector, initialized from itself) for a value that may be used
// uninitialized, and says so wherever they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace Sumtide::Md5Internal {

namespace {

#define SUMTIDE_LANES_AVX512 __attribute__((always_inline, target("avx512f"))) inline

// The round functions as vpternlogd truth tables with the operands in the order D, B, C: bit
// (d << 2 | b << 1 | c) of a table is the function's value for those three bits. vpternlogd
// overwrites its first operand, and D is the one whose copy, if the compiler needs one, is made
// off the chain: it was computed three steps back.
constexpr int InD = 0xf0;
constexpr int InB = 0xcc;
constexpr int InC = 0xaa;
constexpr int RoundTable[4] = {
    ((InB & InC) | (~InB & InD)) & 0xff, // F
    ((InB & InD) | (InC & ~InD)) & 0xff, // G
    InB ^ InC ^ InD,                     // H
    (InC ^ (InB | ~InD)) & 0xff,         // I
};

// An opaque register move: the compiler must take V as computed here, so it cannot fold the sum
// it holds into the operations that wait on the previous step.
SUMTIDE_LANES_AVX512 __m512i Pin(__m512i V) {
  __asm__("" : "+v"(V));
  return V;
}

// Hides where P points, so the compiler reads the constants from memory where a step needs them
// (an add with a broadcast operand) instead of keeping them in registers the block's words need.
SUMTIDE_LANES_AVX512 const std::uint32_t* Hide(const std::uint32_t* P) {
  __asm__("" : "+r"(P));
  return P;
}

template <int Step>
SUMTIDE_LANES_AVX512 void LaneStep(__m512i (&V)[4], const __m512i (&Word)[16],
                                   const std::uint32_t* Constant) {
  constexpr int Target = StepTarget(Step);
  __m512i& A = V[Target];
  const __m512i B = V[(Target + 1) % 4];
  const __m512i C = V[(Target + 2) % 4];
  const __m512i D = V[(Target + 3) % 4];
  const __m512i Sum = Pin(
      _mm512_add_epi32(A, _mm512_add_epi32(Word[StepWord(Step)],
                                           _mm512_set1_epi32(static_cast<int>(Constant[Step])))));
  const __m512i F = _mm512_ternarylogic_epi32(D, B, C, RoundTable[Step / 16]);
  A = _mm512_add_epi32(_mm512_rol_epi32(_mm512_add_epi32(Sum, F), StepShift(Step)), B);
}

template <int... Step>
SUMTIDE_LANES_AVX512 void AllSteps(__m512i (&V)[4], const __m512i (&Word)[16],
                                   std::integer_sequence<int, Step...>) {
  const std::uint32_t* const Constant = Hide(StepConstant.data());
  (LaneStep<Step>(V, Word, Constant), ...);
}

// Loads the block at Read[L] + Offset of every lane L and turns it into Word[J], word J of every
// lane.
SUMTIDE_LANES_AVX512 void LoadWords(const std::uint8_t* const (&Read)[MaxLanes], std::size_t Offset,
                                    __m512i (&Word)[16]) {
  // Pairs of lanes interleaved by word as they are loaded, then by pair of words: T2[4 * G + M]
  // holds, in its 128-bit part K, word 4 * K + M of lanes 4 * G to 4 * G + 3.
  __m512i T1[16];
#pragma GCC unroll 8
  for (int I = 0; I < 8; ++I) {
    const __m512i Even = Pin(_mm512_loadu_si512(Read[2 * I] + Offset));
    const __m512i Odd = Pin(_mm512_loadu_si512(Read[2 * I + 1] + Offset));
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
  // Then the 128-bit parts gathered across the four groups of rows.
#pragma GCC unroll 4
  for (int M = 0; M < 4; ++M) {
    const __m512i Low01 = _mm512_shuffle_i32x4(T2[M], T2[4 + M], 0x44);
    const __m512i High01 = _mm512_shuffle_i32x4(T2[M], T2[4 + M], 0xee);
    const __m512i Low23 = _mm512_shuffle_i32x4(T2[8 + M], T2[12 + M], 0x44);
    const __m512i High23 = _mm512_shuffle_i32x4(T2[8 + M], T2[12 + M], 0xee);
    Word[M] = _mm512_shuffle_i32x4(Low01, Low23, 0x88);
    Word[4 + M] = _mm512_shuffle_i32x4(Low01, Low23, 0xdd);
    Word[8 + M] = _mm512_shuffle_i32x4(High01, High23, 0x88);
    Word[12 + M] = _mm512_shuffle_i32x4(High01, High23, 0xdd);
  }
}

#undef SUMTIDE_LANES_AVX512

} // namespace

__attribute__((target("avx512f"))) void LaneBlocksAvx512(TLaneState& State,
                                                         const std::uint8_t* const Data[MaxLanes],
                                                         std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Avx512Lanes, Read);

  __m512i V[4] = {_mm512_load_si512(State.A), _mm512_load_si512(State.B),
                  _mm512_load_si512(State.C), _mm512_load_si512(State.D)};
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    // The block's words stay in registers: sixteen of the 32, beside the chaining words. (GCC 12
    // still stores one lane's block below the stack pointer on the way, where it stays.)
    __m512i Word[16];
    LoadWords(Read, 64 * Block, Word);
    const __m512i A = V[0], B = V[1], C = V[2], D = V[3];
    AllSteps(V, Word, std::make_integer_sequence<int, 64>());
    V[0] = _mm512_add_epi32(V[0], A);
    V[1] = _mm512_add_epi32(V[1], B);
    V[2] = _mm512_add_epi32(V[2], C);
    V[3] = _mm512_add_epi32(V[3], D);
  }

  const auto Mask = static_cast<__mmask16>(Active);
  _mm512_mask_store_epi32(State.A, Mask, V[0]);
  _mm512_mask_store_epi32(State.B, Mask, V[1]);
  _mm512_mask_store_epi32(State.C, Mask, V[2]);
  _mm512_mask_store_epi32(State.D, Mask, V[3]);
}

} // namespace Sumtide::Md5Internal

#endif
