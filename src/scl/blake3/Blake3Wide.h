#pragma once

// The many-input function over vector registers, one input per lane: the working vector as
// sixteen registers, register J holding word J of every lane's, so each mix works on all lanes at
// once and no word ever moves between lanes. Each block of every lane is loaded and transposed
// into sixteen message registers; the chaining values stay in registers across an input's blocks
// and are written out, input by input, at its end.
//
// Included by the kernel files only, each after defining SUMTIDE_BLAKE3_TARGET and a struct of
// its vector operations (TOps: TVector, Lanes, Set, Add, Xor, Rotate<N>, LoadBlocks, Store), so
// that everything here is compiled for and inlined into its kernel.

#include "rtl/SecureWipe.h"
#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#ifndef SUMTIDE_BLAKE3_TARGET
#error "define SUMTIDE_BLAKE3_TARGET before including Blake3Wide.h"
#endif

#include <algorithm>
#include <cstring>
#include <utility>

namespace Sumtide::Blake3Internal {
namespace {

#define SUMTIDE_BLAKE3_INLINE __attribute__((always_inline, target(SUMTIDE_BLAKE3_TARGET))) inline

template <class TOps> struct TWide {
  using V = typename TOps::TVector;
  static constexpr std::size_t Lanes = TOps::Lanes;

  SUMTIDE_BLAKE3_INLINE static void Mix(V& A, V& B, V& C, V& D, V X, V Y) {
    A = TOps::Add(TOps::Add(A, B), X);
    D = TOps::template Rotate<16>(TOps::Xor(D, A));
    C = TOps::Add(C, D);
    B = TOps::template Rotate<12>(TOps::Xor(B, C));
    A = TOps::Add(TOps::Add(A, B), Y);
    D = TOps::template Rotate<8>(TOps::Xor(D, A));
    C = TOps::Add(C, D);
    B = TOps::template Rotate<7>(TOps::Xor(B, C));
  }

  template <int R> SUMTIDE_BLAKE3_INLINE static void Round(V (&S)[16], const V (&M)[16]) {
    constexpr std::array<std::uint8_t, 16> W = Schedule[R];
    Mix(S[0], S[4], S[8], S[12], M[W[0]], M[W[1]]);
    Mix(S[1], S[5], S[9], S[13], M[W[2]], M[W[3]]);
    Mix(S[2], S[6], S[10], S[14], M[W[4]], M[W[5]]);
    Mix(S[3], S[7], S[11], S[15], M[W[6]], M[W[7]]);
    Mix(S[0], S[5], S[10], S[15], M[W[8]], M[W[9]]);
    Mix(S[1], S[6], S[11], S[12], M[W[10]], M[W[11]]);
    Mix(S[2], S[7], S[8], S[13], M[W[12]], M[W[13]]);
    Mix(S[3], S[4], S[9], S[14], M[W[14]], M[W[15]]);
  }

  template <int... R>
  SUMTIDE_BLAKE3_INLINE static void Rounds(V (&S)[16], const V (&M)[16],
                                           std::integer_sequence<int, R...>) {
    (Round<R>(S, M), ...);
  }

  // Lanes inputs from Work.Inputs + First, their counters from Counter.
  SUMTIDE_BLAKE3_INLINE static void Group(const TManyInputs& Work, std::size_t First,
                                          std::uint64_t Counter) {
    V H[8];
    for (int I = 0; I < 8; ++I)
      H[I] = TOps::Set(Work.Key[I]);
    alignas(64) std::uint32_t Low[Lanes], High[Lanes];
    for (std::size_t L = 0; L < Lanes; ++L) {
      const std::uint64_t Mine = Counter + (Work.IncrementCounter ? L : 0);
      Low[L] = static_cast<std::uint32_t>(Mine);
      High[L] = static_cast<std::uint32_t>(Mine >> 32);
    }
    const V CounterLow = TOps::Load(Low), CounterHigh = TOps::Load(High);
    const V Length = TOps::Set(64);
    const std::uint8_t* const* Inputs = Work.Inputs + First;
    for (std::size_t Block = 0; Block < Work.Blocks; ++Block) {
      std::uint32_t Flags = Work.Flags;
      if (Block == 0)
        Flags |= Work.FirstFlags;
      if (Block + 1 == Work.Blocks)
        Flags |= Work.LastFlags;
      V M[16];
      TOps::LoadBlocks(Inputs, 64 * Block, M);
      V S[16] = {H[0],
                 H[1],
                 H[2],
                 H[3],
                 H[4],
                 H[5],
                 H[6],
                 H[7],
                 TOps::Set(Initial[0]),
                 TOps::Set(Initial[1]),
                 TOps::Set(Initial[2]),
                 TOps::Set(Initial[3]),
                 CounterLow,
                 CounterHigh,
                 Length,
                 TOps::Set(Flags)};
      Rounds(S, M, std::make_integer_sequence<int, Blake3Internal::Rounds>{});
      for (int I = 0; I < 8; ++I)
        H[I] = TOps::Xor(S[I], S[I + 8]);
    }
    // Word I of every lane, then each lane's eight words together.
    alignas(64) std::uint32_t Words[8][Lanes];
    for (int I = 0; I < 8; ++I)
      TOps::Store(Words[I], H[I]);
    std::uint8_t* Out = Work.Out + 32 * First;
    for (std::size_t L = 0; L < Lanes; ++L)
      for (int I = 0; I < 8; ++I)
        std::memcpy(Out + 32 * L + 4 * I, &Words[I][L], 4);
  }

  // Every whole group of lanes here. Of the inputs left, more than half a group also take a pass
  // here, the unused lanes hashing the last input again and their output dropped (a pass costs
  // about what a pass of half as many lanes does); fewer go to Narrower (a function for fewer
  // lanes, which this processor runs too).
  SUMTIDE_BLAKE3_INLINE static void Many(const TManyInputs& Work, TMany Narrower) {
    std::size_t First = 0;
    for (; First + Lanes <= Work.Count; First += Lanes)
      Group(Work, First, Work.Counter + (Work.IncrementCounter ? First : 0));
    const std::size_t Left = Work.Count - First;
    if (Left == 0)
      return;
    TManyInputs Rest = Work;
    Rest.Inputs += First;
    Rest.Count = Left;
    Rest.Counter += Work.IncrementCounter ? First : 0;
    Rest.Out += 32 * First;
    if (2 * Left <= Lanes) {
      Narrower(Rest);
      return;
    }
    const std::uint8_t* Inputs[Lanes];
    for (std::size_t L = 0; L < Lanes; ++L)
      Inputs[L] = Rest.Inputs[std::min(L, Left - 1)];
    alignas(64) std::uint8_t Out[32 * Lanes];
    TManyInputs Padded = Rest;
    Padded.Inputs = Inputs;
    Padded.Count = Lanes;
    Padded.Out = Out;
    Group(Padded, 0, Padded.Counter);
    std::memcpy(Rest.Out, Out, 32 * Left);
    SecureZero(Out, sizeof Out);
  }
};

#undef SUMTIDE_BLAKE3_INLINE

} // namespace
} // namespace Sumtide::Blake3Internal
