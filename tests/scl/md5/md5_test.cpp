#include "CandidateTableCheck.h"
#include "CountingStream.h"
#include "HashChecks.h"
#include "HashStateAccess.h"
#include "HashVectors.h"
#include "scl/SCLmd5.h"
#include "scl/md5/Md5Kernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
using Sumtide::Test::ExpectNotInitialized;
using Sumtide::Test::Hex;
using Sumtide::Test::RandomBytes;

namespace {

using Sumtide::Test::TMd5Probe;
using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::string_view S) {
  return TBytes(S.begin(), S.end());
}

std::string FinalHex(TSCL_hash& Hash) {
  std::array<std::uint8_t, 16> Digest{};
  Hash.Final(Digest.data());
  return Hex(Digest);
}

std::string Md5Hex(std::span<const std::uint8_t> Message) {
  TMd5Probe Hash(nullptr);
  Hash.Init();
  Hash.Update(Message.data(), static_cast<std::uint32_t>(Message.size()));
  return FinalHex(Hash);
}

// An independent model, written straight from RFC 1321's definitions: one loop over the 64 steps,
// with the constants derived from the sine as the RFC defines them. Adds Block into H.
void ReferenceCompress(std::uint32_t H[4], const std::uint8_t* Block) {
  static const auto K = [] {
    std::array<std::uint32_t, 64> T{};
    for (int I = 0; I < 64; ++I)
      T[I] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(I + 1.0)) * 4294967296.0));
    return T;
  }();
  static constexpr int Shift[4][4] = {
      {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

  std::uint32_t X[16];
  for (int J = 0; J < 16; ++J)
    X[J] = Block[4 * J] | Block[4 * J + 1] << 8 | Block[4 * J + 2] << 16 |
           static_cast<std::uint32_t>(Block[4 * J + 3]) << 24;
  std::uint32_t A = H[0], B = H[1], C = H[2], D = H[3];
  for (int I = 0; I < 64; ++I) {
    std::uint32_t F;
    int G;
    switch (I / 16) {
    case 0:
      F = (B & C) | (~B & D), G = I;
      break;
    case 1:
      F = (B & D) | (C & ~D), G = (5 * I + 1) % 16;
      break;
    case 2:
      F = B ^ C ^ D, G = (3 * I + 5) % 16;
      break;
    default:
      F = C ^ (B | ~D), G = (7 * I) % 16;
    }
    const std::uint32_t Next = B + std::rotl(A + F + K[I] + X[G], Shift[I / 16][I % 4]);
    A = D, D = C, C = B, B = Next;
  }
  H[0] += A, H[1] += B, H[2] += C, H[3] += D;
}

// The whole digest by the model: padding and length as the RFC lays them out, then the blocks.
std::string ReferenceMd5Hex(std::span<const std::uint8_t> Message) {
  TBytes M(Message.begin(), Message.end());
  const std::uint64_t Bits = static_cast<std::uint64_t>(Message.size()) * 8;
  M.push_back(0x80);
  while (M.size() % 64 != 56)
    M.push_back(0);
  for (int I = 0; I < 8; ++I)
    M.push_back(static_cast<std::uint8_t>(Bits >> (8 * I)));

  std::uint32_t H[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (std::size_t Off = 0; Off < M.size(); Off += 64)
    ReferenceCompress(H, M.data() + Off);
  std::array<std::uint8_t, 16> Digest;
  for (int I = 0; I < 16; ++I)
    Digest[I] = static_cast<std::uint8_t>(H[I / 4] >> (8 * (I % 4)));
  return Hex(Digest);
}

// The whole working state of an instance, to compare states.
struct TSnapshot {
  std::uint32_t High, Low, Fill;
  std::array<std::uint32_t, 4> Chain;
  std::array<std::uint8_t, 64> Block;
  bool Initialized;
  friend bool operator==(const TSnapshot&, const TSnapshot&) = default;
};

TSnapshot Snap(const TMd5Probe& H) {
  TSnapshot S{H.BitCountHigh(), H.BitCountLow(), H.BlockFill(), {}, {}, H.Initialized()};
  std::copy_n(H.ChainState(), 4, S.Chain.begin());
  std::copy_n(H.Block(), 64, S.Block.begin());
  return S;
}

const TSnapshot AllZero{};

// Between calls the block holds BlockFill message bytes and nothing after them.
void ExpectBlockInvariant(const TMd5Probe& H) {
  ASSERT_LT(H.BlockFill(), 64u);
  for (std::uint32_t I = H.BlockFill(); I < 64; ++I)
    ASSERT_EQ(H.Block()[I], 0) << "at " << I << " with BlockFill " << H.BlockFill();
}

// ---------------------------------------------------------------------------------------------
// Digests

// The independent model agrees with the published vectors (the library's own answers to them are
// checked in hash_test.cpp with every hash class).
TEST(Md5Digest, TheModelGivesThePublishedDigests) {
  for (const Sumtide::Test::THashVector& V :
       Sumtide::Test::ReadHashVectors(std::string(SUMTIDE_TEST_DATA) + "/md5.vec")) {
    SCOPED_TRACE(V.Message);
    EXPECT_EQ(ReferenceMd5Hex(Bytes(V.Message)), V.Digest);
  }
}

TEST(Md5Digest, AnySplitGivesTheSameDigest) {
  std::mt19937 Rng(20261210);
  for (std::size_t Size : {0u, 1u, 55u, 63u, 64u, 65u, 127u, 200u, 1000u}) {
    const TBytes Message = RandomBytes(Size, static_cast<std::uint32_t>(Size));
    const std::string Expected = ReferenceMd5Hex(Message);
    ASSERT_EQ(Md5Hex(Message), Expected) << "one Update of " << Size;
    for (int Round = 0; Round < 25; ++Round) {
      TMd5Probe Hash(nullptr);
      Hash.Init();
      std::vector<std::size_t> Pieces;
      std::size_t Done = 0;
      while (Done < Size || Pieces.size() < 2) {
        // About one piece in five is empty; the others are up to 150 bytes long.
        const std::size_t Want = Rng() % 5 == 0 ? 0 : Rng() % 150 + 1;
        const std::size_t Piece = std::min(Want, Size - Done);
        Hash.Update(Message.data() + Done, static_cast<std::uint32_t>(Piece));
        Done += Piece;
        Pieces.push_back(Piece);
        ASSERT_EQ(Hash.BlockFill(), Done % 64);
        ASSERT_EQ(Hash.BitCountLow(), Done * 8);
        ASSERT_EQ(Hash.BitCountHigh(), 0u);
        ASSERT_NO_FATAL_FAILURE(ExpectBlockInvariant(Hash));
      }
      ASSERT_EQ(FinalHex(Hash), Expected) << "size " << Size << ", " << Pieces.size() << " pieces";
    }
  }
}

TEST(Md5Digest, BlockBoundaries) {
  // The marker lands at BlockFill: up to 55 the length fits behind it in the same block, from
  // 56 on a further block is needed. Digests from md5sum over runs of 'a'.
  struct TCase {
    std::size_t Length;
    const char* Digest;
  };
  static const TCase Cases[] = {
      {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
      {57, "652b906d60af96844ebd21b674f35e93"},  {63, "b06521f39153d618550606be297466d5"},
      {64, "014842d480b571495a4a0363793f7367"},  {65, "c743a45e0d2e6a95cb859adae0248435"},
      {119, "8a7bd0732ed6a28ce75f6dabc90e1613"}, {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
      {128, "e510683b3f5ffe4093d021808bc6ff70"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Length);
    const std::string Message(C.Length, 'a');
    TMd5Probe Hash(nullptr);
    Hash.Init();
    Hash.UpdateStr(Message);
    EXPECT_EQ(Hash.BlockFill(), C.Length % 64);
    EXPECT_EQ(Hash.BitCountLow(), C.Length * 8);
    ExpectBlockInvariant(Hash);
    EXPECT_EQ(FinalHex(Hash), C.Digest);
    EXPECT_EQ(Snap(Hash), AllZero);
    EXPECT_EQ(ReferenceMd5Hex(Bytes(Message)), C.Digest);
  }
}

TEST(Md5Digest, BitCountCarriesIntoHighWord) {
  // 2^29 + 1 zero bytes are 2^32 + 8 bits. One Update carries through Length >> 29; the same
  // bytes as 2^29 - 1 then 2 carry out of the low word. Digest from md5sum.
  constexpr std::uint32_t Big = (1u << 29) + 1;
  const TBytes Zeros(Big);
  const char* const Expected = "ea3b62c6b93cb3625a1fd76777985f5a";

  TMd5Probe Whole(nullptr);
  Whole.Init();
  Whole.Update(Zeros.data(), Big);
  EXPECT_EQ(Whole.BitCountHigh(), 1u);
  EXPECT_EQ(Whole.BitCountLow(), 8u);
  EXPECT_EQ(FinalHex(Whole), Expected);

  TMd5Probe Split(nullptr);
  Split.Init();
  Split.Update(Zeros.data(), Big - 2);
  EXPECT_EQ(Split.BitCountHigh(), 0u);
  EXPECT_EQ(Split.BitCountLow(), 0xfffffff8u);
  Split.Update(Zeros.data(), 2);
  EXPECT_EQ(Split.BitCountHigh(), 1u);
  EXPECT_EQ(Split.BitCountLow(), 8u);
  EXPECT_EQ(FinalHex(Split), Expected);
}

// ---------------------------------------------------------------------------------------------
// Block functions

// Chaining values and blocks to feed a block function: all zero bits, all one bits, then random
// ones from a fixed seed. The blocks start one byte past an aligned address, as a block inside a
// caller's buffer may.
struct TCompressCases {
  std::vector<std::array<std::uint32_t, 4>> States;
  TBytes Bytes;
  const std::uint8_t* Block(std::size_t I) const { return Bytes.data() + 1 + 64 * I; }
};

TCompressCases MakeCompressCases(std::size_t Count) {
  TCompressCases Cases;
  Cases.Bytes = RandomBytes(1 + 64 * Count, 1321);
  std::fill_n(Cases.Bytes.begin() + 1, 64, 0x00);
  std::fill_n(Cases.Bytes.begin() + 65, 64, 0xff);
  Cases.States = {{0, 0, 0, 0}, {~0u, ~0u, ~0u, ~0u}};
  std::mt19937 Rng(1992);
  const auto Word = [&] { return static_cast<std::uint32_t>(Rng()); };
  while (Cases.States.size() < Count)
    Cases.States.push_back({Word(), Word(), Word(), Word()});
  return Cases;
}

TEST(Md5Compress, PortableMatchesTheModel) {
  const TCompressCases Cases = MakeCompressCases(500);
  for (std::size_t I = 0; I < Cases.States.size(); ++I) {
    auto Expected = Cases.States[I];
    ReferenceCompress(Expected.data(), Cases.Block(I));
    auto Got = Cases.States[I];
    Md5Internal::CompressPortable(Got.data(), Cases.Block(I));
    ASSERT_EQ(Got, Expected) << "case " << I;
  }
}

TEST(Md5Compress, VectorMatchesPortable) {
#ifdef SUMTIDE_MD5_AVX512_COMPRESS
  if (!Md5Internal::HasAvx512Compress())
    GTEST_SKIP() << "this processor lacks AVX-512F or AVX-512VL";
  const TCompressCases Cases = MakeCompressCases(2000);
  for (std::size_t I = 0; I < Cases.States.size(); ++I) {
    auto Expected = Cases.States[I];
    Md5Internal::CompressPortable(Expected.data(), Cases.Block(I));
    auto Got = Cases.States[I];
    Md5Internal::CompressAvx512(Got.data(), Cases.Block(I));
    ASSERT_EQ(Got, Expected) << "case " << I;
  }
#else
  GTEST_SKIP() << "no vector block function for this target";
#endif
}

// Every block function of the table this processor runs, over runs of blocks, against the
// portable one.
TEST(Md5BlockChoice, EveryCandidateThatRunsAgreesWithThePortableOne) {
  Sumtide::Test::ExpectEveryRowAgreesWithThePortableOne<std::uint32_t, 4, 64>(
      Md5Internal::BlockCandidates());
}

// The choice between the block functions, with the measurement stood in for: the candidates'
// names and the margin are the hash's own, whether the vector one runs is the case's.
TEST(Md5BlockChoice, ForcedOrFasterByAClearMargin) {
  struct TCase {
    std::string_view Forced;
    bool VectorRuns;
    double PortableTime, VectorTime;
    std::string_view Expected;
    bool Measures;
  };
  const TCase Cases[] = {
      {"", true, 100, 90, "vector", true},     // 10% faster, as on Intel with AVX-512
      {"", true, 100, 210, "portable", true},  // twice as slow, as on AMD Zen 5
      {"", true, 100, 98, "portable", true},   // within the margin
      {"", true, 100, 0, "portable", true},    // no figure for the vector one
      {"", false, 100, 50, "portable", false}, // cannot run it: nothing to measure
      {"portable", true, 100, 50, "portable", false},
      {"vector", true, 100, 210, "vector", false},
      {"vector", false, 100, 50, "portable", false}, // forcing cannot make it run
      {"VECTOR", true, 100, 210, "portable", true},  // anything else forces nothing
      {"avx512", true, 100, 90, "vector", true},
  };
  const auto Candidates = Md5Internal::BlockCandidates();
  ASSERT_EQ(Candidates.size(), 2u);
  for (const TCase& C : Cases) {
    const FunctionChoice::TCandidate<Md5Internal::TBlocks> Table[] = {
        {Candidates[0].Name, nullptr, FunctionChoice::Always},
        {Candidates[1].Name, nullptr,
         C.VectorRuns ? FunctionChoice::Always : FunctionChoice::Never}};
    bool Measured = false;
    const auto Measure = [&] {
      Measured = true;
      const auto Rate = [](double Time) { return Time > 0 ? 1 / Time : 0; };
      return std::vector<double>{Rate(C.PortableTime), Rate(C.VectorTime)};
    };
    const std::size_t Chosen = FunctionChoice::ChooseRow<Md5Internal::TBlocks>(
        Table, C.Forced, Md5Internal::BlockMargin, Measure);
    EXPECT_EQ(Table[Chosen].Name, C.Expected)
        << "forced '" << C.Forced << "', vector runs " << C.VectorRuns << ", times "
        << C.PortableTime << " / " << C.VectorTime;
    EXPECT_EQ(Measured, C.Measures) << "forced '" << C.Forced << "'";
  }
}

TEST(Md5BlockChoice, MeasuresBothWhereTheVectorFunctionRuns) {
  if (!Md5Internal::HasAvx512Compress())
    GTEST_SKIP() << "this processor cannot run the vector block function";
  const std::vector<double> Rates = Md5Internal::MeasureBlockFunctions();
  ASSERT_EQ(Rates.size(), 2u);
  EXPECT_GT(Rates[0], 0);
  EXPECT_GT(Rates[1], 0);
}

// CTest runs this file once more with each block function forced, so that every digest test
// also goes through each function this processor runs.
TEST(Md5BlockChoice, TheHashUsesTheForcedFunctionOrOneThatRuns) {
  const std::string_view InUse =
      Md5Internal::BlockCandidates()[Md5Internal::BlockFunctionInUse()].Name;
  const bool VectorRuns = Md5Internal::HasAvx512Compress();
  const char* const Variable = std::getenv(Md5Internal::BlockFunctionVariable);
  const std::string_view Forced = Variable ? Variable : "";
  if (Forced == "portable" || !VectorRuns) {
    EXPECT_EQ(InUse, "portable");
  } else if (Forced == "vector") {
    EXPECT_EQ(InUse, "vector");
  }
}

// ---------------------------------------------------------------------------------------------
// State

TEST(Md5State, NewInstanceIsAllZero) {
  TMd5Probe Hash(nullptr);
  EXPECT_EQ(Snap(Hash), AllZero);
}

TEST(Md5State, InitLoadsTheInitialWordsAndDiscardsAComputation) {
  TMd5Probe Hash(nullptr);
  Hash.Init();
  const TSnapshot Fresh = Snap(Hash);
  EXPECT_TRUE(Fresh.Initialized);
  EXPECT_EQ(Fresh.Chain,
            (std::array<std::uint32_t, 4>{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}));
  EXPECT_EQ(Fresh.High + Fresh.Low + Fresh.Fill, 0u);
  EXPECT_EQ(Fresh.Block, AllZero.Block);

  Hash.UpdateStr(std::string(100, 'x'));
  Hash.Init();
  EXPECT_EQ(Snap(Hash), Fresh);
  Hash.UpdateStr("abc");
  EXPECT_EQ(FinalHex(Hash), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5State, BurnAndFinalZeroEverything) {
  TMd5Probe Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr(std::string(70, 'q'));
  ASSERT_NE(Snap(Hash), AllZero);
  Hash.Burn();
  EXPECT_EQ(Snap(Hash), AllZero);

  Hash.Init();
  Hash.UpdateStr(std::string(70, 'q'));
  FinalHex(Hash);
  EXPECT_EQ(Snap(Hash), AllZero);
}

TEST(Md5State, EmptyUpdatesChangeNothing) {
  TMd5Probe Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr("partial");
  const TSnapshot Before = Snap(Hash);
  Hash.Update(nullptr, 0);
  EXPECT_EQ(Snap(Hash), Before);
  Hash.UpdateStr("");
  EXPECT_EQ(Snap(Hash), Before);
}

// ---------------------------------------------------------------------------------------------
// Misuse

TEST(Md5Errors, UpdateWhenIdleRaisesAndChangesNothing) {
  const std::uint8_t Data[3] = {1, 2, 3};
  const std::function<void(TSCL_md5&)> Calls[] = {
      [&](TSCL_md5& H) { H.Update(Data, 0); },
      [&](TSCL_md5& H) { H.Update(Data, 3); },
      [](TSCL_md5& H) { H.UpdateStr(""); },
  };
  for (const auto& Call : Calls) {
    TMd5Probe Hash(nullptr);
    ExpectNotInitialized([&] { Call(Hash); });
    EXPECT_EQ(Snap(Hash), AllZero);
  }
  TMd5Probe Finished(nullptr);
  Finished.Init();
  Finished.UpdateStr("abc");
  FinalHex(Finished);
  ExpectNotInitialized([&] { Finished.UpdateStr("d"); });
  EXPECT_EQ(Snap(Finished), AllZero);
}

TEST(Md5Errors, FinalWhenIdleLeavesTheDigestAlone) {
  std::array<std::uint8_t, 16> Digest;
  Digest.fill(0xa5);
  TMd5Probe Hash(nullptr);
  ExpectNotInitialized([&] { Hash.Final(Digest.data()); });
  EXPECT_EQ(Hex(Digest), "a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5");
  EXPECT_EQ(Snap(Hash), AllZero);
}

// ---------------------------------------------------------------------------------------------
// Streams

TEST(Md5Stream, ZeroCountReadsNothingEvenWhenIdle) {
  TMemoryStream Memory(RandomBytes(10, 1));
  Sumtide::Test::TCountingStream Stream(Memory);
  TMd5Probe Hash(nullptr);
  EXPECT_NO_THROW(Hash.UpdateStream(Stream, 0));
  EXPECT_TRUE(Stream.Reads.empty());
  EXPECT_EQ(Memory.Position(), 0);
}

TEST(Md5Stream, IdleInstanceReadsOnceThenRaises) {
  TMemoryStream Memory(RandomBytes(10000, 1));
  Sumtide::Test::TCountingStream Stream(Memory);
  TMd5Probe Hash(nullptr);
  ExpectNotInitialized([&] { Hash.UpdateStream(Stream, 9000); });
  EXPECT_EQ(Stream.Reads, std::vector<std::size_t>{8192});
  EXPECT_EQ(Memory.Position(), 8192);
  EXPECT_EQ(Snap(Hash), AllZero);
}

// ---------------------------------------------------------------------------------------------
// Class level

TEST(Md5Class, SelfTestLeavesARunningComputationAlone) {
  TMd5Probe Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr(std::string(60, 'a'));
  const TSnapshot Before = Snap(Hash);
  EXPECT_TRUE(Hash.SelfTest());
  EXPECT_EQ(Snap(Hash), Before);
  Hash.UpdateStr("aaaa");
  EXPECT_EQ(FinalHex(Hash), "014842d480b571495a4a0363793f7367");
}

TEST(Md5Properties, PublishedReadOnlyQueries) {
  const std::vector<const TPropInfo*> Props = TSCL_md5::Class().Properties();
  std::vector<std::string_view> Names;
  for (const TPropInfo* P : Props)
    Names.push_back(P->Name);
  EXPECT_EQ(Names, (std::vector<std::string_view>{"Id", "Algorithm", "HashSize"}));

  TMd5Probe Hash(nullptr);
  const TPropValue Expected[] = {std::int32_t{16}, std::string("MD5"), std::int32_t{128}};
  const TPropValue Written[] = {std::int32_t{99}, std::string("SHA1"), std::int32_t{7}};
  for (std::size_t I = 0; I < Props.size() && I < 3; ++I) {
    SCOPED_TRACE(Props[I]->Name);
    EXPECT_EQ(Props[I]->Read(Hash), Expected[I]);
    EXPECT_NO_THROW(Props[I]->Write(Hash, Written[I]));
    EXPECT_EQ(Props[I]->Read(Hash), Expected[I]);
  }
  EXPECT_EQ(TSCL_md5::Class().FindProperty("hashsize"), Props[2]);
  EXPECT_EQ(Snap(Hash), AllZero);
}

// ---------------------------------------------------------------------------------------------
// Lifetime

TEST(Md5Lifetime, DestroyingARunningInstanceWipesIt) {
  alignas(TMd5Probe) std::uint8_t Storage[sizeof(TMd5Probe)];
  auto* Hash = new (Storage) TMd5Probe(nullptr);
  Hash->Init();
  Hash->UpdateStr("secret");
  // Where the chaining words and the block sit inside the storage.
  const auto ChainAt = reinterpret_cast<const std::uint8_t*>(Hash->ChainState()) - Storage;
  const auto BlockAt = Hash->Block() - Storage;
  ASSERT_NE(Hash->ChainState()[0], 0u);
  ASSERT_EQ(Hash->Block()[0], 's');
  Hash->~TMd5Probe();
  const auto IsZero = [&](std::ptrdiff_t At, std::size_t Size) {
    return std::all_of(Storage + At, Storage + At + Size, [](std::uint8_t B) { return B == 0; });
  };
  EXPECT_TRUE(IsZero(ChainAt, 16));
  EXPECT_TRUE(IsZero(BlockAt, 64));
}

} // namespace
