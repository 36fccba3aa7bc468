#pragma once

// The MD5 block functions, private to the library. TSCL_md5 uses the one that runs fastest on
// this processor; the tests and the benchmark reach each one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A second block function built on AVX-512F and AVX-512VL instructions, compiled beside the
// portable one whatever the target flags say and used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_MD5_VECTOR_COMPRESS 1
#endif

namespace Sumtide::Md5Internal {

// Both add the 64-byte Block, read as 16 words low byte first, into State, and leave Block as
// it is.

// The general-register steps that CompressBlocks takes inline (Md5PortableSteps.h), here as a
// function of its own. Built this way GCC keeps a few message words in stack slots while it runs
// (below the stack pointer, where they stay after the return).
void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]);
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
// Needs AVX-512F and AVX-512VL. Keeps everything in registers: nothing goes to the stack.
void CompressVector(std::uint32_t State[4], const std::uint8_t Block[64]);
#endif

// Whether this processor (and its operating system) can run CompressVector; false where it is not
// compiled in.
inline bool HasVectorCompress() {
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Vl);
#else
  return false;
#endif
}

// Adds Count consecutive 64-byte blocks, read where they lie, into State.
using TBlocks = void (*)(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);

// The block functions over runs of blocks: the portable steps taken inline, and CompressVector.
void BlocksPortable(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
void BlocksVector(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);
#endif

// The candidates TSCL_md5 chooses among, "portable" and "vector" (FunctionChoice.h).
std::span<const FunctionChoice::TCandidate<TBlocks>> BlockCandidates();

// The environment variable that forces a block function by its name, for tests and benchmarks.
// A function this processor cannot run forces the portable one; any other value nothing.
inline constexpr const char* BlockFunctionVariable = "SUMTIDE_MD5_BLOCK";

// The vector function is chosen only when it hashes 1 / 0.97 times as many blocks in the same time
// as the portable one: where the two are close, the portable one.
inline constexpr double BlockMargin = 1 / 0.97;

// The rate of each candidate over the same few KiB, several times in turns (FunctionChoice.h);
// 0 for one this processor cannot run.
std::vector<double> MeasureBlockFunctions();

// The candidate TSCL_md5 uses in this process: chosen the first time it is asked, which is when
// the first block is hashed, and kept.
std::size_t BlockFunctionInUse();

// Adds Count consecutive 64-byte blocks, read where they lie, into State with the block function
// in use: one message on its own at TSCL_md5's speed.
void CompressBlocks(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);

} // namespace Sumtide::Md5Internal
