#pragma once

// The portable MD5 block function's steps, in general-purpose registers, for the files of the
// library that take them inline. Private to the library.

#include <bit>
#include <cstdint>
#include <cstring>

#define SUMTIDE_MD5_INLINE [[gnu::always_inline]] inline

namespace Sumtide::Md5Internal {

template <int N> SUMTIDE_MD5_INLINE std::uint32_t RotateLeft(std::uint32_t X) {
  static_assert(N > 0 && N < 32);
  return (X << N) | (X >> (32 - N));
}

// An opaque register move: the compiler must take V as computed here, so it cannot fold the
// sum it holds back into the operations that wait on the previous step.
SUMTIDE_MD5_INLINE std::uint32_t Pin(std::uint32_t V) {
  __asm__("" : "+r"(V));
  return V;
}

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
  const std::uint32_t T = Pin(A + K + X);
  const std::uint32_t CD = Pin(C ^ D);
  return RotateLeft<S>(T + (D ^ (B & CD))) + B;
}

// G = (B & D) | (C & ~D). The two terms never share a bit, so G is their sum, and C & ~D goes
// into A before B is known.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepG(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(Pin(A + K + X) + (~D & C));
  return RotateLeft<S>(T + (D & B)) + B;
}

// H = B ^ C ^ D, with C ^ D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepH(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(A + K + X);
  const std::uint32_t CD = Pin(C ^ D);
  return RotateLeft<S>(T + (B ^ CD)) + B;
}

