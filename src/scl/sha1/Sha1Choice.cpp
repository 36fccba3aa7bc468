// The SHA-1 candidate tables: its block functions and its lane kernels, each chosen once per
// process by timing the ones this processor runs (ShaCommon.h, LaneChoice.h).

#include "scl/lanes/LaneChoice.h"
#include "scl/sha1/Sha1Kernels.h"

namespace Sumtide::ShaInternal {

namespace {

using FunctionChoice::TCandidate;

void Sha1Portable(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    Sha1CompressPortable(State, Blocks);
}

#ifdef SUMTIDE_SHA_NI_COMPRESS
constexpr TBlocks<std::uint32_t> Sha1ShaNi = Sha1CompressShaNi;
#else
constexpr TBlocks<std::uint32_t> Sha1ShaNi = nullptr;
#endif

const TBlockCandidate<std::uint32_t> Blocks[] = {{"portable", Sha1Portable, FunctionChoice::Always},
                                                 {"shani", Sha1ShaNi, HasShaExtensions}};

#ifdef SUMTIDE_SHA_LANES_X86
const TCandidate<TSha1LaneBlocks> Kernels[] = {
    {"portable", Sha1LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", Sha1LaneBlocksAvx2, RunsLanesAvx2, Avx2Lanes},
    {"avx512", Sha1LaneBlocksAvx512, RunsLanesAvx512, Avx512Lanes},
};
#else
const TCandidate<TSha1LaneBlocks> Kernels[] = {
    {"portable", Sha1LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", nullptr, RunsLanesAvx2, Avx2Lanes},
    {"avx512", nullptr, RunsLanesAvx512, Avx512Lanes},
};
#endif

} // namespace

std::span<const TBlockCandidate<std::uint32_t>> Sha1Candidates() {
  return Blocks;
}

std::size_t Sha1BlocksInUse() {
  static const std::size_t Chosen = ChooseBlocks(Sha1Candidates(), 64, Sha1BlockVariable);
  return Chosen;
}

std::span<const TCandidate<TSha1LaneBlocks>> Sha1LaneCandidates() {
  return Kernels;
}

std::vector<double> MeasureSha1LaneKernels() {
  return LaneChoice::Measure<TSha1LaneState>(Sha1LaneCandidates());
}

std::size_t Sha1LaneKernelInUse() {
  static const std::size_t Chosen =
      LaneChoice::Choose<TSha1LaneState>(Sha1LaneCandidates(), Sha1LaneKernelVariable);
  return Chosen;
}

} // namespace Sumtide::ShaInternal
