#pragma once

// Base64 with the standard alphabet and "=" padding, in one unbroken line. The encoder is exact;
// the decoder is lenient: it never fails and turns any text into some bytes by fixed rules, valid
// Base64 into the bytes that were encoded.

#include <cstdint>
#include <string>

namespace Sumtide {

// Writes (Size + 2) / 3 * 4 characters to Dest and returns that count.
std::int32_t EncodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size);
// Reads the first Size / 4 * 4 characters of Source, writes at most Size / 4 * 3 bytes to Dest
// and returns how many it wrote.
std::int32_t DecodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size);

std::string EncodeBase64Text(const std::string& Source);
std::string DecodeBase64Text(const std::string& Source);

} // namespace Sumtide
