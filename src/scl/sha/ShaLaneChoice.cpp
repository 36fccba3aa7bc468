// Which SHA-256 and which SHA-1 lane kernel to use on this processor, timed as every digest's
// lanes are (LaneChoice.h).

#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/sha/ShaLaneKernels.h"

namespace Sumtide::ShaInternal {

namespace {

std::size_t Index(TShaLaneKernel Kernel) {
  return static_cast<std::size_t>(Kernel);
}

const LaneChoice::TKernels<TShaLaneKernel, ShaLaneKernelCount> Kernels{
    ShaLaneKernels, ShaLaneKernelRuns, ShaLaneCount, ShaLaneKernelName};

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
  using Processor::TFeature;
  if (Kernel == TShaLaneKernel::Avx2)
    return Processor::Has(TFeature::Avx2);
  if (Kernel == TShaLaneKernel::Avx512)
    return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Bw);
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
  return LaneChoice::Measure<TSha256LaneState>(Kernels, Sha256LaneBlocksOf);
}

TShaLaneRates MeasureSha1LaneKernels() {
  return LaneChoice::Measure<TSha1LaneState>(Kernels, Sha1LaneBlocksOf);
}

TShaLaneKernel ChooseShaLaneKernel(std::string_view Forced, const TShaLaneKernelsRunning& Running,
                                   const std::function<TShaLaneRates()>& Measure) {
  return LaneChoice::Choose(Kernels, Forced, Running, Measure);
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
