// BLAKE3's compression in plain C++, and the many-input function made of it, one input after the
// other.

#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#include <bit>
#include <cstring>
#include <utility>

namespace Sumtide::Blake3Internal {

namespace {

std::uint32_t LoadLittle(const std::uint8_t* Bytes) {
  std::uint32_t Word;
  std::memcpy(&Word, Bytes, sizeof Word);
  if constexpr (std::endian::native == std::endian::big)
    Word = __builtin_bswap32(Word);
  return Word;
}

void StoreLittle(std::uint8_t* Bytes, std::uint32_t Word) {
  if constexpr (std::endian::native == std::endian::big)
    Word = __builtin_bswap32(Word);
  std::memcpy(Bytes, &Word, sizeof Word);
}

[[gnu::always_inline]] inline void Mix(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C,
                                       std::uint32_t& D, std::uint32_t X, std::uint32_t Y) {
  A = A + B + X;
  D = std::rotr(D ^ A, 16);
  C = C + D;
  B = std::rotr(B ^ C, 12);
  A = A + B + Y;
  D = std::rotr(D ^ A, 8);
  C = C + D;
  B = std::rotr(B ^ C, 7);
}

// Round R with its word order fixed at compile time, so the working vector stays in registers.
template <int R>
[[gnu::always_inline]] inline void Round(std::uint32_t (&V)[16], const std::uint32_t (&M)[16]) {
  constexpr std::array<std::uint8_t, 16> S = Schedule[R];
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
[[gnu::always_inline]] inline void AllRounds(std::uint32_t (&V)[16], const std::uint32_t (&M)[16],
                                             std::integer_sequence<int, R...>) {
  (Round<R>(V, M), ...);
}

} // namespace

void CompressPortable(const std::uint32_t Cv[8], const std::uint8_t Block[64],
                      std::uint64_t Counter, std::uint32_t BlockLength, std::uint32_t Flags,
                      std::uint32_t Out[16]) {
  std::uint32_t M[16];
  for (int I = 0; I < 16; ++I)
    M[I] = LoadLittle(Block + 4 * I);
  std::uint32_t V[16] = {Cv[0],
                         Cv[1],
                         Cv[2],
                         Cv[3],
                         Cv[4],
                         Cv[5],
                         Cv[6],
                         Cv[7],
                         Initial[0],
                         Initial[1],
                         Initial[2],
                         Initial[3],
                         static_cast<std::uint32_t>(Counter),
                         static_cast<std::uint32_t>(Counter >> 32),
                         BlockLength,
                         Flags};
  AllRounds(V, M, std::make_integer_sequence<int, Rounds>{});
  // Out may be Cv itself.
  for (int I = 0; I < 8; ++I) {
    const std::uint32_t Chaining = Cv[I];
    Out[I] = V[I] ^ V[I + 8];
    Out[I + 8] = V[I + 8] ^ Chaining;
  }
}

void ManyPortable(const TManyInputs& Work) {
  for (std::size_t Input = 0; Input < Work.Count; ++Input) {
    std::uint32_t Cv[16];
    std::memcpy(Cv, Work.Key, 32);
    const std::uint64_t Counter = Work.Counter + (Work.IncrementCounter ? Input : 0);
    for (std::size_t Block = 0; Block < Work.Blocks; ++Block) {
      std::uint32_t Flags = Work.Flags;
      if (Block == 0)
        Flags |= Work.FirstFlags;
      if (Block + 1 == Work.Blocks)
        Flags |= Work.LastFlags;
      CompressPortable(Cv, Work.Inputs[Input] + 64 * Block, Counter, 64, Flags, Cv);
    }
    for (int I = 0; I < 8; ++I)
      StoreLittle(Work.Out + 32 * Input + 4 * I, Cv[I]);
  }
}

} // namespace Sumtide::Blake3Internal
