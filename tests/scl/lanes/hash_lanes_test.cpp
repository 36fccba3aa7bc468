// The lanes of every digest that has them (MD5, SHA-256, SHA-224, SHA-1), on every kernel this
// processor runs: many messages at once, fed in random pieces, each digest equal to the one-message
// class's. MD5's lanes have their own, finer tests in md5_lanes_test.cpp.

#include "HashChecks.h"
#include "LaneFeeding.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/md5/Md5Lanes.h"
#include "scl/sha1/Sha1Lanes.h"
#include "scl/sha2/Sha256Lanes.h"

#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Sumtide {
namespace {

using Test::Hex;
using TBytes = std::vector<std::uint8_t>;

// Each digest's lanes with every kernel of its candidate table that runs here.
template <class TLanes, class THash, auto Table> struct TCase {
  using Lanes = TLanes;
  using Hash = THash;
  static std::vector<std::size_t> Kernels() {
    std::vector<std::size_t> Running;
    for (std::size_t Kernel = 0; Kernel < Table().size(); ++Kernel)
      if (Table()[Kernel].Runs())
        Running.push_back(Kernel);
    return Running;
  }
  static std::string_view KernelName(std::size_t Kernel) { return Table()[Kernel].Name; }
  static std::vector<std::string_view> Names() {
    std::vector<std::string_view> All;
    for (const auto& Row : Table())
      All.push_back(Row.Name);
    return All;
  }
};

using TMd5Case = TCase<TMd5Lanes, TSCL_md5, Md5Internal::LaneCandidates>;
using TSha256Case = TCase<TSha256Lanes, TSCL_sha256, ShaInternal::Sha256LaneCandidates>;
using TSha224Case = TCase<TSha224Lanes, TSCL_sha224, ShaInternal::Sha256LaneCandidates>;
using TSha1Case = TCase<TSha1Lanes, TSCL_sha1, ShaInternal::Sha1LaneCandidates>;

template <class T> class HashLanes : public ::testing::Test {};
using TCases = ::testing::Types<TMd5Case, TSha256Case, TSha224Case, TSha1Case>;
struct TCaseNames {
  template <class T> static std::string GetName(int) { return T::Hash::AlgorithmName; }
};
TYPED_TEST_SUITE(HashLanes, TCases, TCaseNames);

template <class THash> std::string OneMessage(const TBytes& Message) {
  THash Hash(nullptr);
  Hash.Init();
  Hash.Update(Message.data(), static_cast<std::uint32_t>(Message.size()));
  TBytes Digest(static_cast<std::size_t>(Hash.GetHashSize() / 8));
  Hash.Final(Digest.data());
  return Hex(Digest);
}

// Lengths around the block and padding boundaries and random ones up to 3000 bytes; the lanes
// are filled as they come free, hungry lanes get pieces of 0 to 200 bytes or the rest, and some
// lanes are left waiting a turn, so lanes run side by side at every offset of their messages.
TYPED_TEST(HashLanes, EveryMessageGetsTheOneMessageDigest) {
  using TLanes = typename TypeParam::Lanes;
  std::mt19937 Rng(20261211);
  std::vector<TBytes> Messages;
  for (const std::size_t Size : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129})
    Messages.push_back(Test::RandomBytes(Size, static_cast<std::uint32_t>(Rng())));
  for (int I = 0; I < 60; ++I)
    Messages.push_back(Test::RandomBytes(Rng() % 3001, static_cast<std::uint32_t>(Rng())));

  for (const auto Kernel : TypeParam::Kernels()) {
    SCOPED_TRACE(TypeParam::KernelName(Kernel));
    TLanes Lanes(Kernel);
    ASSERT_EQ(Lanes.Kernel(), Kernel);
    Test::FeedMessages(Lanes, Messages, Rng, 200, [&](std::size_t Message, std::size_t Lane) {
      const TBytes& M = Messages[Message];
      EXPECT_EQ(Hex(Lanes.TakeDigest(Lane)), OneMessage<typename TypeParam::Hash>(M))
          << "message " << Message << " of " << M.size() << " bytes in lane " << Lane;
    });
  }
}

