// Which MD5 block function TSCL_md5 uses on this processor.
//
// The AVX-512 function waits on four operations a step where the portable one waits on four or
// five, which pays only where those vector operations take one cycle each. On the Intel
// processors with AVX-512 we measured it is about 10% faster than the portable one; on AMD Zen 4
// and Zen 5, which report the same AVX-512 flags, it is 30% to 50% slower. The flags cannot tell
// these apart, and a table of processor families goes stale with each new one, so both are timed
// once per process, the first time a block is hashed, which costs about a tenth of a millisecond.

#include "scl/Md5Compress.h"
#include "scl/Md5PortableSteps.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
#include <x86intrin.h>
#endif

namespace Sumtide::Md5Internal {

namespace {

// The vector function is chosen only when its best time is under 97% of the portable one's.
constexpr double VectorMargin = 0.97;

#ifdef SUMTIDE_MD5_VECTOR_COMPRESS

constexpr std::size_t TimedBlocks = 64; // 4 KiB, a few microseconds for either function
constexpr int TimedRounds = 7;

// Hashes the blocks as TSCL_md5 does (each copied into Block, compressed, Block cleared) and
// returns the time-stamp counter ticks it took. The counter runs at a constant rate whatever the
// core clock does, and both functions are timed alike, so their ratio is what it measures.
template <typename TCompress>
double TimeBlocks(TCompress Compress, std::uint32_t State[4], std::uint8_t Block[64],
                  const std::uint8_t* Data) {
  __asm__ __volatile__("" ::: "memory");
  const std::uint64_t Start = __rdtsc();
  __asm__ __volatile__("" ::: "memory");
  for (std::size_t I = 0; I < TimedBlocks; ++I) {
    std::memcpy(Block, Data + 64 * I, 64);
    Compress(State, Block);
    std::memset(Block, 0, 64);
  }
  __asm__ __volatile__("" ::: "memory");
  return static_cast<double>(__rdtsc() - Start);
}

#endif

} // namespace

std::string_view BlockFunctionName(TBlockFunction Function) {
  return Function == TBlockFunction::Vector ? "vector" : "portable";
}

TBlockTimings MeasureBlockFunctions() {
  TBlockTimings Best;
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  if (!HasVectorCompress())
    return Best;
  std::array<std::uint8_t, 64 * TimedBlocks> Data;
  for (std::size_t I = 0; I < Data.size(); ++I)
    Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
  alignas(16) std::uint8_t Block[64] = {};
  std::uint32_t State[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const auto Portable = [](std::uint32_t S[4], const std::uint8_t* B) { PortableSteps(S, B); };

  // In turns, each going first in every other round, so that a clock still rising or a
  // disturbance from elsewhere falls on both; the best of each is what the function can do.
  for (int Round = 0; Round < TimedRounds; ++Round) {
    double P = 0;
    double V = 0;
    if (Round % 2 == 0) {
      P = TimeBlocks(Portable, State, Block, Data.data());
      V = TimeBlocks(CompressVector, State, Block, Data.data());
    } else {
      V = TimeBlocks(CompressVector, State, Block, Data.data());
      P = TimeBlocks(Portable, State, Block, Data.data());
    }
    Best.Portable = Round == 0 ? P : std::min(Best.Portable, P);
    Best.Vector = Round == 0 ? V : std::min(Best.Vector, V);
  }
#endif
  return Best;
}

TBlockFunction ChooseBlockFunction(std::string_view Forced, bool VectorRuns,
                                   const std::function<TBlockTimings()>& Measure) {
  if (Forced == "portable" || !VectorRuns)
    return TBlockFunction::Portable;
  if (Forced == "vector")
    return TBlockFunction::Vector;
  const TBlockTimings Timings = Measure();
  return Timings.Vector > 0 && Timings.Vector < Timings.Portable * VectorMargin
             ? TBlockFunction::Vector
             : TBlockFunction::Portable;
}

TBlockFunction BlockFunctionInUse() {
  static const TBlockFunction Chosen = [] {
    const char* Forced = std::getenv(BlockFunctionVariable);
    return ChooseBlockFunction(Forced ? Forced : "", HasVectorCompress(), MeasureBlockFunctions);
  }();
  return Chosen;
}

} // namespace Sumtide::Md5Internal
