// Which SHA-256 and which SHA-1 lane kernel to use on this processor.
//
// A kernel with wider registers has more lanes, but how many bytes it hashes in a given time
// depends on how long each of its operations takes to deliver its result, which the processor's
// flags do not tell. So every kernel this processor runs is timed once per process and algorithm,
// the first time it is asked for, on the same blocks with all its lanes busy (FunctionChoice.h).

#include "scl/FunctionChoice.h"
#include "scl/ShaLaneKernels.h"

#include <vector>

namespace Sumtide::ShaInternal {

namespace {

// A kernel later in the order replaces the one chosen so far only when it hashes at least 5% more
// bytes in the same time: it may have more lanes, which need more messages in flight to be kept
// busy (lanes left idle hash nothing), and a difference within the measurement's noise is no
// reason to change.
constexpr double LaterMargin = 1.05;

constexpr std::size_t TimedBlocks = 8; // per lane: 8 KiB for sixteen lanes

std::size_t Index(TShaLaneKernel Kernel) {
  return static_cast<std::size_t>(Kernel);
}

// Times Blocks(Kernel) for every kernel that runs, over the same TimedBlocks blocks in each lane.
template <class TState, class TBlocksOf> TShaLaneRates Measure(TBlocksOf BlocksOf) {
  TShaLaneRates Rates{};
  bool Runs[ShaLaneKernelCount];
  for (const TShaLaneKernel Kernel : ShaLaneKernels)
    Runs[Index(Kernel)] = ShaLaneKernelRuns(Kernel);

  std::vector<std::uint8_t> Bytes(MaxLanes * TimedBlocks * 64);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[MaxLanes];
  for (std::size_t L = 0; L < MaxLanes; ++L)
    Data[L] = Bytes.data() + L * TimedBlocks * 64;
  TState State{};

  // Each kernel's rate counts the blocks of all its lanes: the work of one lane's blocks is 1,
  // and a pass is divided by the kernel's lane count.
  const std::vector<double> PerLane =
      FunctionChoice::MeasureRates(Runs, 1, [&](std::size_t Candidate) {
        const TShaLaneKernel Kernel = ShaLaneKernels[Candidate];
        const TLaneMask All = (TLaneMask{1} << ShaLaneCount(Kernel)) - 1;
        const double Start = FunctionChoice::Ticks();
        BlocksOf(Kernel)(State, Data, TimedBlocks, All);
        return (FunctionChoice::Ticks() - Start) / static_cast<double>(ShaLaneCount(Kernel));
      });
  for (const TShaLaneKernel Kernel : ShaLaneKernels)
    Rates[Index(Kernel)] = PerLane[Index(Kernel)] * static_cast<double>(TimedBlocks * 64);
  return Rates;
}

TShaLaneKernel InUse(const char* Variable, TShaLaneRates (*MeasureKernels)()) {
  TShaLaneKernelsRunning Running{};
  for (const TShaLaneKernel Kernel : ShaLaneKernels)
    Running[Index(Kernel)] = ShaLaneKernelRuns(Kernel);
  return ChooseShaLaneKernel(FunctionChoice::Forced(Variable), Running, MeasureKernels);
}

} // namespace

std::string_view ShaLaneKernelName(TShaLaneKernel Kernel) {
  switch (Kernel) {
  case TShaLaneKernel::Avx2:
    return "avx2";
  case TShaLaneKernel::Avx512:
    return "avx512";
  default:
    return "portable";
  }
}

std::size_t ShaLaneCount(TShaLaneKernel Kernel) {
#ifdef SUMTIDE_SHA_LANES_X86
  if (Kernel == TShaLaneKernel::Avx2)
    return Avx2Lanes;
  if (Kernel == TShaLaneKernel::Avx512)
    return Avx512Lanes;
#endif
  (void)Kernel;
  return PortableLanes;
}

bool ShaLaneKernelRuns(TShaLaneKernel Kernel) {
#ifdef SUMTIDE_SHA_LANES_X86
  __builtin_cpu_init();
  if (Kernel == TShaLaneKernel::Avx2)
    return __builtin_cpu_supports("avx2");
  if (Kernel == TShaLaneKernel::Avx512)
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
  return Kernel == TShaLaneKernel::Portable;
}

TSha256LaneBlocks Sha256LaneBlocksOf(TShaLaneKernel Kernel) {
#ifdef SUMTIDE_SHA_LANES_X86
  if (Kernel == TShaLaneKernel::Avx2)
    return Sha256LaneBlocksAvx2;
  if (Kernel == TShaLaneKernel::Avx512)
    return Sha256LaneBlocksAvx512;
#endif
  (void)Kernel;
  return Sha256LaneBlocksPortable;
}

TSha1LaneBlocks Sha1LaneBlocksOf(TShaLaneKernel Kernel) {
#ifdef SUMTIDE_SHA_LANES_X86
  if (Kernel == TShaLaneKernel::Avx2)
    return Sha1LaneBlocksAvx2;
  if (Kernel == TShaLaneKernel::Avx512)
    return Sha1LaneBlocksAvx512;
#endif
  (void)Kernel;
  return Sha1LaneBlocksPortable;
}

TShaLaneRates MeasureSha256LaneKernels() {
  return Measure<TSha256LaneState>(Sha256LaneBlocksOf);
}

TShaLaneRates MeasureSha1LaneKernels() {
  return Measure<TSha1LaneState>(Sha1LaneBlocksOf);
}

TShaLaneKernel ChooseShaLaneKernel(std::string_view Forced, const TShaLaneKernelsRunning& Running,
                                   const std::function<TShaLaneRates()>& Measure) {
  std::string_view Names[ShaLaneKernelCount];
  for (const TShaLaneKernel Kernel : ShaLaneKernels)
    Names[Index(Kernel)] = ShaLaneKernelName(Kernel);
  const std::size_t Chosen = FunctionChoice::Choose({Names, Running}, Forced, LaterMargin, [&] {
    const TShaLaneRates Rates = Measure();
    return std::vector<double>(Rates.begin(), Rates.end());
  });
  return ShaLaneKernels[Chosen];
}

TShaLaneKernel Sha256LaneKernelInUse() {
  static const TShaLaneKernel Chosen = InUse(Sha256LaneKernelVariable, MeasureSha256LaneKernels);
  return Chosen;
}

TShaLaneKernel Sha1LaneKernelInUse() {
  static const TShaLaneKernel Chosen = InUse(Sha1LaneKernelVariable, MeasureSha1LaneKernels);
  return Chosen;
}

} // namespace Sumtide::ShaInternal
