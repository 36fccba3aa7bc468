// Which MD5 lane kernel TMd5Lanes uses on this processor, timed as every digest's lanes are
// (LaneChoice.h): on AMD Zen 5, a vector addition or rotate takes two cycles to deliver its
// result, which the processor's flags do not tell.

#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/md5/Md5LaneKernels.h"

namespace Sumtide::Md5Internal {

namespace {

std::size_t Index(TLaneKernel Kernel) {
  return static_cast<std::size_t>(Kernel);
}

const LaneChoice::TKernels<TLaneKernel, LaneKernelCount> Kernels{LaneKernels, LaneKernelRuns,
                                                                 LaneCount, LaneKernelName};

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
  if (Kernel == TLaneKernel::Avx2)
    return Processor::Has(Processor::TFeature::Avx2);
  if (Kernel == TLaneKernel::Avx512)
    return Processor::Has(Processor::TFeature::Avx512F);
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
#ifdef SUMTIDE_MD5_LANES_X86
  return LaneChoice::Measure<TLaneState>(Kernels, LaneBlocksOf);
#else
  return {}; // only the portable kernel: nothing to choose between
#endif
}

TLaneKernel ChooseLaneKernel(std::string_view Forced, const TLaneKernelsRunning& Running,
                             const std::function<TLaneRates()>& Measure) {
  return LaneChoice::Choose(Kernels, Forced, Running, Measure);
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
