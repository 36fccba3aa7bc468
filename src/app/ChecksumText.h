#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Sumtide {

using TDigest = std::array<std::uint8_t, 16>;

// The digest as 32 upper-case hexadecimal digits, two per byte in order, high half first.
std::string ChecksumText(const TDigest& Digest);

} // namespace Sumtide
