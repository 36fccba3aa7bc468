// The SHA-2 candidate tables: the block functions of SHA-256 and SHA-512 and the SHA-256 lane
// kernels, each chosen once per process by timing the ones this processor runs (ShaCommon.h,
// LaneChoice.h).

#include "scl/lanes/LaneChoice.h"
#include "scl/sha2/Sha2Kernels.h"

namespace Sumtide::ShaInternal {

namespace {

using FunctionChoice::TCandidate;

void Sha256Portable(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    Sha256CompressPortable(State, Blocks);
}
void Sha512Portable(std::uint64_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 128)
    Sha512CompressPortable(State, Blocks);
}

#ifdef SUMTIDE_SHA_NI_COMPRESS
constexpr TBlocks<std::uint32_t> Sha256ShaNi = Sha256CompressShaNi;
#else
constexpr TBlocks<std::uint32_t> Sha256ShaNi = nullptr;
#endif
#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
constexpr TBlocks<std::uint64_t> Sha512Avx2 = Sha512CompressAvx2;
constexpr TBlocks<std::uint64_t> Sha512Avx512 = Sha512CompressAvx512;
#else
constexpr TBlocks<std::uint64_t> Sha512Avx2 = nullptr;
constexpr TBlocks<std::uint64_t> Sha512Avx512 = nullptr;
#endif

const TBlockCandidate<std::uint32_t> Sha256Blocks[] = {
    {"portable", Sha256Portable, FunctionChoice::Always}, {"shani", Sha256ShaNi, HasShaExtensions}};
const TBlockCandidate<std::uint64_t> Sha512Blocks[] = {
    {"portable", Sha512Portable, FunctionChoice::Always},
    {"avx2", Sha512Avx2, HasSha512Avx2},
    {"avx512", Sha512Avx512, HasSha512Avx512}};

#ifdef SUMTIDE_SHA_LANES_X86
const TCandidate<TSha256LaneBlocks> Kernels[] = {
    {"portable", Sha256LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", Sha256LaneBlocksAvx2, RunsLanesAvx2, Avx2Lanes},
    {"avx512", Sha256LaneBlocksAvx512, RunsLanesAvx512, Avx512Lanes},
};
#else
const TCandidate<TSha256LaneBlocks> Kernels[] = {
    {"portable", Sha256LaneBlocksPortable, FunctionChoice::Always, PortableLanes},
    {"avx2", nullptr, RunsLanesAvx2, Avx2Lanes},
    {"avx512", nullptr, RunsLanesAvx512, Avx512Lanes},
};
#endif

} // namespace

std::span<const TBlockCandidate<std::uint32_t>> Sha256Candidates() {
  return Sha256Blocks;
}
std::span<const TBlockCandidate<std::uint64_t>> Sha512Candidates() {
  return Sha512Blocks;
}

std::size_t Sha256BlocksInUse() {
  static const std::size_t Chosen = ChooseBlocks(Sha256Candidates(), 64, Sha256BlockVariable);
  return Chosen;
}
std::size_t Sha512BlocksInUse() {
  static const std::size_t Chosen = ChooseBlocks(Sha512Candidates(), 128, Sha512BlockVariable);
  return Chosen;
}

std::span<const TCandidate<TSha256LaneBlocks>> Sha256LaneCandidates() {
  return Kernels;
}

std::vector<double> MeasureSha256LaneKernels() {
  return LaneChoice::Measure<TSha256LaneState>(Sha256LaneCandidates());
}

std::size_t Sha256LaneKernelInUse() {
  static const std::size_t Chosen =
      LaneChoice::Choose<TSha256LaneState>(Sha256LaneCandidates(), Sha256LaneKernelVariable);
  return Chosen;
}

} // namespace Sumtide::ShaInternal
