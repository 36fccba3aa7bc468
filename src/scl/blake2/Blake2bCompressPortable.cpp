// The BLAKE2b block function in plain C++: the working vector and the message words in general
// registers, the twelve rounds unrolled by the compiler.

#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <bit>

namespace Sumtide::Blake2Internal {

namespace {

std::uint64_t LoadLittle(const std::uint8_t* Bytes) {
  std::uint64_t Word = 0;
  for (int I = 7; I >= 0; --I)
    Word = Word << 8 | Bytes[I];
  return Word;
}

// Mixes two message words into the four words A, B, C, D of the working vector.
inline void Mix(std::uint64_t V[16], int A, int B, int C, int D, std::uint64_t X, std::uint64_t Y) {
  V[A] = V[A] + V[B] + X;
  V[D] = std::rotr(V[D] ^ V[A], 32);
  V[C] = V[C] + V[D];
  V[B] = std::rotr(V[B] ^ V[C], 24);
  V[A] = V[A] + V[B] + Y;
  V[D] = std::rotr(V[D] ^ V[A], 16);
  V[C] = V[C] + V[D];
  V[B] = std::rotr(V[B] ^ V[C], 63);
}

} // namespace

void Blake2bCompressPortable(std::uint64_t State[8], const std::uint64_t Counter[2],
                             const std::uint8_t Block[128], bool Last) {
  std::uint64_t M[16];
  for (int I = 0; I < 16; ++I)
    M[I] = LoadLittle(Block + 8 * I);

  std::uint64_t V[16];
  for (int I = 0; I < 8; ++I) {
    V[I] = State[I];
    V[I + 8] = Blake2bInitial[I];
  }
  V[12] ^= Counter[0];
  V[13] ^= Counter[1];
  if (Last)
    V[14] = ~V[14];

  for (int Round = 0; Round < Blake2bRounds; ++Round) {
    const std::uint8_t* S = Blake2bSigma[Round % 10];
    Mix(V, 0, 4, 8, 12, M[S[0]], M[S[1]]);
    Mix(V, 1, 5, 9, 13, M[S[2]], M[S[3]]);
    Mix(V, 2, 6, 10, 14, M[S[4]], M[S[5]]);
    Mix(V, 3, 7, 11, 15, M[S[6]], M[S[7]]);
    Mix(V, 0, 5, 10, 15, M[S[8]], M[S[9]]);
    Mix(V, 1, 6, 11, 12, M[S[10]], M[S[11]]);
    Mix(V, 2, 7, 8, 13, M[S[12]], M[S[13]]);
    Mix(V, 3, 4, 9, 14, M[S[14]], M[S[15]]);
  }

  for (int I = 0; I < 8; ++I)
    State[I] ^= V[I] ^ V[I + 8];
}

void Blake2bBlocksPortable(std::uint64_t State[8], std::uint64_t Counter[2],
                           const std::uint8_t* Blocks, std::size_t Count, std::uint32_t Step,
                           bool Last) {
  for (std::size_t I = 0; I < Count; ++I, Blocks += 128) {
    AddToCounter(Counter, Step);
    Blake2bCompressPortable(State, Counter, Blocks, Last && I + 1 == Count);
  }
}

} // namespace Sumtide::Blake2Internal
