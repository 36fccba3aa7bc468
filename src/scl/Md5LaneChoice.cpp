// Which MD5 lane kernel TMd5Lanes uses on this processor.
//
// A kernel with wider registers has more lanes, but how many bytes it hashes in a given time
// depends on how long each of its operations takes to deliver its result (two cycles for a vector
// addition or rotate on AMD Zen 5), which the processor's flags do not tell. So every kernel this
// processor runs is timed once per process, the first time the lanes are used, on the same blocks
// with all its lanes busy (FunctionChoice.h).

#include "scl/FunctionChoice.h"
#include "scl/Md5LaneKernels.h"

#include <algorithm>
#include <vector>

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
  bool Runs[LaneKernelCount];
  for (const TLaneKernel Kernel : LaneKernels)
    Runs[Index(Kernel)] = LaneKernelRuns(Kernel);

  std::vector<std::uint8_t> Bytes(MaxLanes * TimedBlocks * 64);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[MaxLanes];
  for (std::size_t L = 0; L < MaxLanes; ++L)
    Data[L] = Bytes.data() + L * TimedBlocks * 64;
  TLaneState State{};

  // Each kernel's rate counts the blocks of all its lanes: the work of one lane's blocks is 1,
  // and a pass is divided by the kernel's lane count.
  const std::vector<double> PerLane =
      FunctionChoice::MeasureRates(Runs, 1, [&](std::size_t Candidate) {
        const TLaneKernel Kernel = LaneKernels[Candidate];
        const TLaneMask All = (TLaneMask{1} << LaneCount(Kernel)) - 1;
        const double Start = FunctionChoice::Ticks();
        LaneBlocksOf(Kernel)(State, Data, TimedBlocks, All);
        return (FunctionChoice::Ticks() - Start) / static_cast<double>(LaneCount(Kernel));
      });
  for (const TLaneKernel Kernel : LaneKernels)
    Rates[Index(Kernel)] = PerLane[Index(Kernel)] * static_cast<double>(TimedBlocks * 64);
#endif
  return Rates;
}

TLaneKernel ChooseLaneKernel(std::string_view Forced, const TLaneKernelsRunning& Running,
                             const std::function<TLaneRates()>& Measure) {
  std::string_view Names[LaneKernelCount];
  for (const TLaneKernel Kernel : LaneKernels)
    Names[Index(Kernel)] = LaneKernelName(Kernel);
  const std::size_t Chosen = FunctionChoice::Choose({Names, Running}, Forced, LaterMargin, [&] {
    const TLaneRates Rates = Measure();
    return std::vector<double>(Rates.begin(), Rates.end());
  });
  return LaneKernels[Chosen];
}

TLaneKernel LaneKernelInUse() {
  static const TLaneKernel Chosen = [] {
    TLaneKernelsRunning Running{};
    for (const TLaneKernel Kernel : LaneKernels)
      Running[Index(Kernel)] = LaneKernelRuns(Kernel);
    return ChooseLaneKernel(FunctionChoice::Forced(LaneKernelVariable), Running,
                            MeasureLaneKernels);
  }();
  return Chosen;
}

} // namespace Sumtide::Md5Internal
