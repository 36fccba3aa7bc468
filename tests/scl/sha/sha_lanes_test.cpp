#include "HashChecks.h"
#include "scl/sha/ShaCompress.h"
#include "scl/sha/ShaLaneKernels.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide::ShaInternal;
using Sumtide::Test::RandomBytes;

// Test names and failures show the kernel by name.
namespace Sumtide::ShaInternal {
void PrintTo(TShaLaneKernel Kernel, std::ostream* Out) {
  *Out << ShaLaneKernelName(Kernel);
}
} // namespace Sumtide::ShaInternal

namespace {

using TBytes = std::vector<std::uint8_t>;

bool Has(TLaneMask Mask, std::size_t Lane) {
  return (Mask >> Lane & 1) != 0;
}

// What differs between the algorithms: the state, how many chaining words it has, the kernel of
// each kind and the single-message block function the lanes have to agree with.
template <class TState, std::size_t WordCount, class TBlocks> struct TAlgorithm {
  using TLaneState = TState;
  static constexpr std::size_t Words = WordCount;
  TBlocks (*BlocksOf)(TShaLaneKernel);
  void (*Compress)(std::uint32_t*, const std::uint8_t*);
};
constexpr TAlgorithm<TSha256LaneState, 8, TSha256LaneBlocks> Sha256{Sha256LaneBlocksOf,
                                                                    Sha256CompressPortable};
constexpr TAlgorithm<TSha1LaneState, 5, TSha1LaneBlocks> Sha1{Sha1LaneBlocksOf,
                                                              Sha1CompressPortable};

// Random chaining words in every lane (those beyond the kernel's lanes too), 1 to 8 random blocks
// at unaligned addresses for the active lanes, each in a buffer of its own that ends with its last
// block, and null pointers for the others: each active lane ends as the single-message function
// leaves the same words after the same blocks, and every other lane as it was. The masks are all
// lanes, each lane alone, none, and then random ones.
template <class TAlg> void CheckLanes(const TAlg& Algorithm, TShaLaneKernel Kernel) {
  using TState = typename TAlg::TLaneState;
  const std::size_t Lanes = ShaLaneCount(Kernel);
  const TLaneMask All = (TLaneMask{1} << Lanes) - 1;
  std::mt19937 Rng(static_cast<std::uint32_t>(1000 + static_cast<int>(Kernel)));
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
    Algorithm.BlocksOf(Kernel)(State, Data, BlockCount, Active);
    ASSERT_EQ(std::memcmp(&State, &Expected, sizeof State), 0)
        << "round " << Round << ", " << BlockCount << " blocks, active lanes " << std::hex
        << Active;
  }
}

class ShaLaneKernel : public testing::TestWithParam<TShaLaneKernel> {
protected:
  void SetUp() override {
    if (!ShaLaneKernelRuns(GetParam()))
      GTEST_SKIP() << "this processor does not run the " << ShaLaneKernelName(GetParam())
                   << " kernel";
  }
};

TEST_P(ShaLaneKernel, Sha256EachActiveLaneMatchesTheSingleMessageFunction) {
  CheckLanes(Sha256, GetParam());
}

TEST_P(ShaLaneKernel, Sha1EachActiveLaneMatchesTheSingleMessageFunction) {
  CheckLanes(Sha1, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Each, ShaLaneKernel, testing::ValuesIn(ShaLaneKernels),
                         [](const testing::TestParamInfo<TShaLaneKernel>& Info) {
                           return std::string(ShaLaneKernelName(Info.param));
                         });

// ---------------------------------------------------------------------------------------------
// Choice

struct TAlgorithmChoice {
  const char* Name;
  const char* Variable;
  TShaLaneRates (*Measure)();
  TShaLaneKernel (*InUse)();
};
const TAlgorithmChoice Choices[] = {
    {"SHA-256", Sha256LaneKernelVariable, MeasureSha256LaneKernels, Sha256LaneKernelInUse},
    {"SHA-1", Sha1LaneKernelVariable, MeasureSha1LaneKernels, Sha1LaneKernelInUse},
};

// The rule, with the measurement stood in for. Rates are by kernel: portable, AVX2, AVX-512.
TEST(ShaLaneChoice, ForcedOrClearlyMoreBytesInTheSameTime) {
  using enum TShaLaneKernel;
  struct TCase {
    std::string_view Forced;
    TShaLaneKernelsRunning Running;
    TShaLaneRates Rates;
    TShaLaneKernel Expected;
    bool Measures;
  };
  constexpr TShaLaneKernelsRunning Every = {true, true, true};
  constexpr TShaLaneKernelsRunning NoAvx512 = {true, true, false};
  constexpr TShaLaneKernelsRunning PortableOnly = {true, false, false};
  const TCase Cases[] = {
      {"", Every, {1, 3, 6}, Avx512, true},
      {"", Every, {1, 3, 3.1}, Avx2, true},   // not 5% more than the AVX2 kernel
      {"", Every, {1, 0.9, 2}, Avx512, true}, // past a slower AVX2 kernel
      {"", Every, {1, 1.04, 1.05}, Portable, true},
      {"", NoAvx512, {1, 2, 0}, Avx2, true},
      {"", PortableOnly, {}, Portable, false},
      {"portable", Every, {1, 3, 6}, Portable, false},
      {"avx2", Every, {1, 3, 6}, Avx2, false},
      {"avx512", Every, {9, 3, 1}, Avx512, false},
      {"avx512", NoAvx512, {1, 3, 0}, Portable, false}, // cannot run it: the portable one
      {"AVX2", Every, {1, 3, 6}, Avx512, true},         // anything else forces nothing
  };
  for (const TCase& C : Cases) {
    bool Measured = false;
    const auto Measure = [&] {
      Measured = true;
      return C.Rates;
    };
    EXPECT_EQ(ChooseShaLaneKernel(C.Forced, C.Running, Measure), C.Expected)
        << "forced '" << C.Forced << "', rates " << C.Rates[0] << " / " << C.Rates[1] << " / "
        << C.Rates[2];
    EXPECT_EQ(Measured, C.Measures) << "forced '" << C.Forced << "'";
  }
}

TEST(ShaLaneChoice, MeasuresEveryKernelThatRuns) {
  for (const TAlgorithmChoice& C : Choices) {
    const TShaLaneRates Rates = C.Measure();
    for (const TShaLaneKernel Kernel : ShaLaneKernels)
      EXPECT_EQ(Rates[static_cast<std::size_t>(Kernel)] > 0, ShaLaneKernelRuns(Kernel))
          << C.Name << ", " << ShaLaneKernelName(Kernel);
  }
}

// CTest runs this once more with kernels forced through the environment, a different one for
// each algorithm.
TEST(ShaLaneChoice, TheKernelsInUseAreTheForcedOnesOrOnesThatRun) {
  for (const TAlgorithmChoice& C : Choices) {
    const TShaLaneKernel Kernel = C.InUse();
    EXPECT_TRUE(ShaLaneKernelRuns(Kernel)) << C.Name;
    EXPECT_EQ(C.InUse(), Kernel) << C.Name << ": chosen once";
    const char* const Value = std::getenv(C.Variable);
    const std::string_view Forced = Value ? Value : "";
    for (const TShaLaneKernel Named : ShaLaneKernels) {
      if (Forced == ShaLaneKernelName(Named)) {
        EXPECT_EQ(Kernel, ShaLaneKernelRuns(Named) ? Named : TShaLaneKernel::Portable) << C.Name;
      }
    }
  }
}

} // namespace
