#pragma once

// One step of SHA-1 (FIPS 180-4), for the portable block function and the portable lane kernel.
// Private to the library.

#include <bit>
#include <cstdint>

namespace Sumtide::ShaInternal {

// Step T with message word X: adds the new word into E and turns B.
template <int T>
[[gnu::always_inline]] inline void Sha1Step(std::uint32_t A, std::uint32_t& B, std::uint32_t C,
                                            std::uint32_t D, std::uint32_t& E, std::uint32_t X) {
  if constexpr (T < 20)
    E += (D ^ (B & (C ^ D))) + 0x5a827999;
  else if constexpr (T < 40)
    E += (B ^ C ^ D) + 0x6ed9eba1;
  else if constexpr (T < 60)
    E += ((B & C) | (D & (B | C))) + 0x8f1bbcdc;
  else
    E += (B ^ C ^ D) + 0xca62c1d6;
  E += std::rotl(A, 5) + X;
  B = std::rotl(B, 30);
}

} // namespace Sumtide::ShaInternal
