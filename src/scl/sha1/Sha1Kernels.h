#pragma once

// Every SHA-1 variant, private to the library: the initial hash values, the block functions that
// hash one message (portable; on the x86 SHA extensions), the lane kernels that hash several at
// once (portable, AVX2, AVX-512), and the candidate table of each from which the one in use is
// chosen (FunctionChoice.h). TSCL_sha1 and TSha1Lanes (Sha1Lanes.h) use them; the tests and the
// benchmarks reach each one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/sha/ShaCommon.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Sumtide::ShaInternal {

inline constexpr std::uint32_t Sha1Initial[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476,
                                                 0xc3d2e1f0};

// Adds Block, read as words high byte first from any address, into State.
void Sha1CompressPortable(std::uint32_t State[5], const std::uint8_t Block[64]);

#ifdef SUMTIDE_SHA_NI_COMPRESS
// Adds Count consecutive 64-byte blocks, read as words high byte first, into State, and leaves
// the blocks as they are. The state stays in registers from one block to the next. Blocks and
// State may lie at any address; a Count of 0 leaves State as it is. Needs HasShaExtensions().
void Sha1CompressShaNi(std::uint32_t State[5], const std::uint8_t* Blocks, std::size_t Count);
#endif

// The block functions, "portable" first, then "shani".
std::span<const TBlockCandidate<std::uint32_t>> Sha1Candidates();

// The environment variable that forces a block function by name, for tests and benchmarks; one
// this processor cannot run forces the portable one, any other value nothing.
inline constexpr const char* Sha1BlockVariable = "SUMTIDE_SHA1_BLOCK";

// The row TSCL_sha1 uses in this process.
std::size_t Sha1BlocksInUse();

// The chaining words of every lane, one array per word: a vector register loads one word of many
// lanes at once.
struct alignas(64) TSha1LaneState {
  std::uint32_t H[5][MaxLanes];
};

// Every lane kernel has this shape: for each lane whose bit is set in Active, it adds BlockCount
// consecutive 64-byte blocks, starting at Data[Lane] at any address, into that lane's chaining
// words. The other lanes keep theirs, and their pointers are never read (they may be null). Bits
// at and above the kernel's lane count must be clear.
using TSha1LaneBlocks = void (*)(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                                 std::size_t BlockCount, TLaneMask Active);

void Sha1LaneBlocksPortable(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);
#ifdef SUMTIDE_SHA_LANES_X86
void Sha1LaneBlocksAvx2(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                        std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksAvx512(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
#endif

// The lane kernels as candidates, "portable", "avx2", "avx512" (ShaCommon.h); a kernel is named
// by its row.
std::span<const FunctionChoice::TCandidate<TSha1LaneBlocks>> Sha1LaneCandidates();

// The environment variable that forces a kernel by its name, for tests and benchmarks. A kernel
// this processor cannot run forces the portable one; any other value forces nothing.
inline constexpr const char* Sha1LaneKernelVariable = "SUMTIDE_SHA1_LANES";

// What each kernel hashes in the same time, by row (LaneChoice.h); 0 for one that does not run.
std::vector<double> MeasureSha1LaneKernels();

// The row of the kernel TSha1Lanes uses by default in this process: chosen the first time it is
// asked and kept.
std::size_t Sha1LaneKernelInUse();

} // namespace Sumtide::ShaInternal
