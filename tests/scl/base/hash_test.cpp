// What every hash class does, run over each class reference of the library, with its
// known-answer vectors from a data file. What is one algorithm's own (its working state, its
// block functions) stays in that algorithm's test file.

#include "CountingStream.h"
#include "HashChecks.h"
#include "HashVectors.h"
#include "rtl/Stream.h"
#include "scl/SCLblake2b.h"
#include "scl/SCLblake3.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace Sumtide::Test {
namespace {

using TBytes = std::vector<std::uint8_t>;

struct THashClassCase {
  TSCL_hashclassref Class;
  std::string_view Name;
  std::int32_t Id;
  std::string Algorithm;
  std::int32_t Bits;
  std::string VectorFile; // in tests/scl/data
};

const THashClassCase HashClasses[] = {
    {&TSCL_md5::Class(), "TSCL_md5", 16, "MD5", 128, "md5.vec"},
    {&TSCL_sha1::Class(), "TSCL_sha1", 20, "SHA1", 160, "sha1.vec"},
    {&TSCL_sha224::Class(), "TSCL_sha224", 28, "SHA224", 224, "sha224.vec"},
    {&TSCL_sha256::Class(), "TSCL_sha256", 32, "SHA256", 256, "sha256.vec"},
    {&TSCL_sha384::Class(), "TSCL_sha384", 48, "SHA384", 384, "sha384.vec"},
    {&TSCL_sha512::Class(), "TSCL_sha512", 64, "SHA512", 512, "sha512.vec"},
    {&TSCL_blake2b::Class(), "TSCL_blake2b", 0xB240, "BLAKE2b", 512, "blake2b.vec"},
    {&TSCL_blake3::Class(), "TSCL_blake3", 0xB320, "BLAKE3", 256, "blake3.vec"},
};

class HashClassTest : public ::testing::TestWithParam<THashClassCase> {
protected:
  TSCL_hashclassref Class() const { return GetParam().Class; }
  std::size_t DigestSize() const { return static_cast<std::size_t>(GetParam().Bits / 8); }

  // Final into an area with guard bytes after the digest, which must stay as they were.
  std::string FinalHex(TSCL_hash& Hash) const {
    TBytes Area(DigestSize() + 8, 0x5c);
    Hash.Final(Area.data());
    EXPECT_TRUE(std::all_of(Area.begin() + static_cast<std::ptrdiff_t>(DigestSize()), Area.end(),
                            [](std::uint8_t B) { return B == 0x5c; }))
        << "Final wrote past " << DigestSize() << " bytes";
    Area.resize(DigestSize());
    return Hex(Area);
  }
  std::string DigestOf(const TBytes& Message) const {
    const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
    Hash->Init();
    Hash->Update(Message.data(), static_cast<std::uint32_t>(Message.size()));
    return FinalHex(*Hash);
  }
};

TEST_P(HashClassTest, KnownAnswersFromTheVectorFile) {
  const std::vector<THashVector> Vectors =
      ReadHashVectors(std::string(SUMTIDE_TEST_DATA) + "/" + GetParam().VectorFile);
  for (const THashVector& V : Vectors) {
    SCOPED_TRACE(V.Message);
    ASSERT_EQ(V.Digest.size(), 2 * DigestSize());
    EXPECT_EQ(DigestOf(TBytes(V.Message.begin(), V.Message.end())), V.Digest);
    const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
    Hash->Init();
    Hash->UpdateStr(V.Message);
    EXPECT_EQ(FinalHex(*Hash), V.Digest);
  }
}

// Any split of a message into Updates, empty ones among them, gives the digest of one Update; so
// does an Init in the middle of a computation for what is fed after it.
TEST_P(HashClassTest, AnySplitGivesTheSameDigest) {
  std::mt19937 Rng(20261210);
  for (const std::size_t Size : {0u, 1u, 55u, 63u, 64u, 65u, 127u, 128u, 129u, 200u, 1000u}) {
    const TBytes Message = RandomBytes(Size, static_cast<std::uint32_t>(Size));
    const std::string Expected = DigestOf(Message);
    for (int Round = 0; Round < 25; ++Round) {
      const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
      Hash->Init();
      Hash->UpdateStr("discarded by the Init that follows");
      Hash->Init();
      std::size_t Done = 0;
      int Pieces = 0;
      while (Done < Size || Pieces < 2) {
        // About one piece in five is empty; the others are up to 150 bytes long.
        const std::size_t Want = Rng() % 5 == 0 ? 0 : Rng() % 150 + 1;
        const std::size_t Piece = std::min(Want, Size - Done);
        Hash->Update(Message.data() + Done, static_cast<std::uint32_t>(Piece));
        Done += Piece;
        ++Pieces;
      }
      ASSERT_EQ(FinalHex(*Hash), Expected) << "size " << Size << ", " << Pieces << " pieces";
    }
  }
}

// UpdateStream reads in pieces of 8192 bytes and hashes what the reads returned.
TEST_P(HashClassTest, UpdateStreamReadsInPiecesAndHashesWhatWasRead) {
  struct TCase {
    std::size_t StreamSize;
    std::uint32_t Count;
    std::vector<std::size_t> Reads;
    std::size_t Hashed;
  };
  const TCase Cases[] = {
      {50, 20, {20}, 20},
      {100, 1000, {1000}, 100},
      {3 * 8192 + 5, 3 * 8192 + 5, {8192, 8192, 8192, 5}, 3 * 8192 + 5},
      {10000, 20000, {8192, 8192, 3616}, 10000},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Count);
    const TBytes Data = RandomBytes(C.StreamSize, 7);
    TMemoryStream Memory(Data);
    TCountingStream Stream(Memory);
    const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
    Hash->Init();
    Hash->UpdateStream(Stream, C.Count);
    EXPECT_EQ(Stream.Reads, C.Reads);
    EXPECT_EQ(Memory.Position(), static_cast<std::int64_t>(C.Hashed));
    EXPECT_EQ(FinalHex(*Hash), DigestOf(TBytes(Data.begin(), Data.begin() + C.Hashed)));
  }
}

