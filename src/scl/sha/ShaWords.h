#pragma once

// Words read high byte first, as the SHA block functions take them, from any address. Private to
// the library.

#include <bit>
#include <cstdint>
#include <cstring>

namespace Sumtide::ShaInternal {

[[gnu::always_inline]] inline std::uint32_t LoadBig32(const std::uint8_t* P) {
  std::uint32_t W;
  std::memcpy(&W, P, sizeof W);
  if constexpr (std::endian::native == std::endian::little)
    W = __builtin_bswap32(W);
  return W;
}

[[gnu::always_inline]] inline std::uint64_t LoadBig64(const std::uint8_t* P) {
  std::uint64_t W;
  std::memcpy(&W, P, sizeof W);
  if constexpr (std::endian::native == std::endian::little)
    W = __builtin_bswap64(W);
  return W;
}

} // namespace Sumtide::ShaInternal
