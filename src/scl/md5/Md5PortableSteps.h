#pragma once

// The portable MD5 block function's steps, in general-purpose registers, for the files of the
// library that take them inline. Private to the library.

#include "scl/cpu/RegisterPin.h"
#include "scl/md5/Md5StepTable.h"

#include <bit>
#include <cstdint>
#include <cstring>

#define SUMTIDE_MD5_INLINE [[gnu::always_inline]] inline

namespace Sumtide::Md5Internal {

template <int N> SUMTIDE_MD5_INLINE std::uint32_t RotateLeft(std::uint32_t X) {
  static_assert(N > 0 && N < 32);
  return (X << N) | (X >> (32 - N));
}

// The steps pin their sums in registers (PinInRegister): the compiler must take each as computed
// there, so it cannot fold it back into the operations that wait on the previous step.

SUMTIDE_MD5_INLINE std::uint32_t LoadWord(const std::uint8_t* P) {
  std::uint32_t W;
  std::memcpy(&W, P, sizeof W);
  if constexpr (std::endian::native == std::endian::big)
    W = __builtin_bswap32(W);
  return W;
}

SUMTIDE_MD5_INLINE void StoreWord(std::uint8_t* P, std::uint32_t W) {
  P[0] = static_cast<std::uint8_t>(W);
  P[1] = static_cast<std::uint8_t>(W >> 8);
  P[2] = static_cast<std::uint8_t>(W >> 16);
  P[3] = static_cast<std::uint8_t>(W >> 24);
}

// One step updates A from B, C, D. B is the value the previous step produced, so everything that
// does not need it (the message word, the constant, the terms in C and D alone) is summed into A
// first; what is left after B arrives is the shortest chain each round function allows.

// F = (B & C) | (~B & D), written as D ^ (B & (C ^ D)) with C ^ D formed before B arrives.
// Given C ^ D in the open, GCC with BMI turns it back into (B & C) | andn(B, D), which puts a
// register copy on the chain.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepF(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = PinInRegister(A + K + X);
  const std::uint32_t CD = PinInRegister(C ^ D);
  return RotateLeft<S>(T + (D ^ (B & CD))) + B;
}

// G = (B & D) | (C & ~D). The two terms never share a bit, so G is their sum, and C & ~D goes
// into A before B is known.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepG(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = PinInRegister(PinInRegister(A + K + X) + (~D & C));
  return RotateLeft<S>(T + (D & B)) + B;
}

// H = B ^ C ^ D, with C ^ D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepH(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = PinInRegister(A + K + X);
  const std::uint32_t CD = PinInRegister(C ^ D);
  return RotateLeft<S>(T + (B ^ CD)) + B;
}

// I = C ^ (B | ~D), with ~D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepI(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = PinInRegister(A + K + X);
  const std::uint32_t NotD = PinInRegister(~D);
  return RotateLeft<S>(T + (C ^ (B | NotD))) + B;
}