TEST_P(HashClassTest, MisuseRaisesAndTheFirstDigestStands) {
  const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
  ExpectNotInitialized([&] { Hash->UpdateStr("abc"); });
  TBytes Untouched(DigestSize(), 0xa5);
  ExpectNotInitialized([&] { Hash->Final(Untouched.data()); });
  EXPECT_EQ(Untouched, TBytes(DigestSize(), 0xa5));

  Hash->Init();
  Hash->UpdateStr("abc");
  const std::string First = FinalHex(*Hash);
  EXPECT_EQ(First, DigestOf({'a', 'b', 'c'}));
  ExpectNotInitialized([&] { Hash->Final(Untouched.data()); });
  ExpectNotInitialized([&] { Hash->UpdateStr("d"); });
  EXPECT_FALSE(Hash->Initialized());
}

// The class-level queries answer alike through the class, an instance and the class reference,
// and the reference creates instances of its class, with or without an owner.
TEST_P(HashClassTest, TheClassReferenceAnswersAndCreates) {
  const THashClassCase& C = GetParam();
  const std::unique_ptr<TSCL_hash> Hash = Class()->CreateOwned();
  for (const TSCL_hashclass* Via : {Class(), &Hash->HashClass()}) {
    EXPECT_EQ(Via, Class());
    EXPECT_EQ(Via->GetId(), C.Id);
    EXPECT_EQ(Via->GetAlgorithm(), C.Algorithm);
    EXPECT_EQ(Via->GetHashSize(), C.Bits);
    EXPECT_TRUE(Via->SelfTest());
  }
  EXPECT_EQ(Hash->GetId(), C.Id);
  EXPECT_EQ(Hash->GetAlgorithm(), C.Algorithm);
  EXPECT_EQ(Hash->GetHashSize(), C.Bits);
  EXPECT_EQ(Hash->ClassName(), C.Name);
  EXPECT_EQ(Class()->ClassParent(), &TSCL_hash::Class());
  EXPECT_TRUE(Class()->InheritsFrom(TComponent::Class()));
  EXPECT_FALSE(Hash->Initialized());
}

TEST_P(HashClassTest, OwnerFreesItsHashesAndAnEarlyFreeUnlists) {
  auto Owner = std::make_unique<TComponent>(nullptr);
  TSCL_hash* Running = Class()->Create(Owner.get());
  Running->Init();
  Running->UpdateStr("left running when its owner goes");
  EXPECT_EQ(Owner->ComponentCount(), 1);
  EXPECT_EQ(Owner->Components(0), Running);
  EXPECT_EQ(Running->Owner(), Owner.get());
  {
    const std::unique_ptr<TSCL_hash> Early = Class()->CreateOwned(Owner.get());
    Early->Init();
    EXPECT_EQ(Owner->ComponentCount(), 2);
    EXPECT_EQ(Owner->Components(1), Early.get());
  }
  EXPECT_EQ(Owner->ComponentCount(), 1);
  EXPECT_EQ(Owner->Components(0), Running);
  Owner.reset(); // frees Running; a leak or a double free shows under the sanitizers
}

INSTANTIATE_TEST_SUITE_P(Library, HashClassTest, ::testing::ValuesIn(HashClasses),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The base class itself: every operation has a body that does nothing.
TEST(PlainHash, AnswersTheBaseQueriesAndDoesNothing) {
  TSCL_hash Hash(nullptr);
  const TSCL_hashclassref Ref = &TSCL_hash::Class();
  for (const TSCL_hashclass* Via : {Ref, &Hash.HashClass()}) {
    EXPECT_EQ(Via->GetId(), -1);
    EXPECT_EQ(Via->GetAlgorithm(), "");
    EXPECT_EQ(Via->GetHashSize(), -1);
    EXPECT_FALSE(Via->SelfTest());
  }
  TBytes Digest(16, 0x5c);
  EXPECT_NO_THROW({
    Hash.Update("x", 1);
    Hash.Final(Digest.data());
    Hash.Init();
    Hash.UpdateStr("abc");
    Hash.Final(Digest.data());
    Hash.Burn();
  });
  EXPECT_EQ(Digest, TBytes(16, 0x5c));
  EXPECT_FALSE(Hash.Initialized());
}

} // namespace
} // namespace Sumtide::Test
