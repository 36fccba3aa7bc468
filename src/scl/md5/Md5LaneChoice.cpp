// Which MD5 lane kernel TMd5Lanes uses on this processor, timed as every digest's lanes are
// (LaneChoice.h): on AMD Zen 5, a vector addition or rotate takes two cycles to deliver its
// result, which the processor's flags do not tell.

#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/md5/Md5Kernels.h"

namespace Sumtide::Md5Internal {

namespace {

#ifdef SUMTIDE_MD5_LANES_X86
bool RunsAvx2() {
  return Processor::Has(Processor::TFeature::Avx2);
}
bool RunsAvx512() {
  return Processor::Has(Processor::TFeature::Avx512F);
}
const FunctionChoice::TCandidate<TLaneBlocks> Candidates[] = {
    {"portable", LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", LaneBlocksAvx2, RunsAvx2, Avx2Lanes},
    {"avx512", LaneBlocksAvx512, RunsAvx512, Avx512Lanes},
};
#else
const FunctionChoice::TCandidate<TLaneBlocks> Candidates[] = {
    {"portable", LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", nullptr, FunctionChoice::Never, 8},
    {"avx512", nullptr, FunctionChoice::Never, 16},
};
#endif

} // namespace

std::span<const FunctionChoice::TCandidate<TLaneBlocks>> LaneCandidates() {
  return Candidates;
}

std::vector<double> MeasureLaneKernels() {
  return LaneChoice::Measure<TLaneState>(LaneCandidates());
}

std::size_t LaneKernelInUse() {
  static const std::size_t Chosen =
      LaneChoice::Choose<TLaneState>(LaneCandidates(), LaneKernelVariable);
  return Chosen;
}

} // namespace Sumtide::Md5Internal
