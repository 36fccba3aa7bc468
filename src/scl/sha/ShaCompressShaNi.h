#pragma once

// The SHA-1 and SHA-256 block functions on the x86 SHA extensions, private to the library. They
// give the same states as the portable ones of ShaCompress.h; SHA-224 runs Sha256CompressShaNi
// from its own initial values.

#include "scl/cpu/Processor.h"

#include <cstddef>
#include <cstdint>

// Compiled beside the portable functions whatever the target flags say, on x86-64 only, and used
// only where HasShaExtensions() holds.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_NI_COMPRESS 1
#endif

namespace Sumtide::ShaInternal {

// Whether this processor (and its operating system) runs the functions below: SHA, SSSE3 and
// SSE4.1. False where they are not compiled in.
inline bool HasShaExtensions() {
#ifdef SUMTIDE_SHA_NI_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Sha, TFeature::Ssse3, TFeature::Sse41);
#else
  return false;
#endif
}

#ifdef SUMTIDE_SHA_NI_COMPRESS
// Each adds Count consecutive 64-byte blocks, read as words high byte first, into State, and
// leaves the blocks as they are. The state stays in registers from one block to the next. Blocks
// and State may lie at any address; a Count of 0 leaves State as it is.
void Sha1CompressShaNi(std::uint32_t State[5], const std::uint8_t* Blocks, std::size_t Count);
void Sha256CompressShaNi(std::uint32_t State[8], const std::uint8_t* Blocks, std::size_t Count);
#endif

} // namespace Sumtide::ShaInternal
