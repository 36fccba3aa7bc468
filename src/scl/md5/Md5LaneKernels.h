#pragma once

// The MD5 lane kernels, private to the library: block functions that hash several independent
// messages at once, one message per lane of a vector register, each lane compressing one block
// per call of the step. TMd5Lanes (Md5Lanes.h) drives them; the tests and the benchmark reach
// each one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/LaneTypes.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

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
