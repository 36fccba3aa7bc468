#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace Sumtide::Checksum {

enum class TLetterCase : std::uint8_t { Upper, Lower };

// The digest as hexadecimal digits, two per byte in order, high half first.
std::string DigestText(std::span<const std::uint8_t> Digest, TLetterCase Case);

} // namespace Sumtide::Checksum
