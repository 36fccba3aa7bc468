// The BLAKE2b block function in plain C++: the working vector and the message words in general
// registers, the twelve rounds written out at compile time.

#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <bit>
#include <cstring>
#include <utility>

namespace Sumtide::Blake2Internal {

namespace {

std::uint64_t LoadLittle(const std::uint8_t* Bytes) {
  std::uint64_t Word;
  std::memcpy(&Word, Bytes, sizeof Word);
  if constexpr (std::endian::native == std::endian::big)
    Word = __builtin_bswap64(Word);
  return Word;
}

// Mixes two message words into the four words A, B, C, D of the working vector.
[[gnu::always_inline]] inline void Mix(std::uint64_t& A, std::uint64_t& B, std::uint64_t& C,
                                       std::uint64_t& D, std::uint64_t X, std::uint64_t Y) {
  A = A + B + X;
  D = std::rotr(D ^ A, 32);
  C = C + D;
  B = std::rotr(B ^ C, 24);
  A = A + B + Y;
  D = std::rotr(D ^ A, 16);
  C = C + D;
  B = std::rotr(B ^ C, 63);
}

// Round R, its message word order fixed at compile time, so that every word is named directly
// and the working vector stays in registers rather than in an array indexed at run time.
template <int R>
[[gnu::always_inline]] inline void Round(std::uint64_t (&V)[16], const std::uint64_t (&M)[16]) {
  constexpr const std::uint8_t* S = Blake2bSigma[R % 10];
  Mix(V[0], V[4], V[8], V[12], M[S[0]], M[S[1]]);
  Mix(V[1], V[5], V[9], V[13], M[S[2]], M[S[3]]);
  Mix(V[2], V[6], V[10], V[14], M[S[4]], M[S[5]]);
  Mix(V[3], V[7], V[11], V[15], M[S[6]], M[S[7]]);
  Mix(V[0], V[5], V[10], V[15], M[S[8]], M[S[9]]);
  Mix(V[1], V[6], V[11], V[12], M[S[10]], M[S[11]]);
  Mix(V[2], V[7], V[8], V[13], M[S[12]], M[S[13]]);
  Mix(V[3], V[4], V[9], V[14], M[S[14]], M[S[15]]);
}

template <int... R>
[[gnu::always_inline]] inline void AllRounds(std::uint64_t (&V)[16], const std::uint64_t (&M)[16],
                                             std::integer_sequence<int, R...>) {
  (Round<R>(V, M), ...);
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

  AllRounds(V, M, std::make_integer_sequence<int, Blake2bRounds>{});

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
