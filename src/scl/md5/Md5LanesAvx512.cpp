// The AVX-512 lane kernel: sixteen lanes, one in each 32-bit element of a 512-bit register. A
// step waits on four operations: the round function in one vpternlogd, an add, a vprold and the
// add of B; the message word and the constant are added to A beside that chain.

#include "scl/cpu/RegisterPin.h"
#include "scl/md5/Md5Kernels.h"

#ifdef SUMTIDE_MD5_LANES_X86

#include "scl/md5/Md5StepTable.h"

#include <utility>

// GCC 12 takes the placeholder its AVX-512 shuffles and rotates pass for the unused masked-off
// result (an undefined vector, initialized from itself) for a value that may be used
// uninitialized, and says so wherever they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define SUMTIDE_LANE_TARGET "avx512f"
#include "scl/lanes/LaneTranspose.h"

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

template <int Step>
SUMTIDE_LANES_AVX512 void LaneStep(__m512i (&V)[4], const __m512i (&Word)[16],
                                   const std::uint32_t* Constant) {
  constexpr int Target = StepTarget(Step);
  __m512i& A = V[Target];
  const __m512i B = V[(Target + 1) % 4];
  const __m512i C = V[(Target + 2) % 4];
  const __m512i D = V[(Target + 3) % 4];
  const __m512i Sum = Lanes::Pin512(
      _mm512_add_epi32(A, _mm512_add_epi32(Word[StepWord(Step)],
                                           _mm512_set1_epi32(static_cast<int>(Constant[Step])))));
  const __m512i F = _mm512_ternarylogic_epi32(D, B, C, RoundTable[Step / 16]);
  A = _mm512_add_epi32(_mm512_rol_epi32(_mm512_add_epi32(Sum, F), StepShift(Step)), B);
}

template <int... Step>
SUMTIDE_LANES_AVX512 void AllSteps(__m512i (&V)[4], const __m512i (&Word)[16],
                                   std::integer_sequence<int, Step...>) {
  // Where the constants lie is hidden, so the compiler reads the constants from memory where a step
  // needs them (an add with a broadcast operand) instead of keeping them in registers the block's
  // words need.
  const std::uint32_t* const Constant = PinInRegister(StepConstant.data());
  (LaneStep<Step>(V, Word, Constant), ...);
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
    Lanes::TransposeBlocks(Read, 64 * Block, Word);
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