// I = C ^ (B | ~D), with ~D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepI(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(A + K + X);
  const std::uint32_t NotD = Pin(~D);
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

  A = StepF<0xd76aa478, 7>(A, B, C, D, LoadWord(M + 0));
  D = StepF<0xe8c7b756, 12>(D, A, B, C, LoadWord(M + 4));
  C = StepF<0x242070db, 17>(C, D, A, B, LoadWord(M + 8));
  B = StepF<0xc1bdceee, 22>(B, C, D, A, LoadWord(M + 12));
  A = StepF<0xf57c0faf, 7>(A, B, C, D, LoadWord(M + 16));
  D = StepF<0x4787c62a, 12>(D, A, B, C, LoadWord(M + 20));
  C = StepF<0xa8304613, 17>(C, D, A, B, LoadWord(M + 24));
  B = StepF<0xfd469501, 22>(B, C, D, A, LoadWord(M + 28));
  A = StepF<0x698098d8, 7>(A, B, C, D, LoadWord(M + 32));
  D = StepF<0x8b44f7af, 12>(D, A, B, C, LoadWord(M + 36));
  C = StepF<0xffff5bb1, 17>(C, D, A, B, LoadWord(M + 40));
  B = StepF<0x895cd7be, 22>(B, C, D, A, LoadWord(M + 44));
  A = StepF<0x6b901122, 7>(A, B, C, D, LoadWord(M + 48));
  D = StepF<0xfd987193, 12>(D, A, B, C, LoadWord(M + 52));
  C = StepF<0xa679438e, 17>(C, D, A, B, LoadWord(M + 56));
  B = StepF<0x49b40821, 22>(B, C, D, A, LoadWord(M + 60));

  A = StepG<0xf61e2562, 5>(A, B, C, D, LoadWord(M + 4));
  D = StepG<0xc040b340, 9>(D, A, B, C, LoadWord(M + 24));
  C = StepG<0x265e5a51, 14>(C, D, A, B, LoadWord(M + 44));
  B = StepG<0xe9b6c7aa, 20>(B, C, D, A, LoadWord(M + 0));
  A = StepG<0xd62f105d, 5>(A, B, C, D, LoadWord(M + 20));
  D = StepG<0x02441453, 9>(D, A, B, C, LoadWord(M + 40));
  C = StepG<0xd8a1e681, 14>(C, D, A, B, LoadWord(M + 60));
  B = StepG<0xe7d3fbc8, 20>(B, C, D, A, LoadWord(M + 16));
  A = StepG<0x21e1cde6, 5>(A, B, C, D, LoadWord(M + 36));
  D = StepG<0xc33707d6, 9>(D, A, B, C, LoadWord(M + 56));
  C = StepG<0xf4d50d87, 14>(C, D, A, B, LoadWord(M + 12));
  B = StepG<0x455a14ed, 20>(B, C, D, A, LoadWord(M + 32));
  A = StepG<0xa9e3e905, 5>(A, B, C, D, LoadWord(M + 52));
  D = StepG<0xfcefa3f8, 9>(D, A, B, C, LoadWord(M + 8));
  C = StepG<0x676f02d9, 14>(C, D, A, B, LoadWord(M + 28));
  B = StepG<0x8d2a4c8a, 20>(B, C, D, A, LoadWord(M + 48));

  A = StepH<0xfffa3942, 4>(A, B, C, D, LoadWord(M + 20));
  D = StepH<0x8771f681, 11>(D, A, B, C, LoadWord(M + 32));
  C = StepH<0x6d9d6122, 16>(C, D, A, B, LoadWord(M + 44));
  B = StepH<0xfde5380c, 23>(B, C, D, A, LoadWord(M + 56));
  A = StepH<0xa4beea44, 4>(A, B, C, D, LoadWord(M + 4));
  D = StepH<0x4bdecfa9, 11>(D, A, B, C, LoadWord(M + 16));
  C = StepH<0xf6bb4b60, 16>(C, D, A, B, LoadWord(M + 28));
  B = StepH<0xbebfbc70, 23>(B, C, D, A, LoadWord(M + 40));
  A = StepH<0x289b7ec6, 4>(A, B, C, D, LoadWord(M + 52));
  D = StepH<0xeaa127fa, 11>(D, A, B, C, LoadWord(M + 0));
  C = StepH<0xd4ef3085, 16>(C, D, A, B, LoadWord(M + 12));
  B = StepH<0x04881d05, 23>(B, C, D, A, LoadWord(M + 24));
  A = StepH<0xd9d4d039, 4>(A, B, C, D, LoadWord(M + 36));
  D = StepH<0xe6db99e5, 11>(D, A, B, C, LoadWord(M + 48));
  C = StepH<0x1fa27cf8, 16>(C, D, A, B, LoadWord(M + 60));
  B = StepH<0xc4ac5665, 23>(B, C, D, A, LoadWord(M + 8));

  A = StepI<0xf4292244, 6>(A, B, C, D, LoadWord(M + 0));
  D = StepI<0x432aff97, 10>(D, A, B, C, LoadWord(M + 28));
  C = StepI<0xab9423a7, 15>(C, D, A, B, LoadWord(M + 56));
  B = StepI<0xfc93a039, 21>(B, C, D, A, LoadWord(M + 20));
  A = StepI<0x655b59c3, 6>(A, B, C, D, LoadWord(M + 48));
  D = StepI<0x8f0ccc92, 10>(D, A, B, C, LoadWord(M + 12));
  C = StepI<0xffeff47d, 15>(C, D, A, B, LoadWord(M + 40));
  B = StepI<0x85845dd1, 21>(B, C, D, A, LoadWord(M + 4));
  A = StepI<0x6fa87e4f, 6>(A, B, C, D, LoadWord(M + 32));
  D = StepI<0xfe2ce6e0, 10>(D, A, B, C, LoadWord(M + 60));
  C = StepI<0xa3014314, 15>(C, D, A, B, LoadWord(M + 24));
  B = StepI<0x4e0811a1, 21>(B, C, D, A, LoadWord(M + 52));
  A = StepI<0xf7537e82, 6>(A, B, C, D, LoadWord(M + 16));
  D = StepI<0xbd3af235, 10>(D, A, B, C, LoadWord(M + 44));
  C = StepI<0x2ad7d2bb, 15>(C, D, A, B, LoadWord(M + 8));
  B = StepI<0xeb86d391, 21>(B, C, D, A, LoadWord(M + 36));

  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
}

} // namespace Sumtide::Md5Internal

#undef SUMTIDE_MD5_INLINE
