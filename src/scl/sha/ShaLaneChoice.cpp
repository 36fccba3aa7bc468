// Which SHA-256 and which SHA-1 lane kernel to use on this processor, timed as every digest's
// lanes are (LaneChoice.h).

#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/sha/ShaKernels.h"

namespace Sumtide::ShaInternal {

namespace {

using FunctionChoice::TCandidate;

#ifdef SUMTIDE_SHA_LANES_X86
bool RunsAvx2() {
  return Processor::Has(Processor::TFeature::Avx2);
}
bool RunsAvx512() {
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Bw);
}
const TCandidate<TSha256LaneBlocks> Sha256Kernels[] = {
    {"portable", Sha256LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", Sha256LaneBlocksAvx2, RunsAvx2, Avx2Lanes},
    {"avx512", Sha256LaneBlocksAvx512, RunsAvx512, Avx512Lanes},
};
const TCandidate<TSha1LaneBlocks> Sha1Kernels[] = {
    {"portable", Sha1LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", Sha1LaneBlocksAvx2, RunsAvx2, Avx2Lanes},
    {"avx512", Sha1LaneBlocksAvx512, RunsAvx512, Avx512Lanes},
};
#else
const TCandidate<TSha256LaneBlocks> Sha256Kernels[] = {
    {"portable", Sha256LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", nullptr, FunctionChoice::Never, 8},
    {"avx512", nullptr, FunctionChoice::Never, 16},
};
const TCandidate<TSha1LaneBlocks> Sha1Kernels[] = {
    {"portable", Sha1LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", nullptr, FunctionChoice::Never, 8},
    {"avx512", nullptr, FunctionChoice::Never, 16},
};
#endif

} // namespace

std::span<const TCandidate<TSha256LaneBlocks>> Sha256LaneCandidates() {
  return Sha256Kernels;
}
std::span<const TCandidate<TSha1LaneBlocks>> Sha1LaneCandidates() {
  return Sha1Kernels;
}

std::vector<double> MeasureSha256LaneKernels() {
  return LaneChoice::Measure<TSha256LaneState>(Sha256LaneCandidates());
}
std::vector<double> MeasureSha1LaneKernels() {
  return LaneChoice::Measure<TSha1LaneState>(Sha1LaneCandidates());
}

std::size_t Sha256LaneKernelInUse() {
  static const std::size_t Chosen =
      LaneChoice::Choose<TSha256LaneState>(Sha256LaneCandidates(), Sha256LaneKernelVariable);
  return Chosen;
}
std::size_t Sha1LaneKernelInUse() {
  static const std::size_t Chosen =
      LaneChoice::Choose<TSha1LaneState>(Sha1LaneCandidates(), Sha1LaneKernelVariable);
  return Chosen;
}

} // namespace Sumtide::ShaInternal
