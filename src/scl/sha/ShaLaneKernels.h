#pragma once

// The SHA-256 and SHA-1 lane kernels, private to the library: block functions that hash several
// independent messages at once, one message per 32-bit lane of a vector register, with the lane
// types every lane set shares (LaneTypes.h): an idle lane reads the blocks of the lowest active
// lane (LanePointers) and its result is dropped.

#include "scl/lanes/LaneTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

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

// Both algorithms have the same three kernels, on the same instructions, in this order of
// preference where they run about equally fast: no more lanes than the one before, so fewer
// messages have to be in flight to keep every lane busy, and the plainer code first.
enum class TShaLaneKernel : std::uint8_t { Portable, Avx2, Avx512 };
inline constexpr std::size_t ShaLaneKernelCount = 3;
inline constexpr std::array<TShaLaneKernel, ShaLaneKernelCount> ShaLaneKernels = {
    TShaLaneKernel::Portable, TShaLaneKernel::Avx2, TShaLaneKernel::Avx512};

// "portable", "avx2" or "avx512".
std::string_view ShaLaneKernelName(TShaLaneKernel Kernel);
std::size_t ShaLaneCount(TShaLaneKernel Kernel);

// Whether this processor (and its operating system) can run the kernel, of either algorithm. The
// portable one always.
bool ShaLaneKernelRuns(TShaLaneKernel Kernel);

// The kernel's function. Kernel has to be one that runs here.
TSha256LaneBlocks Sha256LaneBlocksOf(TShaLaneKernel Kernel);
TSha1LaneBlocks Sha1LaneBlocksOf(TShaLaneKernel Kernel);

// The environment variables that force a kernel ("portable", "avx2" or "avx512"), for tests and
// benchmarks. A kernel this processor cannot run forces the portable one; any other value forces
// nothing.
inline constexpr const char* Sha256LaneKernelVariable = "SUMTIDE_SHA256_LANES";
inline constexpr const char* Sha1LaneKernelVariable = "SUMTIDE_SHA1_LANES";

// What each kernel hashed in the same time, counting the blocks of all its lanes, in any one unit
// (bytes per time-stamp counter tick as measured). 0 for a kernel that does not run here.
using TShaLaneRates = std::array<double, ShaLaneKernelCount>;
// Which kernels run here, by kernel; the portable one always does.
using TShaLaneKernelsRunning = std::array<bool, ShaLaneKernelCount>;

// Times every kernel of the algorithm that runs here on the same blocks, several times in turns,
// and keeps the best rate of each.
TShaLaneRates MeasureSha256LaneKernels();
TShaLaneRates MeasureSha1LaneKernels();

// The choice, given what the environment variable holds (empty when unset), which kernels run,
// and a way to measure them, which is called only when the answer depends on it. Where no kernel
// is forced, each kernel in the order above replaces the one chosen so far only when it hashes
// clearly more bytes in the same time.
TShaLaneKernel ChooseShaLaneKernel(std::string_view Forced, const TShaLaneKernelsRunning& Running,
                                   const std::function<TShaLaneRates()>& Measure);

// The kernel each algorithm uses by default in this process: chosen the first time it is asked
// and kept.
TShaLaneKernel Sha256LaneKernelInUse();
TShaLaneKernel Sha1LaneKernelInUse();

} // namespace Sumtide::ShaInternal
