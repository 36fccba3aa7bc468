// Which MD5 block function TSCL_md5 uses on this processor.
//
// The AVX-512 function waits on four operations a step where the portable one waits on four or
// five, which pays only where those vector operations take one cycle each. On the Intel
// processors with AVX-512 we measured it is about 10% faster than the portable one; on AMD Zen 4
// and Zen 5, which report the same AVX-512 flags, it is 30% to 50% slower. The flags cannot tell
// these apart, and a table of processor families goes stale with each new one, so both are timed
// once per process (FunctionChoice.h), the first time a block is hashed, which costs about a
// tenth of a millisecond.

#include "scl/cpu/FunctionChoice.h"
#include "scl/md5/Md5Compress.h"
#include "scl/md5/Md5PortableSteps.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace Sumtide::Md5Internal {

namespace {

// The vector function is chosen only when its best time is under 97% of the portable one's.
constexpr double VectorMargin = 0.97;

constexpr std::string_view Names[] = {"portable", "vector"};

#ifdef SUMTIDE_MD5_VECTOR_COMPRESS

constexpr std::size_t TimedBlocks = 64; // 4 KiB, a few microseconds for either function

// Hashes the blocks where they lie, as TSCL_md5 does (CompressBlocks), and returns the ticks it
// took.
template <typename TCompress>
double TimeBlocks(TCompress Compress, std::uint32_t State[4], const std::uint8_t* Data) {
  const double Start = FunctionChoice::Ticks();
  for (std::size_t I = 0; I < TimedBlocks; ++I)
    Compress(State, Data + 64 * I);
  return FunctionChoice::Ticks() - Start;
}

#endif

double RateOf(double Time) {
  return Time > 0 ? 1 / Time : 0;
}

} // namespace

std::string_view BlockFunctionName(TBlockFunction Function) {
  return Names[static_cast<std::size_t>(Function)];
}

TBlockTimings MeasureBlockFunctions() {
  TBlockTimings Best;
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  if (!HasVectorCompress())
    return Best;
  std::array<std::uint8_t, 64 * TimedBlocks> Data;
  for (std::size_t I = 0; I < Data.size(); ++I)
    Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
  std::uint32_t State[4];
  std::copy(InitialChain.begin(), InitialChain.end(), State);
  const auto Portable = [](std::uint32_t S[4], const std::uint8_t* B) { PortableSteps(S, B); };
  const bool Runs[] = {true, true};
  const std::vector<double> Rates =
      FunctionChoice::MeasureRates(Runs, 1, [&](std::size_t Candidate) {
        return Candidate == 0 ? TimeBlocks(Portable, State, Data.data())
                              : TimeBlocks(CompressVector, State, Data.data());
      });
  Best.Portable = RateOf(Rates[0]);
  Best.Vector = RateOf(Rates[1]);
#endif
  return Best;
}

TBlockFunction ChooseBlockFunction(std::string_view Forced, bool VectorRuns,
                                   const std::function<TBlockTimings()>& Measure) {
  const bool Runs[] = {true, VectorRuns};
  const std::size_t Chosen = FunctionChoice::Choose({Names, Runs}, Forced, 1 / VectorMargin, [&] {
    const TBlockTimings Timings = Measure();
    return std::vector<double>{RateOf(Timings.Portable), RateOf(Timings.Vector)};
  });
  return Chosen == 1 ? TBlockFunction::Vector : TBlockFunction::Portable;
}

TBlockFunction BlockFunctionInUse() {
  static const TBlockFunction Chosen = ChooseBlockFunction(
      FunctionChoice::Forced(BlockFunctionVariable), HasVectorCompress(), MeasureBlockFunctions);
  return Chosen;
}

} // namespace Sumtide::Md5Internal
