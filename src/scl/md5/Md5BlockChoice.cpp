// Which MD5 block function TSCL_md5 uses on this processor.
//
// The AVX-512 function waits on four operations a step where the portable one waits on four or
// five, which pays only where those vector operations take one cycle each. On the Intel
// processors with AVX-512 we measured it is about 10% faster than the portable one; on AMD Zen 4
// and Zen 5, which report the same AVX-512 flags, it is 30% to 50% slower. The flags cannot tell
// these apart, and a table of processor families goes stale with each new one, so both are timed
// once per process (FunctionChoice.h), the first time a block is hashed, which costs about a
// tenth of a millisecond.

#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5StepTable.h"

#include <array>
#include <cstddef>
#include <vector>

namespace Sumtide::Md5Internal {

#ifdef SUMTIDE_MD5_AVX512_COMPRESS
void BlocksAvx512(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    CompressAvx512(State, Blocks);
}
#endif

namespace {

#ifdef SUMTIDE_MD5_AVX512_COMPRESS
constexpr TBlocks Vector = BlocksAvx512;
#else
constexpr TBlocks Vector = nullptr;
#endif

const FunctionChoice::TCandidate<TBlocks> Candidates[] = {
    {"portable", BlocksPortable, FunctionChoice::Always},
    {"vector", Vector, HasAvx512Compress},
};

constexpr std::size_t TimedBlocks = 64; // 4 KiB, a few microseconds for either function

} // namespace

std::span<const FunctionChoice::TCandidate<TBlocks>> BlockCandidates() {
  return Candidates;
}

std::vector<double> MeasureBlockFunctions() {
  std::array<std::uint8_t, 64 * TimedBlocks> Data;
  for (std::size_t I = 0; I < Data.size(); ++I)
    Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
  std::array<std::uint32_t, 4> State = InitialChain;
  return FunctionChoice::MeasureRows(BlockCandidates(), 1, [&](const auto& Row) {
    const double Start = FunctionChoice::Ticks();
    Row.Function(State.data(), Data.data(), TimedBlocks);
    return FunctionChoice::Ticks() - Start;
  });
}

std::size_t BlockFunctionInUse() {
  static const std::size_t Chosen =
      FunctionChoice::ChooseRow(BlockCandidates(), FunctionChoice::Forced(BlockFunctionVariable),
                                BlockMargin, MeasureBlockFunctions);
  return Chosen;
}

} // namespace Sumtide::Md5Internal
