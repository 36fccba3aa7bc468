#pragma once

// The 64 MD5 steps of RFC 1321 as tables, and MD5's initial chaining words: for every block
// function and lane kernel (the lane kernels generate their steps from an index, the block
// functions take each step's constant from here). Private to the library.

#include <array>
#include <cstdint>

namespace Sumtide::Md5Internal {

alignas(16) inline constexpr std::array<std::uint32_t, 4> InitialChain = {0x67452301, 0xefcdab89,
                                                                          0x98badcfe, 0x10325476};

// The constant added at each step: the integer part of 2^32 * |sin(step + 1)|.
inline constexpr std::array<std::uint32_t, 64> StepConstant = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// How far each step rotates: four amounts per round, taken in turn.
constexpr int StepShift(int Step) {
  constexpr int Shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
  return Shifts[Step / 16][Step % 4];
}

// Which of the block's 16 words each step adds.
constexpr int StepWord(int Step) {
  switch (Step / 16) {
  case 0:
    return Step;
  case 1:
    return (5 * Step + 1) % 16;
  case 2:
    return (3 * Step + 5) % 16;
  default:
    return (7 * Step) % 16;
  }
}

// Step I updates the chaining word at (4 - I % 4) % 4 of A, B, C, D from the three after it in
// that order, wrapping: A from B, C, D, then D from A, B, C, and so on.
constexpr int StepTarget(int Step) {
  return (4 - Step % 4) % 4;
}

} // namespace Sumtide::Md5Internal
