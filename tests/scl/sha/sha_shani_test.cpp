#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/mdhash/MerkleDamgard.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha2/Sha2Kernels.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
using namespace Sumtide::ShaInternal;
using Sumtide::Test::Hex;
using Sumtide::Test::RandomBytes;

using Sumtide::Test::FromHex;
using Sumtide::Test::ReadFields;

namespace {

#ifdef SUMTIDE_SHA_NI_COMPRESS

using TBytes = std::vector<std::uint8_t>;
using TPortable = void (*)(std::uint32_t* State, const std::uint8_t* Block);
using TShaNi = void (*)(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count);

constexpr std::size_t BlockSize = 64;

// Runs of 0 to 40 blocks of random bytes, at every offset from a 16-byte boundary, added into
// random states: the same states as the portable function gives a block at a time. The state
// sits in a longer array whose words past the state must stay as they were.
TEST(ShaNiBlock, AgreesWithPortableOverRunsOfBlocks) {
  if (!HasShaExtensions())
    GTEST_SKIP() << "this processor has no SHA extensions";
  struct TCase {
    const char* Name;
    std::size_t Words;
    TPortable Portable;
    TShaNi ShaNi;
  };
  const TCase Cases[] = {
      {"sha1", 5, Sha1CompressPortable, Sha1CompressShaNi},
      {"sha256", 8, Sha256CompressPortable, Sha256CompressShaNi},
  };
  constexpr std::size_t MostBlocks = 40;
  const TBytes Data = RandomBytes(MostBlocks * BlockSize + 16, 20261211);

  std::mt19937 Rng(1211);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    for (int Round = 0; Round < 300; ++Round) {
      const std::size_t Count = Rng() % (MostBlocks + 1);
      const std::uint8_t* Blocks = Data.data() + Rng() % 16;
      std::vector<std::uint32_t> Initial(C.Words + 4);
      std::generate(Initial.begin(), Initial.end(), [&Rng] { return std::uint32_t(Rng()); });

      std::vector<std::uint32_t> Expected = Initial;
      for (std::size_t I = 0; I < Count; ++I)
        C.Portable(Expected.data(), Blocks + I * BlockSize);
      std::vector<std::uint32_t> Got = Initial;
      C.ShaNi(Got.data(), Blocks, Count);
      ASSERT_EQ(Got, Expected) << Count << " blocks at offset "
                               << reinterpret_cast<std::uintptr_t>(Blocks) % 16;
    }
  }
}

// The digest of Message framed in 64-byte blocks for ShaNi, from Initial, high byte first and cut
// to DigestBytes.
std::string DigestHex(std::span<const std::uint8_t> Message, std::span<const std::uint32_t> Initial,
                      TShaNi ShaNi, std::size_t DigestBytes) {
  std::vector<std::uint32_t> State(Initial.begin(), Initial.end());
  const auto Block = [&](const std::uint8_t* B) { ShaNi(State.data(), B, 1); };
  TMerkleDamgard<BlockSize, std::endian::big> Framing;
  Framing.Update(Message.data(), Message.size(), Block);
  Framing.Final(Block);
  TBytes Out;
  for (const std::uint32_t Word : State)
    for (int Shift = 24; Shift >= 0; Shift -= 8)
      Out.push_back(static_cast<std::uint8_t>(Word >> Shift));
  Out.resize(DigestBytes);
  return Hex(Out);
}

// Every prefix of 0 to 300 bytes of the data file's message: the padding's marker and length at
// every place in a first, second or third block.
TEST(ShaNiBlock, DigestsOfEveryPrefix) {
  if (!HasShaExtensions())
    GTEST_SKIP() << "this processor has no SHA extensions";
  struct TCase {
    const char* Name; // as the data file names it
    std::span<const std::uint32_t> Initial;
    TShaNi ShaNi;
    std::size_t DigestBytes;
  };
  const TCase Cases[] = {
      {"sha1", Sha1Initial, Sha1CompressShaNi, 20},
      {"sha224", Sha224Initial, Sha256CompressShaNi, 28},
      {"sha256", Sha256Initial, Sha256CompressShaNi, 32},
  };

  const auto Lines = ReadFields(std::string(SUMTIDE_TEST_DATA) + "/prefix_digests.txt");
  ASSERT_GE(Lines.size(), 3u);
  ASSERT_EQ(Lines[0].at(0), "message");
  ASSERT_EQ(Lines[1].at(0), "algorithms");
  const TBytes Message = FromHex(Lines[0].at(1));

  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const auto Column = std::find(Lines[1].begin(), Lines[1].end(), C.Name) - Lines[1].begin();
    ASSERT_LT(Column, static_cast<std::ptrdiff_t>(Lines[1].size()));
    std::size_t Length = 0;
    for (auto Line = Lines.begin() + 2; Line != Lines.end(); ++Line, ++Length) {
      ASSERT_EQ(std::stoul(Line->at(0)), Length);
      ASSERT_LE(Length, Message.size());
      ASSERT_EQ(DigestHex({Message.data(), Length}, C.Initial, C.ShaNi, C.DigestBytes),
                Line->at(static_cast<std::size_t>(Column)))
          << Length << " bytes";
    }
    EXPECT_EQ(Length, 301u);
  }
}

#else

TEST(ShaNiBlock, NotBuiltForThisTarget) {
  EXPECT_FALSE(HasShaExtensions());
}

#endif

} // namespace
