// Which many-input function TSCL_blake3 uses on this processor: the fastest of those it runs,
// timed once per process the first time whole chunks are hashed together (FunctionChoice.h), or
// the one SUMTIDE_BLAKE3_MANY names.

#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#include <array>

namespace Sumtide::Blake3Internal {

namespace {

#ifdef SUMTIDE_BLAKE3_X86
constexpr TMany Sse41 = ManySse41;
constexpr TMany Avx2 = ManyAvx2;
constexpr TMany Avx512 = ManyAvx512;
#else
constexpr TMany Sse41 = nullptr;
constexpr TMany Avx2 = nullptr;
constexpr TMany Avx512 = nullptr;
#endif

const FunctionChoice::TCandidate<TMany> Candidates[] = {
    {"portable", ManyPortable, FunctionChoice::Always, 1},
    {"sse41", Sse41, RunsSse41, 4},
    {"avx2", Avx2, RunsAvx2, 8},
    {"avx512", Avx512, RunsAvx512, 16},
};

// As many chunks as the widest function hashes at once, twice: 32 KiB, some microseconds.
constexpr std::size_t TimedChunks = 32;

} // namespace

std::span<const FunctionChoice::TCandidate<TMany>> ManyCandidates() {
  return Candidates;
}

std::vector<double> MeasureMany() {
  std::vector<std::uint8_t> Data(TimedChunks * ChunkBytes);
  for (std::size_t I = 0; I < Data.size(); ++I)
    Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
  std::array<const std::uint8_t*, TimedChunks> Inputs;
  for (std::size_t I = 0; I < TimedChunks; ++I)
    Inputs[I] = Data.data() + I * ChunkBytes;
  std::array<std::uint8_t, TimedChunks * CvBytes> Out;
  const TManyInputs Work{Inputs.data(), TimedChunks, BlocksPerChunk, Initial,  0,
                         true,          0,           ChunkStart,     ChunkEnd, Out.data()};
  return FunctionChoice::MeasureRows(ManyCandidates(), static_cast<double>(Data.size()),
                                     [&](const auto& Row) {
                                       const double Start = FunctionChoice::Ticks();
                                       Row.Function(Work);
                                       return FunctionChoice::Ticks() - Start;
                                     });
}

std::size_t ManyInUse() {
  static const std::size_t Chosen =
      FunctionChoice::ChooseRow(ManyCandidates(), FunctionChoice::Forced(ManyVariable),
                                FunctionChoice::DefaultMargin, MeasureMany);
  return Chosen;
}

void Many(const TManyInputs& Work) {
  static const TMany InUse = ManyCandidates()[ManyInUse()].Function;
  InUse(Work);
}

} // namespace Sumtide::Blake3Internal
