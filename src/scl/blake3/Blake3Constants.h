#pragma once

// The constants of BLAKE3, private to the library: the initial words, the domain flags and the
// order in which each round takes the message words.

#include <array>
#include <cstddef>
#include <cstdint>

namespace Sumtide::Blake3Internal {

inline constexpr std::size_t BlockBytes = 64;
inline constexpr std::size_t ChunkBytes = 1024;
inline constexpr std::size_t BlocksPerChunk = ChunkBytes / BlockBytes;
inline constexpr std::size_t KeyBytes = 32;
inline constexpr std::size_t CvBytes = 32;
inline constexpr int Rounds = 7;

// The same words as SHA-256's initial hash values: the key of an unkeyed hash, and words 8 to 11
// of every compression's working vector.
inline constexpr std::uint32_t Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// What a compression is part of, in its last word.
inline constexpr std::uint32_t ChunkStart = 1u << 0;
inline constexpr std::uint32_t ChunkEnd = 1u << 1;
inline constexpr std::uint32_t Parent = 1u << 2;
inline constexpr std::uint32_t Root = 1u << 3;
inline constexpr std::uint32_t KeyedHash = 1u << 4;
inline constexpr std::uint32_t DeriveKeyContext = 1u << 5;
inline constexpr std::uint32_t DeriveKeyMaterial = 1u << 6;

// The message words are permuted between rounds; Schedule[R][I] is the word of the block that
// round R takes as its I-th (the first eight to the column mixes, two each, then the diagonals).
inline constexpr std::array<std::array<std::uint8_t, 16>, Rounds> Schedule = [] {
  constexpr std::uint8_t Permutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};
  std::array<std::array<std::uint8_t, 16>, Rounds> Rows{};
  for (std::uint8_t I = 0; I < 16; ++I)
    Rows[0][I] = I;
  for (int R = 1; R < Rounds; ++R)
    for (int I = 0; I < 16; ++I)
      Rows[R][I] = Rows[R - 1][Permutation[I]];
  return Rows;
}();

} // namespace Sumtide::Blake3Internal
