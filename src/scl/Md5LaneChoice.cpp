// Which MD5 lane kernel TMd5Lanes uses on this processor.
//
// A kernel with wider registers has more lanes, but how many bytes it hashes in a given time
// depends on how long each of its operations takes to deliver its result (two cycles for a vector
// addition or rotate on AMD Zen 5), which the processor's flags do not tell. So every kernel this
// processor runs is timed once per process, the first time the lanes are used, on the same blocks
// with all its lanes busy.

#include "scl/Md5LaneKernels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#ifdef SUMTIDE_MD5_LANES_X86
#include <x86intrin.h>
#endif

namespace Sumtide::Md5Internal {

namespace {

// A kernel later in the order replaces the one chosen so far only when it hashes at least 5% more
// bytes in the same time: it may have more lanes, which need more messages in flight to be kept
// busy (lanes left idle hash nothing), and a difference within the measurement's noise is no
// reason to change.
constexpr double LaterMargin = 1.05;

std::size_t Index(TLaneKernel Kernel) {
  return static_cast<std::size_t>(Kernel);
}

#ifdef SUMTIDE_MD5_LANES_X86

constexpr std::size_t TimedBlocks = 8; // per lane: 8 KiB for sixteen lanes
constexpr int TimedRounds = 7;

// The time-stamp counter ticks Blocks took for the kernel's lanes. The counter runs at a
// constant rate whatever the core clock does, and every kernel is timed alike.
double TimeKernel(TLaneBlocks Blocks, TLaneState& State, const std::uint8_t* const Data[MaxLanes],
                  TLaneMask Active) {
  __asm__ __volatile__("" ::: "memory");
  const std::uint64_t Start = __rdtsc();
  __asm__ __volatile__("" ::: "memory");
  Blocks(State, Data, TimedBlocks, Active);
  __asm__ __volatile__("" ::: "memory");
  return static_cast<double>(__rdtsc() - Start);
}

#endif

} // namespace

std::string_view LaneKernelName(TLaneKernel Kernel) {
  switch (Kernel) {
  case TLaneKernel::Avx2:
    return "avx2";
  case TLaneKernel::Avx512:
    return "avx512";
  default:
    return "portable";
  }
}

std::size_t LaneCount(TLaneKernel Kernel) {
#ifdef SUMTIDE_MD5_LANES_X86
  if (Kernel == TLaneKernel::Avx2)
    return Avx2Lanes;
  if (Kernel == TLaneKernel::Avx512)
    return Avx512Lanes;
#endif
  (void)Kernel;
  return PortableLanes;
}

bool LaneKernelRuns(TLaneKernel Kernel) {
#ifdef SUMTIDE_MD5_LANES_X86
  __builtin_cpu_init();
  if (Kernel == TLaneKernel::Avx2)
    return __builtin_cpu_supports("avx2");
  if (Kernel == TLaneKernel::Avx512)
    return __builtin_cpu_supports("avx512f");
#endif
  return Kernel == TLaneKernel::Portable;
}

TLaneBlocks LaneBlocksOf(TLaneKernel Kernel) {
#ifdef SUMTIDE_MD5_LANES_X86
  if (Kernel == TLaneKernel::Avx2)
    return LaneBlocksAvx2;
  if (Kernel == TLaneKernel::Avx512)
    return LaneBlocksAvx512;
#endif
  (void)Kernel;
  return LaneBlocksPortable;
}

TLaneRates MeasureLaneKernels() {
  TLaneRates Rates{};
#ifdef SUMTIDE_MD5_LANES_X86
  std::vector<TLaneKernel> Kernels;
  for (const TLaneKernel Kernel : LaneKernels)
    if (LaneKernelRuns(Kernel))
      Kernels.push_back(Kernel);

  std::vector<std::uint8_t> Bytes(MaxLanes * TimedBlocks * 64);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[MaxLanes];
  for (std::size_t L = 0; L < MaxLanes; ++L)
    Data[L] = Bytes.data() + L * TimedBlocks * 64;
  TLaneState State{};

  // One untimed pass each first, for processors that bring up their wide units on first use.
  // Then rounds in turns, the order rotating each round, so that a clock still rising or a
  // disturbance from elsewhere falls on all of them; the best of each is what the kernel can do.
  std::array<double, LaneKernelCount> Best{};
  for (int Round = -1; Round < TimedRounds; ++Round) {
    for (std::size_t I = 0; I < Kernels.size(); ++I) {
      const TLaneKernel Kernel =
          Kernels[(I + static_cast<std::size_t>(Round + 1)) % Kernels.size()];
      const TLaneMask All = (TLaneMask{1} << LaneCount(Kernel)) - 1;
      const double Ticks = TimeKernel(LaneBlocksOf(Kernel), State, Data, All);
      if (Round >= 0 && Ticks > 0) {
        const double Rate = static_cast<double>(LaneCount(Kernel) * TimedBlocks * 64) / Ticks;
        Best[Index(Kernel)] = std::max(Best[Index(Kernel)], Rate);
      }
    }
  }
  Rates = Best;
#endif
  return Rates;
}

TLaneKernel ChooseLaneKernel(std::string_view Forced, const TLaneKernelsRunning& Running,
                             const std::function<TLaneRates()>& Measure) {
  for (const TLaneKernel Kernel : LaneKernels)
    if (Forced == LaneKernelName(Kernel))
      return Running[Index(Kernel)] ? Kernel : TLaneKernel::Portable;

  if (std::count(Running.begin(), Running.end(), true) < 2)
    return TLaneKernel::Portable;
  const TLaneRates Rates = Measure();
  TLaneKernel Chosen = TLaneKernel::Portable;
  for (const TLaneKernel Kernel : LaneKernels)
    if (Running[Index(Kernel)] && Rates[Index(Kernel)] > Rates[Index(Chosen)] * LaterMargin)
      Chosen = Kernel;
  return Chosen;
}

TLaneKernel LaneKernelInUse() {
  static const TLaneKernel Chosen = [] {
    TLaneKernelsRunning Running{};
    for (const TLaneKernel Kernel : LaneKernels)
      Running[Index(Kernel)] = LaneKernelRuns(Kernel);
    const char* Forced = std::getenv(LaneKernelVariable);
    return ChooseLaneKernel(Forced ? Forced : "", Running, MeasureLaneKernels);
  }();
  return Chosen;
}

} // namespace Sumtide::Md5Internal
