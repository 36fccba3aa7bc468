// The SHA-256 portable lane kernel: eight lanes, taken four at a time, each step a loop over the
// four lanes of a group. Each loop has a fixed count of four and no lane depends on another, so
// GCC's vectorizer turns it into operations on four-lane vector registers at -O2 (SSE2 on x86-64;
// the loops are as plain for NEON on Arm); the same steps written out lane by lane stayed in
// general registers, the SLP vectorizer finding no store to start from in them.
//
// On AMD Zen 5 (SSE2, -O2) eight lanes hash about 1.7 times the bytes of one stream of the
// single-message block function in the same time.

#include "rtl/SecureWipe.h"
#include "scl/ShaLaneKernels.h"
#include "scl/ShaRoundConstants.h"
#include "scl/ShaWords.h"

#include <bit>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

constexpr std::size_t Lanes = PortableLanes;

// Four lanes at a time: the chaining words of a group fit in the sixteen vector registers of SSE2
// or NEON beside the step's temporaries; those of eight lanes at once did not, and the compiler
// kept moving them to memory and back.
constexpr std::size_t GroupLanes = 4;

// One word of every lane of a group.
struct TLaneWords {
  std::uint32_t Lane[GroupLanes];
};

template <int R1, int R2, int R3>
[[gnu::always_inline]] inline std::uint32_t Sigma(std::uint32_t X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ std::rotr(X, R3);
}

template <int R1, int R2, int S>
[[gnu::always_inline]] inline std::uint32_t Small(std::uint32_t X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ (X >> S);
}

// Step T in one lane: adds into D and leaves the new first word in H.
template <int T>
[[gnu::always_inline]] inline void StepLane(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                            std::uint32_t& D, std::uint32_t E, std::uint32_t F,
                                            std::uint32_t G, std::uint32_t& H, std::uint32_t X) {
  H += Sigma<6, 11, 25>(E) + (G ^ (E & (F ^ G))) + Sha256StepConstant[T] + X;
  D += H;
  H += Sigma<2, 13, 22>(A) + ((A & B) | (C & (A | B)));
}

// Step T in every lane of a group. Word K of V plays role (K + T) % 8 at step T (role 0 is A),
// so the words never move. W holds the last 16 message words: word T replaces word T - 16.
template <int T> [[gnu::always_inline]] inline void Step(TLaneWords (&V)[8], TLaneWords (&W)[16]) {
  if constexpr (T >= 16) {
    const TLaneWords& W15 = W[(T + 1) % 16];
    const TLaneWords& W2 = W[(T + 14) % 16];
    for (std::size_t L = 0; L < GroupLanes; ++L)
      W[T % 16].Lane[L] +=
          Small<17, 19, 10>(W2.Lane[L]) + W[(T + 9) % 16].Lane[L] + Small<7, 18, 3>(W15.Lane[L]);
  }
  constexpr auto R = [](int Role) { return ((Role - T) % 8 + 8) % 8; };
  for (std::size_t L = 0; L < GroupLanes; ++L)
    StepLane<T>(V[R(0)].Lane[L], V[R(1)].Lane[L], V[R(2)].Lane[L], V[R(3)].Lane[L], V[R(4)].Lane[L],
                V[R(5)].Lane[L], V[R(6)].Lane[L], V[R(7)].Lane[L], W[T % 16].Lane[L]);
}

template <int... T>
[[gnu::always_inline]] inline void AllSteps(TLaneWords (&V)[8], TLaneWords (&W)[16],
                                            std::integer_sequence<int, T...>) {
  (Step<T>(V, W), ...);
}

// Adds BlockCount blocks of the group of lanes reading at Read[0] to Read[GroupLanes - 1] into
// Chain, with W for their message words. The chaining words are worked on in a copy of this
// function's own, which the compiler knows no store to W can reach (with Chain itself it reloaded
// them after each store, and hashed a third slower); W is the caller's so that it stays in memory
// rather than crowd the registers.
[[gnu::noinline]] void GroupBlocks(TLaneWords (&Chain)[8], const std::uint8_t* const* Read,
                                   std::size_t BlockCount, TLaneWords (&W)[16]) {
  TLaneWords V[8];
  for (int I = 0; I < 8; ++I)
    V[I] = Chain[I];
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    for (std::size_t L = 0; L < GroupLanes; ++L)
      for (int J = 0; J < 16; ++J)
        W[J].Lane[L] = LoadBig32(Read[L] + 64 * Block + 4 * J);
    TLaneWords Start[8];
    for (int I = 0; I < 8; ++I)
      Start[I] = V[I];
    AllSteps(V, W, std::make_integer_sequence<int, 64>());
    for (int I = 0; I < 8; ++I)
      for (std::size_t L = 0; L < GroupLanes; ++L)
        V[I].Lane[L] += Start[I].Lane[L];
  }
  for (int I = 0; I < 8; ++I)
    Chain[I] = V[I];
}

} // namespace

void Sha256LaneBlocksPortable(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                              std::size_t BlockCount, TLaneMask Active) {
  if (Active == 0)
    return;
  const std::uint8_t* Read[MaxLanes];
  LanePointers(Data, Active, Lanes, Read);

  TLaneWords W[16];
  for (std::size_t First = 0; First < Lanes; First += GroupLanes) {
    TLaneWords V[8];
    for (int I = 0; I < 8; ++I)
      for (std::size_t L = 0; L < GroupLanes; ++L)
        V[I].Lane[L] = State.H[I][First + L];
    GroupBlocks(V, Read + First, BlockCount, W);
    for (std::size_t L = 0; L < GroupLanes; ++L) {
      if ((Active >> (First + L) & 1) == 0)
        continue;
      for (int I = 0; I < 8; ++I)
        State.H[I][First + L] = V[I].Lane[L];
    }
  }
  // The message words are on the stack: they go with the call.
  SecureZero(W, sizeof W);
}

} // namespace Sumtide::ShaInternal
