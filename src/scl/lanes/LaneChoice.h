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

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Sumtide::LaneChoice {

// A kernel later in the order replaces the one chosen so far only when it hashes at least 5% more
// bytes in the same time: it may have more lanes, which need more messages in flight to be kept
// busy (lanes left idle hash nothing), and a difference within the measurement's noise is no
// reason to change.
inline constexpr double LaterMargin = 1.05;

inline constexpr std::size_t TimedBlocks = 8; // per lane: 8 KiB for sixteen lanes

// The bytes per tick of every kernel of Table that runs, counting the blocks of all its lanes;
// 0 for the others. Each kernel's function works on a TState.
template <class TState, class TBlocks>
std::vector<double> Measure(std::span<const FunctionChoice::TCandidate<TBlocks>> Table) {
  std::vector<std::uint8_t> Bytes(Lanes::MaxLanes * TimedBlocks * 64);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[Lanes::MaxLanes];
  for (std::size_t L = 0; L < Lanes::MaxLanes; ++L)
    Data[L] = Bytes.data() + L * TimedBlocks * 64;
  TState State{};

  // The work of one lane's blocks is 1, and a pass is divided by the kernel's lane count.
  std::vector<double> Rates =
      FunctionChoice::MeasureRows(Table, 1, [&](const FunctionChoice::TCandidate<TBlocks>& Kernel) {
        const Lanes::TLaneMask Every = (Lanes::TLaneMask{1} << Kernel.Lanes) - 1;
        const double Start = FunctionChoice::Ticks();
        Kernel.Function(State, Data, TimedBlocks, Every);
        return (FunctionChoice::Ticks() - Start) / static_cast<double>(Kernel.Lanes);
      });
  for (double& Rate : Rates)
    Rate *= static_cast<double>(TimedBlocks * 64);
  return Rates;
}

// The row of Table chosen, forced by Variable or by timing the kernels (Measure) with LaterMargin.
template <class TState, class TBlocks>
std::size_t Choose(std::span<const FunctionChoice::TCandidate<TBlocks>> Table,
                   const char* Variable) {
  return FunctionChoice::ChooseRow(Table, FunctionChoice::Forced(Variable), LaterMargin,
                                   [&] { return Measure<TState>(Table); });
}

} // namespace Sumtide::LaneChoice
