#include "HashChecks.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha2/Sha2Kernels.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
using namespace Sumtide::ShaInternal;
using Sumtide::Test::RandomBytes;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A kernel is a row of each algorithm's candidate table, the portable one row 0; both tables
// name the same kernels in the same order.
using TShaLaneKernel = std::size_t;
constexpr TShaLaneKernel Portable = 0;
std::string_view KernelName(TShaLaneKernel Kernel) {
  return Sha256LaneCandidates()[Kernel].Name;
}

bool Has(TLaneMask Mask, std::size_t Lane) {
  return (Mask >> Lane & 1) != 0;
}

// What differs between the algorithms: the state, how many chaining words it has, the kernel of
// each kind and the single-message block function the lanes have to agree with.
template <class TState, std::size_t WordCount, class TBlocks> struct TAlgorithm {
  using TLaneState = TState;
  static constexpr std::size_t Words = WordCount;
  std::span<const FunctionChoice::TCandidate<TBlocks>> (*Kernels)();
  void (*Compress)(std::uint32_t*, const std::uint8_t*);
};
constexpr TAlgorithm<TSha256LaneState, 8, TSha256LaneBlocks> Sha256{Sha256LaneCandidates,
                                                                    Sha256CompressPortable};
constexpr TAlgorithm<TSha1LaneState, 5, TSha1LaneBlocks> Sha1{Sha1LaneCandidates,
                                                              Sha1CompressPortable};

// Random chaining words in every lane (those beyond the kernel's lanes too), 1 to 8 random blocks
// at unaligned addresses for the active lanes, each in a buffer of its own that ends with its last
// block, and null pointers for the others: each active lane ends as the single-message function
// leaves the same words after the same blocks, and every other lane as it was. The masks are all
// lanes, each lane alone, none, and then random ones.
template <class TAlg> void CheckLanes(const TAlg& Algorithm, TShaLaneKernel Kernel) {
  using TState = typename TAlg::TLaneState;
  const auto Kernels = Algorithm.Kernels();
  ASSERT_LT(Kernel, Kernels.size());
  if (!Kernels[Kernel].Runs())
    GTEST_SKIP() << "this processor does not run the " << Kernels[Kernel].Name << " kernel";
  const std::size_t Lanes = Kernels[Kernel].Lanes;
  const TLaneMask All = (TLaneMask{1} << Lanes) - 1;
  std::mt19937 Rng(static_cast<std::uint32_t>(1000 + Kernel));
  for (std::size_t Round = 0; Round < 2 + Lanes + 60; ++Round) {
    TLaneMask Active;
    if (Round == 0)
      Active = All;
    else if (Round <= Lanes)
      Active = TLaneMask{1} << (Round - 1);
    else if (Round == Lanes + 1)
      Active = 0;
    else
      Active = static_cast<TLaneMask>(Rng()) & All;
    const std::size_t BlockCount = 1 + Rng() % 8;

    TState State;
    for (auto& Word : State.H)
      for (std::uint32_t& Lane : Word)
        Lane = static_cast<std::uint32_t>(Rng());
    std::vector<TBytes> Buffers(Lanes);
    const std::uint8_t* Data[MaxLanes] = {};
    for (std::size_t L = 0; L < Lanes; ++L) {
      if (!Has(Active, L))
        continue;
      const std::size_t Offset = 1 + Rng() % 63;
      Buffers[L] = RandomBytes(Offset + 64 * BlockCount, static_cast<std::uint32_t>(Rng()));
      Data[L] = Buffers[L].data() + Offset;
    }

    TState Expected = State;
    for (std::size_t L = 0; L < Lanes; ++L) {
      if (!Has(Active, L))
        continue;
      std::uint32_t Chain[TAlg::Words];
      for (std::size_t I = 0; I < TAlg::Words; ++I)
        Chain[I] = State.H[I][L];
      for (std::size_t Block = 0; Block < BlockCount; ++Block)
        Algorithm.Compress(Chain, Data[L] + 64 * Block);
      for (std::size_t I = 0; I < TAlg::Words; ++I)
        Expected.H[I][L] = Chain[I];
    }
    Kernels[Kernel].Function(State, Data, BlockCount, Active);
    ASSERT_EQ(std::memcmp(&State, &Expected, sizeof State), 0)
        << "round " << Round << ", " << BlockCount << " blocks, active lanes " << std::hex
        << Active;
  }
}

