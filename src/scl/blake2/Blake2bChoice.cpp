// Which BLAKE2b block function TSCL_blake2b uses on this processor: the fastest of those it runs,
// timed once per process the first time a block is hashed (FunctionChoice.h), or the one
// SUMTIDE_BLAKE2B_BLOCK names.

#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <array>

namespace Sumtide::Blake2Internal {

namespace {

#ifdef SUMTIDE_BLAKE2B_X86
constexpr TBlocks Avx2 = Blake2bBlocksAvx2;
constexpr TBlocks Avx512 = Blake2bBlocksAvx512;
#else
constexpr TBlocks Avx2 = nullptr;
constexpr TBlocks Avx512 = nullptr;
#endif

const FunctionChoice::TCandidate<TBlocks> Candidates[] = {
    {"portable", Blake2bBlocksPortable, FunctionChoice::Always},
    {"avx2", Avx2, RunsBlake2bAvx2},
    {"avx512", Avx512, RunsBlake2bAvx512},
};

constexpr std::size_t TimedBlocks = 64; // 8 KiB, a few microseconds

} // namespace

std::span<const FunctionChoice::TCandidate<TBlocks>> Blake2bCandidates() {
  return Candidates;
}

std::vector<double> MeasureBlake2bBlocks() {
  std::array<std::uint8_t, 128 * TimedBlocks> Data;
  for (std::size_t I = 0; I < Data.size(); ++I)
    Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
  std::array<std::uint64_t, 8> State = std::to_array(Blake2bInitial);
  std::uint64_t Counter[2] = {};
  return FunctionChoice::MeasureRows(
      Blake2bCandidates(), static_cast<double>(Data.size()), [&](const auto& Row) {
        const double Start = FunctionChoice::Ticks();
        Row.Function(State.data(), Counter, Data.data(), TimedBlocks, 128, false);
        return FunctionChoice::Ticks() - Start;
      });
}

std::size_t Blake2bBlocksInUse() {
  static const std::size_t Chosen =
      FunctionChoice::ChooseRow(Blake2bCandidates(), FunctionChoice::Forced(Blake2bBlockVariable),
                                FunctionChoice::DefaultMargin, MeasureBlake2bBlocks);
  return Chosen;
}

void Blake2bBlocks(std::uint64_t State[8], std::uint64_t Counter[2], const std::uint8_t* Blocks,
                   std::size_t Count, std::uint32_t Step, bool Last) {
  static const TBlocks InUse = Blake2bCandidates()[Blake2bBlocksInUse()].Function;
  InUse(State, Counter, Blocks, Count, Step, Last);
}

} // namespace Sumtide::Blake2Internal
