#pragma once

// The SHA-256 and SHA-1 lane kernels, private to the library: block functions that hash several
// independent messages at once, one message per 32-bit lane of a vector register, with the lane
// types every lane set shares (LaneTypes.h): an idle lane reads the blocks of the lowest active
// lane (LanePointers) and its result is dropped.

#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/LaneTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The x86 kernels (AVX2; AVX-512F with AVX-512BW for the byte shuffle) are compiled beside the
// portable ones whatever the target flags say, each function with its own target attribute, and
// used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_LANES_X86 1
#endif

namespace Sumtide::ShaInternal {

using Lanes::LanePointers;
using Lanes::MaxLanes;
using Lanes::TLaneMask;

// The chaining words of every lane, one array per word: a vector register loads one word of many
// lanes at once.
struct alignas(64) TSha256LaneState {
  std::uint32_t H[8][MaxLanes];
};
struct alignas(64) TSha1LaneState {
  std::uint32_t H[5][MaxLanes];
};

// Every kernel has this shape: for each lane whose bit is set in Active, it adds BlockCount
// consecutive 64-byte blocks, starting at Data[Lane] at any address, into that lane's chaining
// words. The other lanes keep theirs, and their pointers are never read (they may be null). Bits
// at and above the kernel's lane count must be clear.
using TSha256LaneBlocks = void (*)(TSha256LaneState& State,
                                   const std::uint8_t* const Data[MaxLanes], std::size_t BlockCount,
                                   TLaneMask Active);
using TSha1LaneBlocks = void (*)(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                                 std::size_t BlockCount, TLaneMask Active);

// Plain C++ for any target: eight lanes side by side, which the compiler puts in whatever vector
// registers the target has, or interleaves in general registers.
inline constexpr std::size_t PortableLanes = 8;
void Sha256LaneBlocksPortable(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                              std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksPortable(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);

#ifdef SUMTIDE_SHA_LANES_X86
// Eight lanes in 256-bit registers. Need AVX2.
inline constexpr std::size_t Avx2Lanes = 8;
void Sha256LaneBlocksAvx2(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksAvx2(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                        std::size_t BlockCount, TLaneMask Active);

// Sixteen lanes in 512-bit registers, with vprord and vpternlogd. Need AVX-512F and AVX-512BW.
inline constexpr std::size_t Avx512Lanes = 16;
void Sha256LaneBlocksAvx512(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksAvx512(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
#endif

// Each algorithm's kernels as candidates (FunctionChoice.h), the same three on the same
// instructions, in this order of preference where they run about equally fast: no more lanes
// than the one before, so fewer messages have to be in flight to keep every lane busy, and the
// plainer code first: "portable", "avx2", "avx512". A kernel is named by its row in the table.
std::span<const FunctionChoice::TCandidate<TSha256LaneBlocks>> Sha256LaneCandidates();
std::span<const FunctionChoice::TCandidate<TSha1LaneBlocks>> Sha1LaneCandidates();

// The environment variables that force a kernel by its name, for tests and benchmarks. A kernel
// this processor cannot run forces the portable one; any other value forces nothing.
inline constexpr const char* Sha256LaneKernelVariable = "SUMTIDE_SHA256_LANES";
inline constexpr const char* Sha1LaneKernelVariable = "SUMTIDE_SHA1_LANES";

// What each kernel hashes in the same time, by row (LaneChoice.h); 0 for one that does not run.
std::vector<double> MeasureSha256LaneKernels();
std::vector<double> MeasureSha1LaneKernels();

// The row of the kernel each algorithm uses by default in this process: chosen the first time
// it is asked and kept.
std::size_t Sha256LaneKernelInUse();
std::size_t Sha1LaneKernelInUse();

} // namespace Sumtide::ShaInternal