// Every row of the tables: a new kernel is tested here as soon as it is a row.
class ShaLaneKernel : public testing::TestWithParam<TShaLaneKernel> {};

TEST_P(ShaLaneKernel, Sha256EachActiveLaneMatchesTheSingleMessageFunction) {
  CheckLanes(Sha256, GetParam());
}

TEST_P(ShaLaneKernel, Sha1EachActiveLaneMatchesTheSingleMessageFunction) {
  CheckLanes(Sha1, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Each, ShaLaneKernel,
                         testing::Range<TShaLaneKernel>(0, Sha256LaneCandidates().size()),
                         [](const testing::TestParamInfo<TShaLaneKernel>& Info) {
                           return std::string(KernelName(Info.param));
                         });

TEST(ShaLaneKernels, BothAlgorithmsNameTheSameKernels) {
  ASSERT_EQ(Sha1LaneCandidates().size(), Sha256LaneCandidates().size());
  for (TShaLaneKernel Kernel = 0; Kernel < Sha1LaneCandidates().size(); ++Kernel) {
    EXPECT_EQ(Sha1LaneCandidates()[Kernel].Name, KernelName(Kernel));
    EXPECT_EQ(Sha1LaneCandidates()[Kernel].Runs(), Sha256LaneCandidates()[Kernel].Runs());
  }
}

// ---------------------------------------------------------------------------------------------
// Choice

struct TAlgorithmChoice {
  const char* Name;
  const char* Variable;
  std::vector<double> (*Measure)();
  TShaLaneKernel (*InUse)();
  std::span<const FunctionChoice::TCandidate<TSha256LaneBlocks>> (*Kernels)();
};
const TAlgorithmChoice Choices[] = {
    {"SHA-256", Sha256LaneKernelVariable, MeasureSha256LaneKernels, Sha256LaneKernelInUse,
     Sha256LaneCandidates},
    {"SHA-1", Sha1LaneKernelVariable, MeasureSha1LaneKernels, Sha1LaneKernelInUse,
     Sha256LaneCandidates}, // the same rows (BothAlgorithmsNameTheSameKernels)
};

TEST(ShaLaneChoice, MeasuresEveryKernelThatRuns) {
  for (const TAlgorithmChoice& C : Choices) {
    const std::vector<double> Rates = C.Measure();
    ASSERT_EQ(Rates.size(), C.Kernels().size());
    for (TShaLaneKernel Kernel = 0; Kernel < Rates.size(); ++Kernel)
      EXPECT_EQ(Rates[Kernel] > 0, C.Kernels()[Kernel].Runs())
          << C.Name << ", " << KernelName(Kernel);
  }
}

// CTest runs this once more with kernels forced through the environment, a different one for
// each algorithm.
TEST(ShaLaneChoice, TheKernelsInUseAreTheForcedOnesOrOnesThatRun) {
  for (const TAlgorithmChoice& C : Choices) {
    const TShaLaneKernel Kernel = C.InUse();
    EXPECT_TRUE(C.Kernels()[Kernel].Runs()) << C.Name;
    EXPECT_EQ(C.InUse(), Kernel) << C.Name << ": chosen once";
    const char* const Value = std::getenv(C.Variable);
    const std::string_view Forced = Value ? Value : "";
    for (TShaLaneKernel Named = 0; Named < C.Kernels().size(); ++Named) {
      if (Forced == KernelName(Named)) {
        EXPECT_EQ(Kernel, C.Kernels()[Named].Runs() ? Named : Portable) << C.Name;
      }
    }
  }
}

} // namespace
