#pragma once

// The SHA-1, SHA-256 and SHA-512 block functions of FIPS 180-4, in general-purpose registers, and
// the initial hash values of each digest. Private to the library. SHA-224 runs SHA-256's block
// function and SHA-384 SHA-512's, each from initial values of its own.

#include <cstdint>

namespace Sumtide::ShaInternal {

// Each adds Block, read as words high byte first, into State, and leaves Block as it is. Block
// may lie at any address.
void Sha1CompressPortable(std::uint32_t State[5], const std::uint8_t Block[64]);
void Sha256CompressPortable(std::uint32_t State[8], const std::uint8_t Block[64]);
void Sha512CompressPortable(std::uint64_t State[8], const std::uint8_t Block[128]);

inline constexpr std::uint32_t Sha1Initial[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476,
                                                 0xc3d2e1f0};

inline constexpr std::uint32_t Sha224Initial[8] = {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939,
                                                   0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};

inline constexpr std::uint32_t Sha256Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline constexpr std::uint64_t Sha384Initial[8] = {
    0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17, 0x152fecd8f70e5939,
    0x67332667ffc00b31, 0x8eb44a8768581511, 0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4};

inline constexpr std::uint64_t Sha512Initial[8] = {
    0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
    0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};

} // namespace Sumtide::ShaInternal
