// BLAKE2b's own behaviour: its digests at every size, keyed or not, against data made with other
// programs; the block kept back until a byte follows it; the digest size and the key; the block
// functions of its candidate table; the burning of its state. What every hash class does is
// checked over it in tests/scl/base/hash_test.cpp.

#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/SCLblake2b.h"
#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Sumtide::Test {
namespace {

using namespace Blake2Internal;
using TBytes = std::vector<std::uint8_t>;
using TPieces = std::vector<std::size_t>;

const std::string DataDir = SUMTIDE_TEST_DATA;

// A TSCL_blake2b whose working state the tests can read.
class TBlake2bProbe final : public TSCL_blake2b {
public:
  using TSCL_blake2b::BlockFill;
  using TSCL_blake2b::BlockKept;
  using TSCL_blake2b::BytesCompressed;
  using TSCL_blake2b::ChainWords;
  using TSCL_blake2b::DigestBytesInUse;
  using TSCL_blake2b::TSCL_blake2b;
};

// The whole working state of an instance, to compare states.
struct TSnapshot {
  std::array<std::uint64_t, 8> Chain;
  std::array<std::uint64_t, 2> Counter;
  std::array<std::uint8_t, 128> Block;
  std::size_t Fill, DigestBytes;
  bool Initialized;
  friend bool operator==(const TSnapshot&, const TSnapshot&) = default;
};

TSnapshot Snap(const TBlake2bProbe& H) {
  TSnapshot S{{}, {}, {}, H.BlockFill(), H.DigestBytesInUse(), H.Initialized()};
  std::copy_n(H.ChainWords(), 8, S.Chain.begin());
  std::copy_n(H.BytesCompressed(), 2, S.Counter.begin());
  std::copy_n(H.BlockKept(), 128, S.Block.begin());
  return S;
}

const TSnapshot AllZero{};

// Between calls the block holds BlockFill bytes and nothing after them.
void ExpectBlockInvariant(const TBlake2bProbe& H) {
  ASSERT_LE(H.BlockFill(), 128u);
  for (std::size_t I = H.BlockFill(); I < 128; ++I)
    ASSERT_EQ(H.BlockKept()[I], 0) << "at " << I << " with BlockFill " << H.BlockFill();
}

// Final into an area with guard bytes after the digest, which must stay as they were.
std::string FinalHex(TSCL_blake2b& Hash, std::size_t DigestBytes) {
  TBytes Area(DigestBytes + 8, 0x5c);
  Hash.Final(Area.data());
  EXPECT_TRUE(std::all_of(Area.begin() + static_cast<std::ptrdiff_t>(DigestBytes), Area.end(),
                          [](std::uint8_t B) { return B == 0x5c; }))
      << "Final wrote past " << DigestBytes << " bytes";
  Area.resize(DigestBytes);
  return Hex(Area);
}

// The digest of Message fed in Pieces, with Bits of digest and Key.
std::string DigestHex(TSCL_blake2b& Hash, std::span<const std::uint8_t> Message,
                      const TPieces& Pieces, std::int32_t Bits = 512,
                      std::span<const std::uint8_t> Key = {}) {
  Hash.SetDigestBits(Bits);
  Hash.InitKey(Key.data(), static_cast<std::uint32_t>(Key.size()));
  std::size_t Done = 0;
  for (const std::size_t Piece : Pieces) {
    Hash.Update(Message.data() + Done, static_cast<std::uint32_t>(Piece));
    Done += Piece;
  }
  EXPECT_EQ(Done, Message.size());
  return FinalHex(Hash, static_cast<std::size_t>(Bits / 8));
}

std::string DigestHex(std::span<const std::uint8_t> Message, const TPieces& Pieces,
                      std::int32_t Bits = 512, std::span<const std::uint8_t> Key = {}) {
  TBlake2bProbe Hash(nullptr);
  return DigestHex(Hash, Message, Pieces, Bits, Key);
}

// Random piece sizes that add up to Size: about one in five empty, the others up to 300 bytes, so
// that pieces end anywhere in a block and some hold whole blocks.
TPieces RandomPieces(std::size_t Size, std::mt19937& Rng) {
  TPieces Pieces;
  for (std::size_t Done = 0; Done < Size || Pieces.size() < 2;) {
    const std::size_t Want = Rng() % 5 == 0 ? 0 : Rng() % 300 + 1;
    Pieces.push_back(std::min(Want, Size - Done));
    Done += Pieces.back();
  }
  return Pieces;
}

TBytes Bytes(std::string_view S) {
  return TBytes(S.begin(), S.end());
}

// ---------------------------------------------------------------------------------------------
// Digests

// The example of RFC 7693, appendix A: "abc" with the 64-byte digest.
TEST(Blake2bDigest, TheRfcExample) {
  const std::string Expected = "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
                               "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923";
  EXPECT_EQ(DigestHex(Bytes("abc"), {3}), Expected);
  EXPECT_EQ(DigestHex(Bytes("abc"), {1, 0, 1, 1}), Expected);
  EXPECT_EQ(Hex(TSCL_blake2b::AbcDigest), Expected);
  EXPECT_TRUE(TSCL_blake2b::Class().SelfTest());
}

// Every length from 0 to 300 bytes (0 to 3 blocks, each boundary in between) in one piece and in
// random pieces. Digests from b2sum.
TEST(Blake2bDigest, EveryPrefixInRandomPieces) {
  const auto Lines = ReadFields(DataDir + "/prefix_digests.txt");
  ASSERT_GE(Lines.size(), 3u);
  ASSERT_EQ(Lines[0].at(0), "message");
  ASSERT_EQ(Lines[1].at(0), "algorithms");
  const TBytes Message = FromHex(Lines[0].at(1));
  const auto Column = static_cast<std::size_t>(
      std::find(Lines[1].begin(), Lines[1].end(), "blake2b") - Lines[1].begin());
  ASSERT_LT(Column, Lines[1].size());

  std::mt19937 Rng(7693);
  TBlake2bProbe Hash(nullptr); // one instance for every case: nothing carries over
  std::size_t Length = 0;
  for (auto Line = Lines.begin() + 2; Line != Lines.end(); ++Line, ++Length) {
    ASSERT_EQ(std::stoul(Line->at(0)), Length);
    ASSERT_LE(Length, Message.size());
    const std::string& Expected = Line->at(Column);
    const std::span<const std::uint8_t> Prefix(Message.data(), Length);
    ASSERT_EQ(DigestHex(Hash, Prefix, {Length}), Expected) << "one piece of " << Length;
    for (int Round = 0; Round < 4; ++Round) {
      const TPieces Pieces = RandomPieces(Length, Rng);
      ASSERT_EQ(DigestHex(Hash, Prefix, Pieces), Expected)
          << Length << " bytes in " << Pieces.size() << " pieces";
    }
  }
  EXPECT_EQ(Length, 301u);
}

// Many blocks: straight from the caller's buffer, in pieces that end anywhere in a block, and in
// pieces of one block each, so that every block is kept back whole until the next piece comes.
// Digest from b2sum.
TEST(Blake2bDigest, OneMillionA) {
  std::string Expected;
  for (const auto& Fields : ReadFields(DataDir + "/million_a_digests.txt"))
    if (Fields.at(0) == "blake2b")
      Expected = Fields.at(1);
  ASSERT_FALSE(Expected.empty());

  const TBytes Message(1000000, 'a');
  EXPECT_EQ(DigestHex(Message, {Message.size()}), Expected);
  for (const std::size_t Size : {997u, 128u}) {
    TPieces Pieces(Message.size() / Size, Size);
    Pieces.push_back(Message.size() % Size);
    EXPECT_EQ(DigestHex(Message, Pieces), Expected) << "pieces of " << Size;
  }
}

// Other digest sizes and keys, in one piece and in random pieces, through one instance. Digests
// from Python's hashlib.
TEST(Blake2bDigest, OtherSizesAndKeys) {
  const auto Lines = ReadFields(DataDir + "/blake2b_sizes_keys.txt");
  ASSERT_FALSE(Lines.empty());
  std::mt19937 Rng(20261212);
  TBlake2bProbe Hash(nullptr);
  for (const auto& Fields : Lines) {
    ASSERT_EQ(Fields.size(), 4u);
    const auto Bits = static_cast<std::int32_t>(std::stoi(Fields[0]));
    TBytes Key(std::stoul(Fields[1])), Message(std::stoul(Fields[2]));
    for (std::size_t I = 0; I < Key.size(); ++I)
      Key[I] = static_cast<std::uint8_t>(I);
    for (std::size_t I = 0; I < Message.size(); ++I)
      Message[I] = static_cast<std::uint8_t>(I);
    SCOPED_TRACE(Fields[0] + " bits, key of " + Fields[1] + ", message of " + Fields[2]);
    EXPECT_EQ(DigestHex(Hash, Message, {Message.size()}, Bits, Key), Fields[3]);
    EXPECT_EQ(DigestHex(Hash, Message, RandomPieces(Message.size(), Rng), Bits, Key), Fields[3]);
  }
}

// The key is only borrowed for the call; no key at all is Init.
TEST(Blake2bDigest, TheKeyIsCopiedAndAnEmptyOneIsNoKey) {
  const TBytes Message = Bytes("message after the key");
  TBytes Key(64);
  for (std::size_t I = 0; I < Key.size(); ++I)
    Key[I] = static_cast<std::uint8_t>(0xa0 + I);
  const std::string Keyed = DigestHex(Message, {Message.size()}, 512, Key);

  TBlake2bProbe Hash(nullptr);
  Hash.InitKey(Key.data(), 64);
  std::fill(Key.begin(), Key.end(), 0);
  Hash.UpdateStr("message after the key");
  EXPECT_EQ(FinalHex(Hash, 64), Keyed);

  Hash.InitKey(nullptr, 0);
  Hash.UpdateStr("message after the key");
  const std::string NoKey = FinalHex(Hash, 64);
  EXPECT_NE(NoKey, Keyed);
  EXPECT_EQ(DigestHex(Message, {Message.size()}), NoKey);
}

// ---------------------------------------------------------------------------------------------
// Digest size and key

// Every size from 8 to 512 bits in steps of 8 is taken, and Final writes that many bits. The size
// is part of what is hashed: a shorter digest is not the start of the full one.
TEST(Blake2bDigestBits, EveryMultipleOf8UpTo512) {
  TBlake2bProbe Hash(nullptr);
  EXPECT_EQ(Hash.DigestBits(), 512);
  const std::string Full = Hex(TSCL_blake2b::AbcDigest);
  for (std::int32_t Bits = 8; Bits <= 512; Bits += 8) {
    SCOPED_TRACE(Bits);
    Hash.SetDigestBits(Bits);
    EXPECT_EQ(Hash.DigestBits(), Bits);
    const std::string Digest = DigestHex(Hash, Bytes("abc"), {3}, Bits);
    EXPECT_EQ(Digest.size(), static_cast<std::size_t>(Bits / 4));
    if (Bits >= 64 && Bits < 512) {
      EXPECT_NE(Digest, Full.substr(0, Digest.size()));
    }
  }
}

TEST(Blake2bDigestBits, OtherValuesAreRejectedAndChangeNothing) {
  TBlake2bProbe Hash(nullptr);
  Hash.SetDigestBits(256);
  Hash.Init();
  Hash.UpdateStr("ab");
  const TSnapshot Running = Snap(Hash);
  for (const std::int32_t Bits :
       {INT_MIN, -512, -8, -1, 0, 1, 7, 9, 63, 100, 511, 513, 520, 1024, INT_MAX}) {
    SCOPED_TRACE(Bits);
    try {
      Hash.SetDigestBits(Bits);
      ADD_FAILURE() << "no ESCL_hash raised";
    } catch (const ESCL_hash& E) {
      EXPECT_EQ(E.Message(), "Invalid digest size: " + std::to_string(Bits) +
                                 " bits (BLAKE2b gives 8 to 512 bits in steps of 8)");
    }
    EXPECT_EQ(Hash.DigestBits(), 256);
    EXPECT_EQ(Snap(Hash), Running);
  }
  Hash.UpdateStr("c");
  EXPECT_EQ(FinalHex(Hash, 32), DigestHex(Bytes("abc"), {3}, 256));
}

// The size is read at Init: a change during a computation applies from the next one.
TEST(Blake2bDigestBits, ReadAtInit) {
  TBlake2bProbe Hash(nullptr);
  Hash.Init();
  Hash.SetDigestBits(256);
  EXPECT_EQ(Hash.DigestBytesInUse(), 64u);
  Hash.UpdateStr("abc");
  EXPECT_EQ(FinalHex(Hash, 64), Hex(TSCL_blake2b::AbcDigest));
  Hash.Init();
  EXPECT_EQ(Hash.DigestBytesInUse(), 32u);
  Hash.UpdateStr("abc");
  EXPECT_EQ(FinalHex(Hash, 32), "bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319");
}

// DigestBits is published with its default, after the base's read-only queries; a form
// description can set it and is refused a value the setter refuses.
TEST(Blake2bDigestBits, PublishedWithItsDefault) {
  const std::vector<const TPropInfo*> Props = TSCL_blake2b::Class().Properties();
  std::vector<std::string_view> Names;
  for (const TPropInfo* P : Props)
    Names.push_back(P->Name);
  ASSERT_EQ(Names, (std::vector<std::string_view>{"Id", "Algorithm", "HashSize", "DigestBits"}));

  TBlake2bProbe Hash(nullptr);
  const TPropValue Expected[] = {std::int32_t{0xB240}, std::string("BLAKE2b"), std::int32_t{512},
                                 std::int32_t{512}};
  const TPropValue Written[] = {std::int32_t{99}, std::string("SHA1"), std::int32_t{7},
                                std::int32_t{160}};
  for (std::size_t I = 0; I < 3; ++I) {
    SCOPED_TRACE(Props[I]->Name);
    EXPECT_EQ(Props[I]->Read(Hash), Expected[I]);
    EXPECT_NO_THROW(Props[I]->Write(Hash, Written[I]));
    EXPECT_EQ(Props[I]->Read(Hash), Expected[I]);
  }
  const TPropInfo& Bits = *Props[3];
  EXPECT_EQ(Bits.Default, TPropValue(std::int32_t{512}));
  EXPECT_EQ(Bits.Read(Hash), Expected[3]);
  EXPECT_FALSE(Bits.IsStored(Hash));
  Bits.Write(Hash, Written[3]);
  EXPECT_EQ(Hash.DigestBits(), 160);
  EXPECT_TRUE(Bits.IsStored(Hash));
  EXPECT_THROW(Bits.Write(Hash, TPropValue(std::int32_t{12})), ESCL_hash);
  EXPECT_EQ(Hash.DigestBits(), 160);
  EXPECT_EQ(Hash.GetHashSize(), 512); // the class's, whatever the instance's size
  EXPECT_EQ(Snap(Hash), AllZero);
}

// A key longer than 64 bytes is refused after the running computation is burnt, so what follows
// cannot go on with it.
TEST(Blake2bKey, TooLongRaisesAndLeavesTheHashIdle) {
  const TBytes Key(65, 0x4b);
  TBlake2bProbe Hash(nullptr);
  Hash.InitKey(Key.data(), 64);
  Hash.UpdateStr("running");
  try {
    Hash.InitKey(Key.data(), 65);
    ADD_FAILURE() << "no ESCL_hash raised";
  } catch (const ESCL_hash& E) {
    EXPECT_EQ(E.Message(), "Invalid key size: 65 bytes (BLAKE2b takes at most 64)");
  }
  EXPECT_EQ(Snap(Hash), AllZero);
  ExpectNotInitialized([&] { Hash.UpdateStr("more"); });
  EXPECT_THROW(Hash.InitKey(Key.data(), UINT32_MAX), ESCL_hash);
}

// ---------------------------------------------------------------------------------------------
// Block functions

// From random states and counters (some about to carry into the high word), runs of 0 to 24
// random blocks at every offset from a 64-byte boundary, each in a buffer that ends where the run
// does, so that a read past the last block is caught in the sanitized build, with steps of a
// whole block or less and with or without the final flag: every row that runs leaves the state
// and the counter the portable row leaves.
TEST(Blake2bBlockChoice, EveryCandidateThatRunsAgreesWithThePortableOne) {
  const auto Table = Blake2bCandidates();
  ASSERT_FALSE(Table.empty());
  ASSERT_EQ(Table[0].Name, "portable");
  ASSERT_TRUE(Table[0].Runs()) << "the first row runs everywhere";
  std::mt19937_64 Rng(20261213);
  for (const auto& Row : Table) {
    SCOPED_TRACE(Row.Name);
    if (!Row.Runs())
      continue;
    ASSERT_NE(Row.Function, nullptr);
    for (int Trial = 0; Trial < 256; ++Trial) {
      const std::size_t Count = Rng() % 25;
      const std::size_t Offset = static_cast<std::size_t>(Trial) % 64;
      const auto Step = static_cast<std::uint32_t>(Trial % 2 == 0 ? 128 : Rng() % 129);
      const bool Last = Trial % 3 == 0;
      TBytes Buffer(Offset + 128 * Count);
      for (std::uint8_t& Byte : Buffer)
        Byte = static_cast<std::uint8_t>(Rng());
      std::array<std::uint64_t, 8 + 2 + 4> Initial; // state, counter, guard words
      for (std::uint64_t& Word : Initial)
        Word = Rng();
      if (Trial % 4 == 1)
        Initial[8] = ~std::uint64_t{0} - Rng() % 256;
      auto Expected = Initial, Got = Initial;
      Table[0].Function(Expected.data(), Expected.data() + 8, Buffer.data() + Offset, Count, Step,
                        Last);
      Row.Function(Got.data(), Got.data() + 8, Buffer.data() + Offset, Count, Step, Last);
      ASSERT_EQ(Got, Expected) << Count << " blocks at offset " << Offset << ", step " << Step
                               << (Last ? ", last" : "");
    }
  }
}

// The counter the portable function keeps: Step a block, carried into the high word.
TEST(Blake2bBlockChoice, TheCounterGrowsByTheStepAndCarries) {
  struct TCase {
    std::array<std::uint64_t, 2> Before;
    std::size_t Count;
    std::uint32_t Step;
    std::array<std::uint64_t, 2> After;
  };
  const TCase Cases[] = {
      {{0, 0}, 0, 128, {0, 0}},
      {{0, 0}, 3, 128, {384, 0}},
      {{128, 0}, 1, 5, {133, 0}},
      {{~std::uint64_t{0} - 127, 7}, 1, 128, {0, 8}},
      {{~std::uint64_t{0} - 63, 7}, 2, 128, {192, 8}},
      {{~std::uint64_t{0}, ~std::uint64_t{0}}, 1, 1, {0, 0}},
  };
  const TBytes Blocks(128 * 3, 0x61);
  for (const TCase& C : Cases) {
    std::array<std::uint64_t, 8> State = std::to_array(Blake2bInitial);
    auto Counter = C.Before;
    Blake2bBlocksPortable(State.data(), Counter.data(), Blocks.data(), C.Count, C.Step, true);
    EXPECT_EQ(Counter, C.After) << C.Before[1] << ":" << C.Before[0] << " + " << C.Count << " x "
                                << C.Step;
  }
}

// CTest runs this file once more with each block function forced, so that every digest test also
// goes through each function this processor runs.
TEST(Blake2bBlockChoice, TheHashUsesTheForcedFunctionOrOneThatRuns) {
  const auto Table = Blake2bCandidates();
  const std::size_t InUse = Blake2bBlocksInUse();
  ASSERT_LT(InUse, Table.size());
  EXPECT_TRUE(Table[InUse].Runs());
  const char* const Variable = std::getenv(Blake2bBlockVariable);
  const std::string_view Forced = Variable ? Variable : "";
  for (const auto& Row : Table)
    if (Row.Name == Forced) {
      EXPECT_EQ(Table[InUse].Name, Row.Runs() ? Forced : "portable");
    }
}

// ---------------------------------------------------------------------------------------------
// State

TEST(Blake2bState, InitMixesTheDigestAndKeySizesIntoTheInitialWords) {
  TBlake2bProbe Hash(nullptr);
  EXPECT_EQ(Snap(Hash), AllZero);
  Hash.Init();
  TSnapshot Expected{std::to_array(Blake2bInitial), {}, {}, 0, 64, true};
  Expected.Chain[0] ^= 0x01010040;
  EXPECT_EQ(Snap(Hash), Expected);

  // A key goes before the message as a block of its own, zero-padded, and counts as 128 bytes.
  Hash.UpdateStr("discarded by the Init that follows");
  Hash.SetDigestBits(256);
  const TBytes Key = Bytes("a key of 22 characters");
  Hash.InitKey(Key.data(), 22);
  Expected = {std::to_array(Blake2bInitial), {}, {}, 128, 32, true};
  Expected.Chain[0] ^= 0x01011620;
  std::copy(Key.begin(), Key.end(), Expected.Block.begin());
  EXPECT_EQ(Snap(Hash), Expected);
}

// A block is compressed only once a byte after it arrives: the one kept at Final, whole or not, is
// the last one.
TEST(Blake2bState, TheLastBlockIsKeptBack) {
  struct TCase {
    std::vector<std::size_t> Pieces;
    std::uint64_t Compressed;
    std::size_t Fill;
  };
  const TCase Cases[] = {
      {{0}, 0, 0},
      {{127}, 0, 127},
      {{128}, 0, 128},
      {{129}, 128, 1},
      {{128, 0}, 0, 128},
      {{128, 1}, 128, 1},
      {{100, 28}, 0, 128},
      {{100, 29}, 128, 1},
      {{256}, 128, 128},
      {{300}, 256, 44},
      {{1, 383}, 256, 128},
      {{127, 130, 127}, 256, 128},
      {{128, 128, 1}, 256, 1},
  };
  const TBytes Message = RandomBytes(512, 1);
  for (const TCase& C : Cases) {
    TBlake2bProbe Hash(nullptr);
    Hash.Init();
    std::size_t Done = 0;
    for (const std::size_t Piece : C.Pieces) {
      Hash.Update(Message.data() + Done, static_cast<std::uint32_t>(Piece));
      Done += Piece;
      ASSERT_NO_FATAL_FAILURE(ExpectBlockInvariant(Hash));
    }
    const std::string Trace =
        std::to_string(C.Pieces.size()) + " pieces, " + std::to_string(Done) + " bytes";
    EXPECT_EQ(Hash.BytesCompressed()[0], C.Compressed) << Trace;
    EXPECT_EQ(Hash.BytesCompressed()[1], 0u) << Trace;
    EXPECT_EQ(Hash.BlockFill(), C.Fill) << Trace;
    EXPECT_TRUE(std::equal(Hash.BlockKept(), Hash.BlockKept() + C.Fill,
                           Message.begin() + static_cast<std::ptrdiff_t>(C.Compressed)))
        << Trace;
    EXPECT_EQ(FinalHex(Hash, 64), DigestHex({Message.data(), Done}, {Done})) << Trace;
  }
}

TEST(Blake2bState, BurnAndFinalZeroEverythingAKeyIncluded) {
  const TBytes Key(40, 0x6b);
  TBlake2bProbe Hash(nullptr);
  Hash.InitKey(Key.data(), 40);
  Hash.UpdateStr(std::string(70, 'q'));
  ASSERT_NE(Snap(Hash), AllZero);
  Hash.Burn();
  EXPECT_EQ(Snap(Hash), AllZero);

  Hash.InitKey(Key.data(), 40);
  ASSERT_EQ(Hash.BlockKept()[0], 0x6b);
  FinalHex(Hash, 64);
  EXPECT_EQ(Snap(Hash), AllZero);
  EXPECT_EQ(Hash.DigestBits(), 512); // a setting, not part of the computation
}

TEST(Blake2bState, SelfTestLeavesARunningComputationAlone) {
  TBlake2bProbe Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr("ab");
  const TSnapshot Before = Snap(Hash);
  EXPECT_TRUE(Hash.SelfTest());
  EXPECT_EQ(Snap(Hash), Before);
  Hash.UpdateStr("c");
  EXPECT_EQ(FinalHex(Hash, 64), Hex(TSCL_blake2b::AbcDigest));
}

// ---------------------------------------------------------------------------------------------
// Lifetime

TEST(Blake2bLifetime, DestroyingARunningInstanceWipesItsKey) {
  alignas(TBlake2bProbe) std::uint8_t Storage[sizeof(TBlake2bProbe)];
  auto* Hash = new (Storage) TBlake2bProbe(nullptr);
  const TBytes Key = Bytes("secret key");
  Hash->InitKey(Key.data(), static_cast<std::uint32_t>(Key.size()));
  Hash->UpdateStr(std::string(200, 'm'));
  // Where the state lies inside the storage.
  const auto At = [&](const void* P) { return static_cast<const std::uint8_t*>(P) - Storage; };
  const auto ChainAt = At(Hash->ChainWords());
  const auto CounterAt = At(Hash->BytesCompressed());
  const auto BlockAt = At(Hash->BlockKept());
  ASSERT_NE(Hash->ChainWords()[0], 0u);
  ASSERT_EQ(Hash->BytesCompressed()[0], 256u);
  ASSERT_EQ(Hash->BlockKept()[0], 'm');
  Hash->~TBlake2bProbe();
  const auto IsZero = [&](std::ptrdiff_t Offset, std::size_t Size) {
    return std::all_of(Storage + Offset, Storage + Offset + Size,
                       [](std::uint8_t B) { return B == 0; });
  };
  EXPECT_TRUE(IsZero(ChainAt, 64));
  EXPECT_TRUE(IsZero(CounterAt, 16));
  EXPECT_TRUE(IsZero(BlockAt, 128));

  // Kept in the block until a byte follows, the key itself is wiped too.
  Hash = new (Storage) TBlake2bProbe(nullptr);
  Hash->InitKey(Key.data(), static_cast<std::uint32_t>(Key.size()));
  ASSERT_TRUE(std::equal(Key.begin(), Key.end(), Storage + BlockAt));
  Hash->~TBlake2bProbe();
  EXPECT_TRUE(IsZero(BlockAt, 128));
}

} // namespace
} // namespace Sumtide::Test
