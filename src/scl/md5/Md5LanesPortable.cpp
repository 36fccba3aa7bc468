// The portable lane kernel: eight lanes, each step written out for every lane. The lanes do the
// same operations side by side, so the compiler can run them in the vector registers of any
// target (two groups of four in SSE2 on x86-64, in NEON on Arm), and where it does not, they
// still make independent chains it can interleave in the general registers.
//
// On AMD Zen 5 (SSE2, -O2) eight lanes hash about 2.4 times the bytes of one stream in the same
// time. Sixteen did 2.9 times but need twice the messages in flight; two to four lanes in general
// registers did no better than 1.9.

#include "rtl/SecureWipe.h"
#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5PortableSteps.h"
#include "scl/md5/Md5StepTable.h"

#include <bit>
#include <utility>

namespace Sumtide::Md5Internal {

namespace {

constexpr std::size_t Lanes = PortableLanes;

// One word of every lane.
struct TLaneWords {
  std::uint32_t Lane[Lanes];
};

// One step in one lane. What does not need B (the message word, the constant, the terms in C and
// D alone) is summed into A first.
template <int Step>
[[gnu::always_inline]] inline std::uint32_t
StepLane(std::uint32_t A, std::uint32_t B, std::uint32_t C, std::uint32_t D, std::uint32_t X) {
  std::uint32_t Sum = A + StepConstant[Step] + X;
  std::uint32_t F;
  if constexpr (Step < 16) {
    F = D ^ (B & (C ^ D));
  } else if constexpr (Step < 32) {
    // (B & D) | (C & ~D): the two terms share no bit, so they add.
    Sum += C & ~D;
    F = B & D;
  } else if constexpr (Step < 48) {
    F = B ^ (C ^ D);
  } else {
    F = C ^ (B | ~D);
  }
  return B + std::rotl(Sum + F, StepShift(Step));
}

// The step in every lane, spelled out lane by lane rather than as a loop, so that the lanes are
// there side by side for the compiler to put in vector registers without having to unroll first.
template <int Step, std::size_t... Lane>
[[gnu::always_inline]] inline void LaneStep(TLaneWords (&V)[4], const TLaneWords (&Word)[16],
                                            std::index_sequence<Lane...>) {
  constexpr int Target = StepTarget(Step);
  TLaneWords& A = V[Target];
  const TLaneWords& B = V[(Target + 1) % 4];
  const TLaneWords& C = V[(Target + 2) % 4];
  const TLaneWords& D = V[(Target + 3) % 4];
  const TLaneWords& X = Word[StepWord(Step)];
  ((A.Lane[Lane] =
        StepLane<Step>(A.Lane[Lane], B.Lane[Lane], C.Lane[Lane], D.Lane[Lane], X.Lane[Lane])),
   ...);
}

template <int... Step>
[[gnu::always_inline]] inline void AllSteps(TLaneWords (&V)[4], const TLaneWords (&Word)[16],
                                            std::integer_sequence<int, Step...>) {
  (LaneStep<Step>(V, Word, std::make_index_sequence<Lanes>()), ...);
}

} // namespace

void LaneBlocksPortable(TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                        std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Lanes, Read);

  TLaneWords V[4];
  for (std::size_t L = 0; L < Lanes; ++L) {
    V[0].Lane[L] = State.A[L];
    V[1].Lane[L] = State.B[L];
    V[2].Lane[L] = State.C[L];
    V[3].Lane[L] = State.D[L];
  }
  TLaneWords Word[16];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    for (std::size_t L = 0; L < Lanes; ++L)
      for (int J = 0; J < 16; ++J)
        Word[J].Lane[L] = LoadWord(Read[L] + 64 * Block + 4 * J);
    TLaneWords Start[4] = {V[0], V[1], V[2], V[3]};
    AllSteps(V, Word, std::make_integer_sequence<int, 64>());
    for (int I = 0; I < 4; ++I)
      for (std::size_t L = 0; L < Lanes; ++L)
        V[I].Lane[L] += Start[I].Lane[L];
  }

  for (std::size_t L = 0; L < Lanes; ++L) {
    if ((Active >> L & 1) == 0)
      continue;
    State.A[L] = V[0].Lane[L];
    State.B[L] = V[1].Lane[L];
    State.C[L] = V[2].Lane[L];
    State.D[L] = V[3].Lane[L];
  }
  // The message words are on the stack: they go with the call.
  SecureZero(Word, sizeof Word);
}

} // namespace Sumtide::Md5Internal
