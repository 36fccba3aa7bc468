// How the library chooses among block functions: the generic choice with the measurement stood
// in for, the measurement itself, and the SHA digests' choice in this process (CTest runs the
// latter once more with each candidate forced through the environment).

#include "scl/cpu/FunctionChoice.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha2/Sha2Kernels.h"

#include <array>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace Sumtide {
namespace {

TEST(FunctionChoice, ForcedOrFasterByTheMargin) {
  const std::string_view Names[] = {"portable", "avx2", "avx512"};
  using TRuns = std::array<bool, 3>;
  constexpr TRuns Every = {true, true, true}, NoAvx2 = {true, false, true},
                  PortableOnly = {true, false, false};
  struct TCase {
    std::string_view Forced;
    TRuns Runs;
    std::vector<double> Rates;
    std::size_t Expected;
    bool Measures;
  };
  const TCase Cases[] = {
      {"", Every, {1, 2, 4}, 2, true},
      {"", Every, {1, 2, 2.05}, 1, true},    // within the margin of the one before
      {"", Every, {1, 0.5, 2}, 2, true},     // past a slower one
      {"", Every, {1, 1.02, 1.01}, 0, true}, // nothing clearly faster
      {"", NoAvx2, {1, 9, 2}, 2, true},      // a rate for one that does not run counts not
      {"", Every, {1, 0, 0}, 0, true},
      {"", PortableOnly, {}, 0, false},
      {"avx2", Every, {1, 2, 4}, 1, false},
      {"portable", Every, {1, 2, 4}, 0, false},
      {"avx2", NoAvx2, {1, 2, 4}, 0, false}, // forcing cannot make it run
      {"AVX2", Every, {1, 2, 4}, 2, true},   // anything else forces nothing
      {"", Every, {1, 2}, 1, true},          // fewer rates than candidates
  };
  for (const TCase& C : Cases) {
    bool Measured = false;
    const std::size_t Got =
        FunctionChoice::Choose({Names, C.Runs}, C.Forced, FunctionChoice::DefaultMargin, [&] {
          Measured = true;
          return C.Rates;
        });
    EXPECT_EQ(Got, C.Expected) << "forced '" << C.Forced << "'";
    EXPECT_EQ(Measured, C.Measures) << "forced '" << C.Forced << "'";
  }
}

// Every candidate that runs is timed in every round, the best pass of each gives its rate, and
// one that does not run is never called.
TEST(FunctionChoice, MeasureKeepsTheBestPassOfEachThatRuns) {
  const bool Runs[] = {true, false, true};
  std::array<int, 3> Calls{};
  const std::vector<double> Rates = FunctionChoice::MeasureRates(
      Runs, 100,
      [&](std::size_t I) {
        ++Calls[I];
        // Candidate 2's passes take 50, 40, 30, ... ticks, candidate 0's always 10.
        return I == 0 ? 10.0 : 60.0 - 10 * Calls[I];
      },
      4);
  EXPECT_EQ(Calls, (std::array<int, 3>{5, 0, 5})); // an untimed pass, then four rounds
  ASSERT_EQ(Rates.size(), 3u);
  EXPECT_DOUBLE_EQ(Rates[0], 10);
  EXPECT_DOUBLE_EQ(Rates[1], 0);
  EXPECT_DOUBLE_EQ(Rates[2], 100.0 / 10); // its fifth pass, 10 ticks
}

// Each SHA digest uses the candidate forced through the environment where it runs, the portable
// one where it does not, and always one that runs.
TEST(ShaBlockChoice, TheDigestsUseTheForcedFunctionOrOneThatRuns) {
  const auto Check = [](auto Candidates, std::size_t InUse, const char* Variable) {
    SCOPED_TRACE(Variable);
    ASSERT_LT(InUse, Candidates.size());
    EXPECT_TRUE(Candidates[InUse].Function && Candidates[InUse].Runs());
    const char* Value = std::getenv(Variable);
    const std::string_view Forced = Value ? Value : "";
    for (std::size_t I = 0; I < Candidates.size(); ++I) {
      if (Forced == Candidates[I].Name) {
        EXPECT_EQ(InUse, Candidates[I].Function && Candidates[I].Runs() ? I : 0);
      }
    }
    EXPECT_EQ(Candidates[0].Name, "portable");
  };
  Check(ShaInternal::Sha1Candidates(), ShaInternal::Sha1BlocksInUse(),
        ShaInternal::Sha1BlockVariable);
  Check(ShaInternal::Sha256Candidates(), ShaInternal::Sha256BlocksInUse(),
        ShaInternal::Sha256BlockVariable);
  Check(ShaInternal::Sha512Candidates(), ShaInternal::Sha512BlocksInUse(),
        ShaInternal::Sha512BlockVariable);
}

} // namespace
} // namespace Sumtide
