#pragma once

// Every MD5 variant, private to the library: the block functions that hash one message (the
// portable steps, and the AVX-512VL function), the lane kernels that hash several at once
// (portable, AVX2, AVX-512), and the candidate table of each from which the one in use is chosen
// (FunctionChoice.h). TSCL_md5 and TMd5Lanes (Md5Lanes.h) use them; the tests and the benchmarks
// reach each one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneTypes.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A second block function built on AVX-512F and AVX-512VL instructions, compiled beside the
// portable one whatever the target flags say and used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_MD5_AVX512_COMPRESS 1
#endif

namespace Sumtide::Md5Internal {

// Both add the 64-byte Block, read as 16 words low byte first, into State, and leave Block as
// it is.

// The general-register steps that CompressBlocks takes inline (Md5PortableSteps.h), here as a
// function of its own. Built this way GCC keeps a few message words in stack slots while it runs
// (below the stack pointer, where they stay after the return).
void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]);
#ifdef SUMTIDE_MD5_AVX512_COMPRESS
// Needs AVX-512F and AVX-512VL. Keeps everything in registers: nothing goes to the stack.
void CompressAvx512(std::uint32_t State[4], const std::uint8_t Block[64]);
#endif

// Whether this processor (and its operating system) can run CompressAvx512; false where it is not
// compiled in.
inline bool HasAvx512Compress() {
#ifdef SUMTIDE_MD5_AVX512_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Vl);
#else
  return false;
#endif
}

// Adds Count consecutive 64-byte blocks, read where they lie, into State.
using TBlocks = void (*)(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);

// The block functions over runs of blocks: the portable steps taken inline, and CompressAvx512.
void BlocksPortable(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);
#ifdef SUMTIDE_MD5_AVX512_COMPRESS
void BlocksAvx512(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count);
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

// The x86 kernels (AVX2, AVX-512F) are compiled beside the portable one whatever the target flags
// say, each function with its own target attribute, and used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_MD5_LANES_X86 1
#endif

namespace Sumtide::Md5Internal {

using Lanes::LanePointers;
using Lanes::MaxLanes;
using Lanes::TLaneMask;

// The chaining words of every lane, one array per word: a vector register loads one word of many
// lanes at once.
struct alignas(64) TLaneState {
  std::uint32_t A[MaxLanes];
  std::uint32_t B[MaxLanes];
  std::uint32_t C[MaxLanes];
  std::uint32_t D[MaxLanes];
};

// Every kernel has this shape: for each lane whose bit is set in Active, it adds BlockCount
// consecutive 64-byte blocks, starting at Data[Lane], into that lane's chaining words. The other
// lanes keep theirs, and their pointers are never read (they may be null). Bits at and above the
// kernel's lane count must be clear.
using TLaneBlocks = void (*)(TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                             std::size_t BlockCount, TLaneMask Active);

// Plain C++ for any target: eight lanes side by side, which the compiler puts in whatever vector
// registers the target has, or interleaves in general registers.
inline constexpr std::size_t PortableLanes = 8;
void LaneBlocksPortable(TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                        std::size_t BlockCount, TLaneMask Active);

#ifdef SUMTIDE_MD5_LANES_X86
// Eight lanes in 256-bit registers. Needs AVX2.
inline constexpr std::size_t Avx2Lanes = 8;
void LaneBlocksAvx2(TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                    std::size_t BlockCount, TLaneMask Active);

// Sixteen lanes in 512-bit registers, with vprold and vpternlogd. Needs AVX-512F.
inline constexpr std::size_t Avx512Lanes = 16;
void LaneBlocksAvx512(TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                      std::size_t BlockCount, TLaneMask Active);
#endif

// The kernels as candidates (FunctionChoice.h), in the order of preference where they run about
// equally fast: no more lanes than the one before, so fewer messages have to be in flight to keep
// every lane busy, and the plainer code first: "portable", "avx2", "avx512". A kernel is named by
// its row in this table.
std::span<const FunctionChoice::TCandidate<TLaneBlocks>> LaneCandidates();

// The environment variable that forces a kernel by its name, for tests and benchmarks. A kernel
// this processor cannot run forces the portable one; any other value forces nothing.
inline constexpr const char* LaneKernelVariable = "SUMTIDE_MD5_LANES";

// What each kernel hashes in the same time, by row (LaneChoice.h); 0 for one that does not run.
std::vector<double> MeasureLaneKernels();

// The row of the kernel TMd5Lanes uses by default in this process: chosen the first time it is
// asked and kept.
std::size_t LaneKernelInUse();

} // namespace Sumtide::Md5Internal