TYPED_TEST(HashLanes, MisuseRaisesAndNamesTheDigest) {
  typename TypeParam::Lanes Lanes;
  const std::size_t Beyond = Lanes.LaneCount();
  EXPECT_THROW(Lanes.Start(Beyond), ESCL_hash);
  EXPECT_THROW(Lanes.TakeDigest(0), ESCL_hash);
  Lanes.Start(0);
  try {
    Lanes.Start(0);
    ADD_FAILURE() << "a second Start in a busy lane";
  } catch (const ESCL_hash& E) {
    EXPECT_NE(std::string(E.what()).find(" lane 0 is not free"), std::string::npos) << E.what();
  }
}

// The rule every lane kernel table is chosen by (LaneChoice.h), with the measurement stood in for:
// the kernels' names are each table's own, which kernels run is the case's. Rates are by row.
TEST(LaneChoice, ForcedOrClearlyMoreBytesInTheSameTime) {
  struct TCase {
    std::string_view Forced;
    std::array<bool, 3> Running;
    std::vector<double> Rates;
    std::string_view Expected;
    bool Measures;
  };
  constexpr std::array<bool, 3> Every = {true, true, true};
  constexpr std::array<bool, 3> NoAvx512 = {true, true, false};
  constexpr std::array<bool, 3> NoAvx2 = {true, false, true};
  constexpr std::array<bool, 3> PortableOnly = {true, false, false};
  const TCase Cases[] = {
      {"", Every, {1, 3, 6}, "avx512", true},
      {"", Every, {1, 3, 3.1}, "avx2", true},   // not 5% more than the AVX2 kernel
      {"", Every, {1, 0.9, 2}, "avx512", true}, // past a slower AVX2 kernel
      {"", Every, {1, 1.04, 1.05}, "portable", true},
      {"", NoAvx512, {1, 2, 0}, "avx2", true},
      {"", NoAvx2, {1, 0, 4}, "avx512", true},
      {"", PortableOnly, {0, 0, 0}, "portable", false},
      {"portable", Every, {1, 3, 6}, "portable", false},
      {"avx2", Every, {1, 3, 6}, "avx2", false},
      {"avx512", Every, {9, 3, 1}, "avx512", false},
      {"avx512", NoAvx512, {1, 3, 0}, "portable", false}, // cannot run it: the portable one
      {"avx2", NoAvx2, {1, 0, 6}, "portable", false},
      {"AVX512", Every, {1, 3, 6}, "avx512", true}, // anything else forces nothing
      {"vector", Every, {1, 5, 3}, "avx2", true},
  };
  const std::vector<std::pair<const char*, std::vector<std::string_view>>> Tables = {
      {"MD5", TMd5Case::Names()},
      {"SHA-256", TSha256Case::Names()},
      {"SHA-1", TSha1Case::Names()},
  };
  using TRow = FunctionChoice::TCandidate<void (*)()>;
  for (const auto& [Digest, Names] : Tables) {
    SCOPED_TRACE(Digest);
    ASSERT_EQ(Names.size(), 3u);
    for (const TCase& C : Cases) {
      std::vector<TRow> Table;
      for (std::size_t Row = 0; Row < 3; ++Row)
        Table.push_back(
            {Names[Row], nullptr, C.Running[Row] ? FunctionChoice::Always : FunctionChoice::Never});
      bool Measured = false;
      const auto Measure = [&] {
        Measured = true;
        return C.Rates;
      };
      const std::size_t Chosen =
          FunctionChoice::ChooseRow<void (*)()>(Table, C.Forced, LaneChoice::LaterMargin, Measure);
      EXPECT_EQ(Table[Chosen].Name, C.Expected)
          << "forced '" << C.Forced << "', rates " << C.Rates[0] << " / " << C.Rates[1] << " / "
          << C.Rates[2];
      EXPECT_EQ(Measured, C.Measures) << "forced '" << C.Forced << "'";
    }
  }
}

} // namespace
} // namespace Sumtide
