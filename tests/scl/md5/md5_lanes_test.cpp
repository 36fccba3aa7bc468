#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/SCLmd5.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5Lanes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
// A kernel is a row of the candidate table; the portable one is row 0.
using TLaneKernel = std::size_t;
constexpr TLaneKernel Portable = 0;
const FunctionChoice::TCandidate<Md5Internal::TLaneBlocks>& Row(TLaneKernel Kernel) {
  return Md5Internal::LaneCandidates()[Kernel];
}
using Md5Internal::TLaneMask;
using Sumtide::Test::Hex;
using Sumtide::Test::RandomBytes;

namespace {

using TBytes = std::vector<std::uint8_t>;

std::string Md5Hex(std::span<const std::uint8_t> Message) {
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  Hash.Update(Message.data(), static_cast<std::uint32_t>(Message.size()));
  std::array<std::uint8_t, 16> Digest{};
  Hash.Final(Digest.data());
  return Hex(Digest);
}

std::vector<TLaneKernel> KernelsThatRun() {
  std::vector<TLaneKernel> Kernels;
  for (TLaneKernel Kernel = 0; Kernel < Md5Internal::LaneCandidates().size(); ++Kernel)
    if (Row(Kernel).Runs())
      Kernels.push_back(Kernel);
  return Kernels;
}

bool Has(TLaneMask Mask, std::size_t Lane) {
  return (Mask >> Lane & 1) != 0;
}

// ---------------------------------------------------------------------------------------------
// Kernels

// Random chaining words in every lane, random blocks at unaligned addresses for the active
// lanes and null pointers for the others: each active lane ends as the single-stream block
// function leaves the same words after the same blocks, and every other lane as it was.
TEST(Md5LaneKernels, EachActiveLaneMatchesTheSingleStreamFunction) {
  std::mt19937 Rng(1321);
  for (const TLaneKernel Kernel : KernelsThatRun()) {
    SCOPED_TRACE(Row(Kernel).Name);
    const std::size_t Lanes = Row(Kernel).Lanes;
    const TLaneMask All = (TLaneMask{1} << Lanes) - 1;
    for (int Round = 0; Round < 60; ++Round) {
      const TLaneMask Active = Round == 0   ? All
                               : Round == 1 ? 0
                                            : static_cast<TLaneMask>(Rng()) & All;
      const std::size_t BlockCount = Round % 4; // 0 to 3
      Md5Internal::TLaneState State;
      for (std::size_t L = 0; L < Md5Internal::MaxLanes; ++L)
        for (std::uint32_t* Word : {State.A, State.B, State.C, State.D})
          Word[L] = static_cast<std::uint32_t>(Rng());
      const TBytes Bytes =
          RandomBytes(1 + 64 * BlockCount * Lanes, static_cast<std::uint32_t>(Rng()));
      const std::uint8_t* Data[Md5Internal::MaxLanes] = {};
      for (std::size_t L = 0; L < Lanes; ++L)
        if (Has(Active, L))
          Data[L] = Bytes.data() + 1 + 64 * BlockCount * L;

      Md5Internal::TLaneState Expected = State;
      for (std::size_t L = 0; L < Lanes; ++L) {
        if (!Has(Active, L))
          continue;
        std::uint32_t Chain[4] = {State.A[L], State.B[L], State.C[L], State.D[L]};
        for (std::size_t Block = 0; Block < BlockCount; ++Block)
          Md5Internal::CompressPortable(Chain, Data[L] + 64 * Block);
        Expected.A[L] = Chain[0], Expected.B[L] = Chain[1];
        Expected.C[L] = Chain[2], Expected.D[L] = Chain[3];
      }
      Row(Kernel).Function(State, Data, BlockCount, Active);
      ASSERT_EQ(std::memcmp(&State, &Expected, sizeof State), 0)
          << "round " << Round << ", active lanes " << std::hex << Active;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Lanes

TEST(Md5Lanes, ThePublishedVectorsInEveryLane) {
  const std::vector<Sumtide::Test::THashVector> Vectors =
      Sumtide::Test::ReadHashVectors(std::string(SUMTIDE_TEST_DATA) + "/md5.vec");
  for (const TLaneKernel Kernel : KernelsThatRun()) {
    SCOPED_TRACE(Row(Kernel).Name);
    TMd5Lanes Lanes(Kernel);
    ASSERT_EQ(Lanes.Kernel(), Kernel);
    // Each round every lane takes another vector, so each vector goes through every lane.
    for (std::size_t Round = 0; Round < Vectors.size(); ++Round) {
      for (std::size_t Lane = 0; Lane < Lanes.LaneCount(); ++Lane) {
        const std::string& Message = Vectors[(Lane + Round) % Vectors.size()].Message;
        Lanes.Start(Lane);
        Lanes.Feed(Lane, {reinterpret_cast<const std::uint8_t*>(Message.data()), Message.size()});
        Lanes.End(Lane);
      }
      while (Lanes.RunnableLanes() != 0)
        Lanes.Run();
      ASSERT_EQ(Lanes.DoneLanes(), (TLaneMask{1} << Lanes.LaneCount()) - 1);
      for (std::size_t Lane = 0; Lane < Lanes.LaneCount(); ++Lane)
        EXPECT_EQ(Hex(Lanes.TakeDigest(Lane)), Vectors[(Lane + Round) % Vectors.size()].Digest)
            << "lane " << Lane << ", round " << Round;
    }
    EXPECT_EQ(Lanes.FreeLanes(), (TLaneMask{1} << Lanes.LaneCount()) - 1);
  }
}

// Messages of every length around the block and padding boundaries, random ones up to 5000
// bytes and a few larger, each checked against TSCL_md5. Lanes are filled at random: a free lane
// is sometimes left idle, a hungry one sometimes not fed this time, pieces run from 1 byte to a
// few KiB and from whole blocks to odd lengths, the end comes with the last piece or later, and
// now and then a message is dropped half-way and hashed again later. A piece is freed as soon as
// its lane no longer needs it, so a lane that read it after that fails under AddressSanitizer.
void HashRandomTraffic(TLaneKernel Kernel, std::uint32_t Seed) {
  std::mt19937 Rng(Seed);
  const auto Below = [&](std::size_t N) { return static_cast<std::size_t>(Rng() % N); };

  std::vector<TBytes> Messages;
  for (const std::size_t Size : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129})
    Messages.push_back(RandomBytes(Size, static_cast<std::uint32_t>(Rng())));
  for (int I = 0; I < 300; ++I)
    Messages.push_back(RandomBytes(Below(5001), static_cast<std::uint32_t>(Rng())));
  for (const std::size_t Size : {65536 + 17, 300001, 1 << 20})
    Messages.push_back(RandomBytes(Size, static_cast<std::uint32_t>(Rng())));
  std::shuffle(Messages.begin(), Messages.end(), Rng);
  std::vector<std::string> Expected;
  for (const TBytes& M : Messages)
    Expected.push_back(Md5Hex(M));

  std::size_t PieceSize = 0;
  const auto NextPieceSize = [&](std::size_t Left) {
    switch (Below(6)) {
    case 0:
      PieceSize = 1 + Below(3);
      break;
    case 1:
      PieceSize = Below(200);
      break;
    case 2:
    case 3:
      PieceSize = 64 * (1 + Below(64));
      break;
    default:
      PieceSize = Below(8192);
    }
    return std::min(PieceSize, Left);
  };

  struct TWork {
    std::size_t Message;
    std::size_t Given = 0;
    TBytes Piece; // a copy of its own, freed once the lane is done with it
  };
  TMd5Lanes Lanes(Kernel);
  const std::size_t LaneCount = Lanes.LaneCount();
  const TLaneMask All = (TLaneMask{1} << LaneCount) - 1;
  std::vector<std::optional<TWork>> Work(LaneCount);
  std::deque<std::size_t> Waiting;
  for (std::size_t I = 0; I < Messages.size(); ++I)
    Waiting.push_back(I);
  std::size_t Finished = 0;
  std::vector<int> MessagesPerLane(LaneCount);

  while (Finished < Messages.size()) {
    const TLaneMask Free = Lanes.FreeLanes();
    const TLaneMask Hungry = Lanes.HungryLanes();
    const TLaneMask Runnable = Lanes.RunnableLanes();
    const TLaneMask Done = Lanes.DoneLanes();
    ASSERT_EQ(Free | Hungry | Runnable | Done, All);
    ASSERT_EQ(Free + Hungry + Runnable + Done, All) << "a lane in two conditions";

    for (std::size_t Lane = 0; Lane < LaneCount; ++Lane) {
      if (Has(Free, Lane) && !Waiting.empty() && (Below(4) != 0 || Runnable == 0)) {
        Lanes.Start(Lane);
        Work[Lane] = TWork{Waiting.front(), 0, {}};
        Waiting.pop_front();
        ++MessagesPerLane[Lane];
      } else if (Work[Lane] && Below(200) == 0) {
        Lanes.Drop(Lane);
        Waiting.push_back(Work[Lane]->Message);
        Work[Lane].reset();
      }
    }

    for (std::size_t Lane = 0; Lane < LaneCount; ++Lane) {
      if (!Has(Lanes.HungryLanes(), Lane) || (Below(5) == 0 && Runnable != 0))
        continue;
      TWork& W = *Work[Lane];
      W.Piece = TBytes(); // the lane is done with it
      const TBytes& Message = Messages[W.Message];
      if (W.Given == Message.size()) {
        Lanes.End(Lane);
        continue;
      }
      const std::size_t Size = NextPieceSize(Message.size() - W.Given);
      W.Piece.assign(Message.begin() + static_cast<std::ptrdiff_t>(W.Given),
                     Message.begin() + static_cast<std::ptrdiff_t>(W.Given + Size));
      W.Given += Size;
      Lanes.Feed(Lane, W.Piece);
      if (W.Given == Message.size() && Below(2) == 0)
        Lanes.End(Lane);
    }

    Lanes.Run();

    const TLaneMask NowDone = Lanes.DoneLanes();
    for (std::size_t Lane = 0; Lane < LaneCount; ++Lane) {
      if (!Has(NowDone, Lane))
        continue;
      const std::size_t Message = Work[Lane]->Message;
      ASSERT_EQ(Hex(Lanes.TakeDigest(Lane)), Expected[Message])
          << "message " << Message << " of " << Messages[Message].size() << " bytes in lane "
          << Lane;
      Work[Lane].reset();
      ++Finished;
    }
  }
  EXPECT_EQ(Lanes.FreeLanes(), All);
  EXPECT_GE(*std::min_element(MessagesPerLane.begin(), MessagesPerLane.end()), 3)
      << "every lane reused";
}

TEST(Md5Lanes, RandomTrafficGivesTheSingleStreamDigests) {
  for (const TLaneKernel Kernel : KernelsThatRun()) {
    SCOPED_TRACE(Row(Kernel).Name);
    for (const std::uint32_t Seed : {1u, 2u, 3u})
      HashRandomTraffic(Kernel, Seed);
  }
}

// Each call in a condition that does not allow it raises and leaves every lane as it was.
TEST(Md5Lanes, MisuseRaisesAndChangesNothing) {
  TMd5Lanes Lanes(Portable);
  const TBytes Block(64, 7);
  Lanes.Start(1); // open and hungry
  Lanes.Start(2);
  Lanes.Feed(2, Block); // a block ready
  Lanes.Start(3);
  Lanes.Feed(3, std::span(Block).first(10));
  Lanes.End(3); // ended
  const std::size_t Beyond = Lanes.LaneCount();
  const std::function<void()> Calls[] = {
      [&] { Lanes.Feed(0, Block); }, [&] { Lanes.End(0); },        [&] { Lanes.TakeDigest(0); },
      [&] { Lanes.Start(1); },       [&] { Lanes.TakeDigest(1); }, [&] { Lanes.Feed(2, Block); },
      [&] { Lanes.Feed(3, Block); }, [&] { Lanes.End(3); },        [&] { Lanes.Start(Beyond); },
      [&] { Lanes.Drop(Beyond); },
  };
  const auto Conditions = [&] {
    return std::array{Lanes.FreeLanes(), Lanes.HungryLanes(), Lanes.RunnableLanes(),
                      Lanes.DoneLanes()};
  };
  const auto Before = Conditions();
  for (std::size_t I = 0; I < std::size(Calls); ++I) {
    EXPECT_THROW(Calls[I](), ESCL_hash) << "call " << I;
    EXPECT_EQ(Conditions(), Before) << "call " << I;
  }
}

TEST(Md5Lanes, DestroyingWipesChainingWordsAndCarriedBytes) {
  alignas(TMd5Lanes) std::uint8_t Storage[sizeof(TMd5Lanes)];
  const TBytes Message = RandomBytes(100, 77);
  // The chaining words after the first block: what the lane holds with 36 bytes carried.
  std::uint32_t Chain[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  Md5Internal::CompressPortable(Chain, Message.data());

  auto* Lanes = new (Storage) TMd5Lanes(Portable);
  Lanes->Start(0);
  Lanes->Feed(0, Message);
  Lanes->Run();
  Lanes->Start(1);
  Lanes->Feed(1, std::span(Message).first(50));
  ASSERT_EQ(Lanes->HungryLanes(), 3u);
  Lanes->~TMd5Lanes();

  const auto Holds = [&](const void* Bytes, std::size_t Size) {
    const auto* B = static_cast<const std::uint8_t*>(Bytes);
    return std::search(Storage, Storage + sizeof Storage, B, B + Size) != Storage + sizeof Storage;
  };
  for (const std::uint32_t Word : Chain)
    EXPECT_FALSE(Holds(&Word, sizeof Word)) << std::hex << Word;
  const std::uint32_t Initial = 0x67452301;
  EXPECT_FALSE(Holds(&Initial, sizeof Initial));
  EXPECT_FALSE(Holds(Message.data() + 64, 36)) << "lane 0's carried bytes";
  EXPECT_FALSE(Holds(Message.data(), 50)) << "lane 1's carried bytes";
}

// ---------------------------------------------------------------------------------------------
// Choice

TEST(Md5LaneChoice, MeasuresEveryKernelThatRuns) {
  const std::vector<double> Rates = Md5Internal::MeasureLaneKernels();
  if (KernelsThatRun().size() < 2)
    GTEST_SKIP() << "only the portable kernel runs here: nothing to measure";
  for (TLaneKernel Kernel = 0; Kernel < Md5Internal::LaneCandidates().size(); ++Kernel)
    EXPECT_EQ(Rates[Kernel] > 0, Row(Kernel).Runs()) << Row(Kernel).Name;
}

// CTest runs this once more with each kernel forced through the environment.
TEST(Md5LaneChoice, TheLanesUseTheForcedKernelOrOneThatRuns) {
  const TMd5Lanes Lanes;
  EXPECT_EQ(Lanes.Kernel(), Md5Internal::LaneKernelInUse());
  EXPECT_TRUE(Row(Lanes.Kernel()).Runs());
  EXPECT_EQ(Lanes.LaneCount(), Row(Lanes.Kernel()).Lanes);
  const char* const Variable = std::getenv(Md5Internal::LaneKernelVariable);
  const std::string_view Forced = Variable ? Variable : "";
  for (TLaneKernel Kernel = 0; Kernel < Md5Internal::LaneCandidates().size(); ++Kernel) {
    if (Forced == Row(Kernel).Name) {
      EXPECT_EQ(Lanes.Kernel(), Row(Kernel).Runs() ? Kernel : Portable);
    }
  }
}

} // namespace
