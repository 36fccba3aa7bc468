#pragma once

// The MD5 lane kernels, private to the library: block functions that hash several independent
// messages at once, one message per lane of a vector register, each lane compressing one block
// per call of the step. TMd5Lanes (Md5Lanes.h) drives them; the tests and the benchmark reach
// each one directly.

#include "scl/lanes/LaneTypes.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

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

// In the order of preference where they run about equally fast: no more lanes than the one before,
// so fewer messages have to be in flight to keep every lane busy, and the plainer code first.
enum class TLaneKernel : std::uint8_t { Portable, Avx2, Avx512 };
inline constexpr std::size_t LaneKernelCount = 3;
inline constexpr std::array<TLaneKernel, LaneKernelCount> LaneKernels = {
    TLaneKernel::Portable, TLaneKernel::Avx2, TLaneKernel::Avx512};

// "portable", "avx2" or "avx512".
std::string_view LaneKernelName(TLaneKernel Kernel);
std::size_t LaneCount(TLaneKernel Kernel);

// Whether this processor (and its operating system) can run the kernel. The portable one always.
bool LaneKernelRuns(TLaneKernel Kernel);

// The kernel's function. Kernel has to be one that runs here.
TLaneBlocks LaneBlocksOf(TLaneKernel Kernel);

// The environment variable that forces a kernel ("portable", "avx2" or "avx512"), for tests and
// benchmarks. A kernel this processor cannot run forces the portable one; any other value forces
// nothing.
inline constexpr const char* LaneKernelVariable = "SUMTIDE_MD5_LANES";

// What each kernel hashed in the same time, counting the blocks of all its lanes, in any one unit
// (bytes per time-stamp counter tick as measured). 0 for a kernel that does not run here.
using TLaneRates = std::array<double, LaneKernelCount>;
// Which kernels run here, by kernel; the portable one always does.
using TLaneKernelsRunning = std::array<bool, LaneKernelCount>;

// Times every kernel that runs here on the same blocks, several times in turns, and keeps the
// best rate of each.
TLaneRates MeasureLaneKernels();

// The choice, given what the environment variable holds (empty when unset), which kernels run,
// and a way to measure them, which is called only when the answer depends on it. Where no kernel
// is forced, each kernel in the order above replaces the one chosen so far only when it hashes
// clearly more bytes in the same time.
TLaneKernel ChooseLaneKernel(std::string_view Forced, const TLaneKernelsRunning& Running,
                             const std::function<TLaneRates()>& Measure);

// The kernel TMd5Lanes uses by default in this process: chosen the first time it is asked and
// kept.
TLaneKernel LaneKernelInUse();

} // namespace Sumtide::Md5Internal
