#pragma once

// How a digest's lane kernels are timed and chosen (FunctionChoice.h), written once for every
// digest that has lanes. Private to the library.
//
// A kernel with wider registers has more lanes, but how many bytes it hashes in a given time
// depends on how long each of its operations takes to deliver its result, which the processor's
// flags do not tell. So every kernel this processor runs is timed once per process and digest,
// the first time it is asked for, on the same blocks with all its lanes busy.

#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/LaneTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Sumtide::LaneChoice {

// A kernel later in the order replaces the one chosen so far only when it hashes at least 5% more
// bytes in the same time: it may have more lanes, which need more messages in flight to be kept
// busy (lanes left idle hash nothing), and a difference within the measurement's noise is no
// reason to change.
inline constexpr double LaterMargin = 1.05;

inline constexpr std::size_t TimedBlocks = 8; // per lane: 8 KiB for sixteen lanes

// What the digest's kernels answer: TKernels::All (the kernels in order of preference, the
// portable one first), Runs(Kernel), LaneCount(Kernel), Name(Kernel).
template <class TKernel, std::size_t N> struct TKernels {
  const std::array<TKernel, N>& All;
  bool (*Runs)(TKernel);
  std::size_t (*LaneCount)(TKernel);
  std::string_view (*Name)(TKernel);
};

// The bytes per tick of every kernel that runs, counting the blocks of all its lanes; 0 for the
// others. BlocksOf(Kernel) gives the kernel's function over TState.
template <class TState, class TKernel, std::size_t N, class TBlocksOf>
std::array<double, N> Measure(const TKernels<TKernel, N>& Kernels, TBlocksOf BlocksOf) {
  bool Runs[N];
  for (std::size_t I = 0; I < N; ++I)
    Runs[I] = Kernels.Runs(Kernels.All[I]);
  std::vector<std::uint8_t> Bytes(Lanes::MaxLanes * TimedBlocks * 64);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[Lanes::MaxLanes];
  for (std::size_t L = 0; L < Lanes::MaxLanes; ++L)
    Data[L] = Bytes.data() + L * TimedBlocks * 64;
  TState State{};

  // The work of one lane's blocks is 1, and a pass is divided by the kernel's lane count.
  const std::vector<double> PerLane =
      FunctionChoice::MeasureRates(Runs, 1, [&](std::size_t Candidate) {
        const TKernel Kernel = Kernels.All[Candidate];
        const std::size_t Lanes = Kernels.LaneCount(Kernel);
        const Lanes::TLaneMask Every = (Lanes::TLaneMask{1} << Lanes) - 1;
        const double Start = FunctionChoice::Ticks();
        BlocksOf(Kernel)(State, Data, TimedBlocks, Every);
        return (FunctionChoice::Ticks() - Start) / static_cast<double>(Lanes);
      });
  std::array<double, N> Rates{};
  for (std::size_t I = 0; I < N; ++I)
    Rates[I] = PerLane[I] * static_cast<double>(TimedBlocks * 64);
  return Rates;
}

// The kernel chosen, given what the environment variable holds, which kernels run, and the
// measurement, called only when the answer depends on it.
template <class TKernel, std::size_t N, class TMeasure>
TKernel Choose(const TKernels<TKernel, N>& Kernels, std::string_view Forced,
               const std::array<bool, N>& Running, const TMeasure& MeasureRates) {
  std::string_view Names[N];
  for (std::size_t I = 0; I < N; ++I)
    Names[I] = Kernels.Name(Kernels.All[I]);
  const std::size_t Chosen = FunctionChoice::Choose({Names, Running}, Forced, LaterMargin, [&] {
    const std::array<double, N> Rates = MeasureRates();
    return std::vector<double>(Rates.begin(), Rates.end());
  });
  return Kernels.All[Chosen];
}

} // namespace Sumtide::LaneChoice
