// BLAKE3's own behaviour: its output in every mode against data made with b3sum (the input lengths
// of its published test-vector set and longer ones, every prefix of a random message, a million
// 'a'), in one piece and in random pieces; the digest size and the key; the many-input functions
// of its candidate table against the portable one; the burning of its state. What every hash
// class does is checked over it in tests/scl/base/hash_test.cpp.

#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/SCLblake3.h"
#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Sumtide::Test {
namespace {

using namespace Blake3Internal;
using TBytes = std::vector<std::uint8_t>;
using TPieces = std::vector<std::size_t>;

const std::string DataDir = SUMTIDE_TEST_DATA;
const std::string_view TestKey = "whats the Elvish word for friend";
const std::string_view TestContext = "BLAKE3 2019-12-27 16:29:52 test vectors context";

class TBlake3Probe final : public TSCL_blake3 {
public:
  using TSCL_blake3::TSCL_blake3;
  using TSCL_blake3::WorkingState;
};

enum class TMode { Hash, Keyed, Derived };

void Start(TSCL_blake3& Hash, TMode Mode) {
  switch (Mode) {
  case TMode::Hash:
    Hash.Init();
    break;
  case TMode::Keyed:
    Hash.InitKey(TestKey.data(), static_cast<std::uint32_t>(TestKey.size()));
    break;
  case TMode::Derived:
    Hash.InitDeriveKey(TestContext);
    break;
  }
}

void Feed(TSCL_blake3& Hash, std::span<const std::uint8_t> Message, const TPieces& Pieces) {
  std::size_t Done = 0;
  for (const std::size_t Piece : Pieces) {
    Hash.Update(Message.data() + Done, static_cast<std::uint32_t>(Piece));
    Done += Piece;
  }
  EXPECT_EQ(Done, Message.size());
}

// Bytes of output of Message fed in Pieces, drawn into an area with guard bytes after it, which
// must stay as they were.
std::string OutputHex(TSCL_blake3& Hash, TMode Mode, std::span<const std::uint8_t> Message,
                      const TPieces& Pieces, std::size_t Bytes) {
  Start(Hash, Mode);
  Feed(Hash, Message, Pieces);
  TBytes Area(Bytes + 8, 0x5c);
  Hash.FinalXof(Area.data(), Bytes);
  EXPECT_TRUE(std::all_of(Area.begin() + static_cast<std::ptrdiff_t>(Bytes), Area.end(),
                          [](std::uint8_t B) { return B == 0x5c; }))
      << "FinalXof wrote past " << Bytes << " bytes";
  Area.resize(Bytes);
  return Hex(Area);
}

// Random piece sizes that add up to Size: about one in five empty, the others up to 300 bytes or,
// one in four, up to 40 KiB, so that pieces end anywhere in a block or a chunk and some hold many
// whole chunks.
TPieces RandomPieces(std::size_t Size, std::mt19937& Rng) {
  TPieces Pieces;
  for (std::size_t Done = 0; Done < Size || Pieces.size() < 2;) {
    const std::size_t Want =
        Rng() % 5 == 0 ? 0 : (Rng() % 4 == 0 ? Rng() % 40960 : Rng() % 300) + 1;
    Pieces.push_back(std::min(Want, Size - Done));
    Done += Pieces.back();
  }
  return Pieces;
}

TBytes Pattern(std::size_t Length) {
  TBytes Message(Length);
  for (std::size_t I = 0; I < Length; ++I)
    Message[I] = static_cast<std::uint8_t>(I % 251);
  return Message;
}

// ---------------------------------------------------------------------------------------------
// Output

// The input lengths of the published test-vector set (byte I is I mod 251) and longer ones, 131
// bytes of output in each mode, in one piece, in random pieces, and in pieces of one chunk and
// one block; the digest at the default size is the output's first 32 bytes. Outputs from b3sum.
TEST(Blake3Digest, TestVectorLengthsInEveryMode) {
  const auto Lines = ReadFields(DataDir + "/blake3_test_vectors.txt");
  ASSERT_EQ(Lines.size(), 26u);
  std::mt19937 Rng(1251);
  TBlake3Probe Hash(nullptr); // one instance for every case: nothing carries over
  for (const auto& Fields : Lines) {
    ASSERT_EQ(Fields.size(), 4u);
    const std::size_t Length = std::stoul(Fields[0]);
    SCOPED_TRACE(Length);
    const TBytes Message = Pattern(Length);
    for (const TMode Mode : {TMode::Hash, TMode::Keyed, TMode::Derived}) {
      const std::string& Expected = Fields[1 + static_cast<std::size_t>(Mode)];
      SCOPED_TRACE(static_cast<int>(Mode));
      ASSERT_EQ(OutputHex(Hash, Mode, Message, {Length}, 131), Expected);
      EXPECT_EQ(OutputHex(Hash, Mode, Message, RandomPieces(Length, Rng), 131), Expected);
      for (const std::size_t Size : {ChunkBytes, BlockBytes}) {
        TPieces Pieces(Length / Size, Size);
        Pieces.push_back(Length % Size);
        EXPECT_EQ(OutputHex(Hash, Mode, Message, Pieces, 131), Expected) << "pieces of " << Size;
      }
      Start(Hash, Mode);
      Feed(Hash, Message, {Length});
      std::uint8_t Digest[32];
      Hash.Final(Digest);
      EXPECT_EQ(Hex(Digest), Expected.substr(0, 64));
    }
  }
}

// Long messages shared among helper threads give the same output, in one piece and in pieces
// that cut the shared runs anywhere; the thread count takes 1 to 16.
TEST(Blake3Digest, SharedAmongThreads) {
  const auto Lines = ReadFields(DataDir + "/blake3_test_vectors.txt");
  TBlake3Probe Hash(nullptr);
  for (const std::int32_t Threads : {2, 3}) {
    Hash.SetThreads(Threads);
    for (const auto& Fields : Lines) {
      const std::size_t Length = std::stoul(Fields[0]);
      if (Length < 262144)
        continue;
      SCOPED_TRACE(std::to_string(Length) + " bytes on " + std::to_string(Threads) + " threads");
      const TBytes Message = Pattern(Length);
      for (const TMode Mode : {TMode::Hash, TMode::Keyed}) {
        const std::string& Expected = Fields[1 + static_cast<std::size_t>(Mode)];
        EXPECT_EQ(OutputHex(Hash, Mode, Message, {Length}, 131), Expected);
        TPieces Pieces(Length / 700001, 700001);
        Pieces.push_back(Length % 700001);
        EXPECT_EQ(OutputHex(Hash, Mode, Message, Pieces, 131), Expected);
      }
    }
  }
  for (const std::int32_t Threads : {0, -1, 17}) {
    EXPECT_THROW(Hash.SetThreads(Threads), ESCL_hash) << Threads;
    EXPECT_EQ(Hash.Threads(), 3);
  }
}

// Every length from 0 to 300 bytes in one piece and in random pieces. Digests from b3sum.
TEST(Blake3Digest, EveryPrefixInRandomPieces) {
  const auto Lines = ReadFields(DataDir + "/prefix_digests.txt");
  ASSERT_GE(Lines.size(), 3u);
  ASSERT_EQ(Lines[1].at(0), "algorithms");
  const TBytes Message = FromHex(Lines[0].at(1));
  const auto Column = static_cast<std::size_t>(
      std::find(Lines[1].begin(), Lines[1].end(), "blake3") - Lines[1].begin());
  ASSERT_LT(Column, Lines[1].size());
  std::mt19937 Rng(2020);
  TBlake3Probe Hash(nullptr);
  std::size_t Length = 0;
  for (auto Line = Lines.begin() + 2; Line != Lines.end(); ++Line, ++Length) {
    const std::span<const std::uint8_t> Prefix(Message.data(), Length);
    const std::string& Expected = Line->at(Column);
    ASSERT_EQ(OutputHex(Hash, TMode::Hash, Prefix, {Length}, 32), Expected) << Length;
    for (int Round = 0; Round < 3; ++Round)
      ASSERT_EQ(OutputHex(Hash, TMode::Hash, Prefix, RandomPieces(Length, Rng), 32), Expected)
          << Length;
  }
  EXPECT_EQ(Length, 301u);
}

// 977 chunks: whole subtrees of 256 chunks straight from the caller's buffer, and the same
// message in pieces that end anywhere. Digest from b3sum.
TEST(Blake3Digest, OneMillionA) {
  std::string Expected;
  for (const auto& Fields : ReadFields(DataDir + "/million_a_digests.txt"))
    if (Fields.at(0) == "blake3")
      Expected = Fields.at(1);
  ASSERT_FALSE(Expected.empty());
  const TBytes Message(1000000, 'a');
  TBlake3Probe Hash(nullptr);
  EXPECT_EQ(OutputHex(Hash, TMode::Hash, Message, {Message.size()}, 32), Expected);
  for (const std::size_t Size : {997u, 65537u}) {
    TPieces Pieces(Message.size() / Size, Size);
    Pieces.push_back(Message.size() % Size);
    EXPECT_EQ(OutputHex(Hash, TMode::Hash, Message, Pieces, 32), Expected) << "pieces of " << Size;
  }
}

// ---------------------------------------------------------------------------------------------
// Digest size and key

TEST(Blake3Size, DigestBitsChoosesTheBytesFinalWrites) {
  const TBytes Message = Pattern(3000);
  TBlake3Probe Hash(nullptr);
  const std::string Long = OutputHex(Hash, TMode::Hash, Message, {Message.size()}, 8192);
  for (const std::int32_t Bits : {8, 248, 256, 264, 65536}) {
    Hash.SetDigestBits(Bits);
    Hash.Init();
    Hash.SetDigestBits(Bits == 8 ? 16 : 8); // applies from the next Init only
    Feed(Hash, Message, {Message.size()});
    const std::size_t Bytes = static_cast<std::size_t>(Bits / 8);
    TBytes Area(Bytes + 8, 0x5c);
    Hash.Final(Area.data());
    EXPECT_TRUE(std::all_of(Area.begin() + static_cast<std::ptrdiff_t>(Bytes), Area.end(),
                            [](std::uint8_t B) { return B == 0x5c; }))
        << Bits;
    Area.resize(Bytes);
    EXPECT_EQ(Hex(Area), Long.substr(0, 2 * Bytes)) << Bits;
  }
  Hash.SetDigestBits(256);
  for (const std::int32_t Bits : {0, -8, 4, 7, 12, 65544, 1 << 30}) {
    EXPECT_THROW(Hash.SetDigestBits(Bits), ESCL_hash) << Bits;
    EXPECT_EQ(Hash.DigestBits(), 256);
  }
}

TEST(Blake3Key, OnlyThirtyTwoBytesKey) {
  TBlake3Probe Hash(nullptr);
  const TBytes Message = Pattern(100);
  const std::string Unkeyed = OutputHex(Hash, TMode::Hash, Message, {100}, 32);
  Hash.InitKey(nullptr, 0);
  Feed(Hash, Message, {100});
  std::uint8_t Digest[32];
  Hash.Final(Digest);
  EXPECT_EQ(Hex(Digest), Unkeyed);
  const TBytes Key(33, 7);
  for (const std::uint32_t Length : {1u, 31u, 33u}) {
    Hash.Init();
    EXPECT_THROW(Hash.InitKey(Key.data(), Length), ESCL_hash) << Length;
    EXPECT_FALSE(Hash.Initialized());
    EXPECT_THROW(Hash.Update("a", 1), ESCL_hash);
    EXPECT_TRUE(std::ranges::all_of(Hash.WorkingState(), [](std::uint8_t B) { return B == 0; }));
  }
}

// ---------------------------------------------------------------------------------------------
// State

// Final, FinalXof and Burn leave nothing of a keyed computation behind, whatever stage it is at.
TEST(Blake3State, BurntAfterFinalAndBurn) {
  const TBytes Message = Pattern(300000);
  const auto IsZero = [](std::span<const std::uint8_t> State) {
    return std::ranges::all_of(State, [](std::uint8_t B) { return B == 0; });
  };
  TBlake3Probe Hash(nullptr);
  EXPECT_TRUE(IsZero(Hash.WorkingState()));
  for (const std::size_t Length :
       {std::size_t{0}, std::size_t{5}, std::size_t{2049}, Message.size()}) {
    for (int Way = 0; Way < 3; ++Way) {
      Start(Hash, TMode::Keyed);
      Feed(Hash, std::span(Message).first(Length), {Length});
      EXPECT_FALSE(IsZero(Hash.WorkingState()));
      std::uint8_t Out[100];
      if (Way == 0)
        Hash.Final(Out);
      else if (Way == 1)
        Hash.FinalXof(Out, sizeof Out);
      else
        Hash.Burn();
      EXPECT_TRUE(IsZero(Hash.WorkingState())) << Length << " bytes, way " << Way;
      EXPECT_FALSE(Hash.Initialized());
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The many-input functions

// Every row this processor runs gives the portable function's chaining values, for chunks and for
// parents, for every count around its lane groups, with counters that carry into their high word
// between lanes.
TEST(Blake3Many, EveryRowAsPortable) {
  const std::size_t MaxCount = 40;
  const TBytes Data = RandomBytes(MaxCount * ChunkBytes + 7, 3);
  std::uint32_t Key[8];
  for (int I = 0; I < 8; ++I)
    Key[I] = 0x01234567u * static_cast<std::uint32_t>(I + 1);
  struct TShape {
    std::size_t Blocks;
    bool Increment;
    std::uint32_t Flags, First, Last;
  };
  const TShape Shapes[] = {{BlocksPerChunk, true, 0, ChunkStart, ChunkEnd},
                           {BlocksPerChunk, true, KeyedHash, ChunkStart, ChunkEnd},
                           {1, false, Parent, 0, 0},
                           {3, true, DeriveKeyMaterial, ChunkStart, 0}};
  for (const auto& Row : ManyCandidates()) {
    if (!Row.Runs())
      continue;
    SCOPED_TRACE(std::string(Row.Name));
    for (const TShape& Shape : Shapes)
      for (const std::uint64_t Counter : {std::uint64_t{0}, std::uint64_t{0xFFFFFFF9}})
        for (std::size_t Count = 1; Count <= MaxCount; ++Count) {
          // Inputs at odd addresses, one block apart, so that they overlap when wider.
          std::vector<const std::uint8_t*> Inputs(Count);
          for (std::size_t I = 0; I < Count; ++I)
            Inputs[I] = Data.data() + 1 + I * 64 * Shape.Blocks;
          TBytes Expected(32 * Count + 8, 0xa5), Got(32 * Count + 8, 0xa5);
          const TManyInputs Work{Inputs.data(),   Count,       Shape.Blocks, Key,        Counter,
                                 Shape.Increment, Shape.Flags, Shape.First,  Shape.Last, nullptr};
          TManyInputs Portable = Work, Tried = Work;
          Portable.Out = Expected.data();
          Tried.Out = Got.data();
          ManyPortable(Portable);
          Row.Function(Tried);
          ASSERT_EQ(Hex(Got), Hex(Expected))
              << Count << " inputs of " << Shape.Blocks << " blocks from counter " << Counter;
        }
  }
}

TEST(Blake3Many, TheChosenRowRuns) {
  const auto Rows = ManyCandidates();
  ASSERT_EQ(Rows.size(), 4u);
  EXPECT_EQ(Rows[0].Name, "portable");
  EXPECT_TRUE(Rows[ManyInUse()].Runs());
  const std::vector<double> Rates = MeasureMany();
  for (std::size_t I = 0; I < Rows.size(); ++I)
    EXPECT_EQ(Rates[I] > 0, Rows[I].Runs()) << Rows[I].Name;
}

} // namespace
} // namespace Sumtide::Test