// The 64 steps, adding the block at M into State. Taken inline in a loop over the blocks
// (CompressBlocks, which TSCL_md5 and the lanes' single messages use), GCC reloads each word from
// the block as it needs it. Called out of line, it keeps some words in registers and parks others
// on the stack, and runs about 4% slower.
SUMTIDE_MD5_INLINE void PortableSteps(std::uint32_t State[4], const std::uint8_t* M) {
  std::uint32_t A = State[0];
  std::uint32_t B = State[1];
  std::uint32_t C = State[2];
  std::uint32_t D = State[3];

  A = StepF<StepConstant[0], 7>(A, B, C, D, LoadWord(M + 0));
  D = StepF<StepConstant[1], 12>(D, A, B, C, LoadWord(M + 4));
  C = StepF<StepConstant[2], 17>(C, D, A, B, LoadWord(M + 8));
  B = StepF<StepConstant[3], 22>(B, C, D, A, LoadWord(M + 12));
  A = StepF<StepConstant[4], 7>(A, B, C, D, LoadWord(M + 16));
  D = StepF<StepConstant[5], 12>(D, A, B, C, LoadWord(M + 20));
  C = StepF<StepConstant[6], 17>(C, D, A, B, LoadWord(M + 24));
  B = StepF<StepConstant[7], 22>(B, C, D, A, LoadWord(M + 28));
  A = StepF<StepConstant[8], 7>(A, B, C, D, LoadWord(M + 32));
  D = StepF<StepConstant[9], 12>(D, A, B, C, LoadWord(M + 36));
  C = StepF<StepConstant[10], 17>(C, D, A, B, LoadWord(M + 40));
  B = StepF<StepConstant[11], 22>(B, C, D, A, LoadWord(M + 44));
  A = StepF<StepConstant[12], 7>(A, B, C, D, LoadWord(M + 48));
  D = StepF<StepConstant[13], 12>(D, A, B, C, LoadWord(M + 52));
  C = StepF<StepConstant[14], 17>(C, D, A, B, LoadWord(M + 56));
  B = StepF<StepConstant[15], 22>(B, C, D, A, LoadWord(M + 60));

  A = StepG<StepConstant[16], 5>(A, B, C, D, LoadWord(M + 4));
  D = StepG<StepConstant[17], 9>(D, A, B, C, LoadWord(M + 24));
  C = StepG<StepConstant[18], 14>(C, D, A, B, LoadWord(M + 44));
  B = StepG<StepConstant[19], 20>(B, C, D, A, LoadWord(M + 0));
  A = StepG<StepConstant[20], 5>(A, B, C, D, LoadWord(M + 20));
  D = StepG<StepConstant[21], 9>(D, A, B, C, LoadWord(M + 40));
  C = StepG<StepConstant[22], 14>(C, D, A, B, LoadWord(M + 60));
  B = StepG<StepConstant[23], 20>(B, C, D, A, LoadWord(M + 16));
  A = StepG<StepConstant[24], 5>(A, B, C, D, LoadWord(M + 36));
  D = StepG<StepConstant[25], 9>(D, A, B, C, LoadWord(M + 56));
  C = StepG<StepConstant[26], 14>(C, D, A, B, LoadWord(M + 12));
  B = StepG<StepConstant[27], 20>(B, C, D, A, LoadWord(M + 32));
  A = StepG<StepConstant[28], 5>(A, B, C, D, LoadWord(M + 52));
  D = StepG<StepConstant[29], 9>(D, A, B, C, LoadWord(M + 8));
  C = StepG<StepConstant[30], 14>(C, D, A, B, LoadWord(M + 28));
  B = StepG<StepConstant[31], 20>(B, C, D, A, LoadWord(M + 48));

  A = StepH<StepConstant[32], 4>(A, B, C, D, LoadWord(M + 20));
  D = StepH<StepConstant[33], 11>(D, A, B, C, LoadWord(M + 32));
  C = StepH<StepConstant[34], 16>(C, D, A, B, LoadWord(M + 44));
  B = StepH<StepConstant[35], 23>(B, C, D, A, LoadWord(M + 56));
  A = StepH<StepConstant[36], 4>(A, B, C, D, LoadWord(M + 4));
  D = StepH<StepConstant[37], 11>(D, A, B, C, LoadWord(M + 16));
  C = StepH<StepConstant[38], 16>(C, D, A, B, LoadWord(M + 28));
  B = StepH<StepConstant[39], 23>(B, C, D, A, LoadWord(M + 40));
  A = StepH<StepConstant[40], 4>(A, B, C, D, LoadWord(M + 52));
  D = StepH<StepConstant[41], 11>(D, A, B, C, LoadWord(M + 0));
  C = StepH<StepConstant[42], 16>(C, D, A, B, LoadWord(M + 12));
  B = StepH<StepConstant[43], 23>(B, C, D, A, LoadWord(M + 24));
  A = StepH<StepConstant[44], 4>(A, B, C, D, LoadWord(M + 36));
  D = StepH<StepConstant[45], 11>(D, A, B, C, LoadWord(M + 48));
  C = StepH<StepConstant[46], 16>(C, D, A, B, LoadWord(M + 60));
  B = StepH<StepConstant[47], 23>(B, C, D, A, LoadWord(M + 8));

  A = StepI<StepConstant[48], 6>(A, B, C, D, LoadWord(M + 0));
  D = StepI<StepConstant[49], 10>(D, A, B, C, LoadWord(M + 28));
  C = StepI<StepConstant[50], 15>(C, D, A, B, LoadWord(M + 56));
  B = StepI<StepConstant[51], 21>(B, C, D, A, LoadWord(M + 20));
  A = StepI<StepConstant[52], 6>(A, B, C, D, LoadWord(M + 48));
  D = StepI<StepConstant[53], 10>(D, A, B, C, LoadWord(M + 12));
  C = StepI<StepConstant[54], 15>(C, D, A, B, LoadWord(M + 40));
  B = StepI<StepConstant[55], 21>(B, C, D, A, LoadWord(M + 4));
  A = StepI<StepConstant[56], 6>(A, B, C, D, LoadWord(M + 32));
  D = StepI<StepConstant[57], 10>(D, A, B, C, LoadWord(M + 60));
  C = StepI<StepConstant[58], 15>(C, D, A, B, LoadWord(M + 24));
  B = StepI<StepConstant[59], 21>(B, C, D, A, LoadWord(M + 52));
  A = StepI<StepConstant[60], 6>(A, B, C, D, LoadWord(M + 16));
  D = StepI<StepConstant[61], 10>(D, A, B, C, LoadWord(M + 44));
  C = StepI<StepConstant[62], 15>(C, D, A, B, LoadWord(M + 8));
  B = StepI<StepConstant[63], 21>(B, C, D, A, LoadWord(M + 36));

  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
}

} // namespace Sumtide::Md5Internal

#undef SUMTIDE_MD5_INLINE
