#pragma once

// Which block function each SHA digest uses on this processor, chosen by timing the ones it runs
// (FunctionChoice.h) the first time a block is hashed, and kept for the process. Private to the
// library.

#include "scl/cpu/FunctionChoice.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace Sumtide::ShaInternal {

// Adds Count consecutive blocks, at any address, into State.
template <class TWord>
using TBlocks = void (*)(TWord* State, const std::uint8_t* Blocks, std::size_t Count);

// A row of a digest's candidate table (FunctionChoice.h).
template <class TWord> using TBlockCandidate = FunctionChoice::TCandidate<TBlocks<TWord>>;

// The candidates of each digest, the portable function first; SHA-224 uses SHA-256's, SHA-384
// SHA-512's.
std::span<const TBlockCandidate<std::uint32_t>> Sha1Candidates();
std::span<const TBlockCandidate<std::uint32_t>> Sha256Candidates();
std::span<const TBlockCandidate<std::uint64_t>> Sha512Candidates();

// The environment variables that force a candidate by name, for tests and benchmarks; a
// candidate this processor cannot run forces the portable one, any other value nothing.
inline constexpr const char* Sha1BlockVariable = "SUMTIDE_SHA1_BLOCK";
inline constexpr const char* Sha256BlockVariable = "SUMTIDE_SHA256_BLOCK";
inline constexpr const char* Sha512BlockVariable = "SUMTIDE_SHA512_BLOCK";

// The index of the candidate each digest uses in this process.
std::size_t Sha1BlocksInUse();
std::size_t Sha256BlocksInUse();
std::size_t Sha512BlocksInUse();

} // namespace Sumtide::ShaInternal
