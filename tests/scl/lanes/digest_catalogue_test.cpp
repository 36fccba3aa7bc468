// The digests programs take by name, and the lane sets the library gives for hashing many
// messages with them: lanes on the lane kernels or streams on the block function, each digest
// equal to the one-message component's, however the messages are cut and interleaved; and
// BLAKE2b at each of its sizes. (CTest runs this again with each way forced through
// SUMTIDE_<NAME>_MANY.)

#include "HashChecks.h"
#include "LaneFeeding.h"
#include "scl/SCLblake2b.h"
#include "scl/lanes/ComponentLanes.h"
#include "scl/lanes/DigestCatalogue.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace Sumtide {
namespace {

using Test::Hex;
using TBytes = std::vector<std::uint8_t>;

std::string OneMessage(const TDigestKind& Kind, const TBytes& Message) {
  const auto Hash = NewHash(Kind);
  Hash->Init();
  Hash->Update(Message.data(), static_cast<std::uint32_t>(Message.size()));
  TBytes Digest(Kind.DigestBytes);
  Hash->Final(Digest.data());
  return Hex(Digest);
}

TEST(DigestCatalogue, EachNameGivesItsComponent) {
  const char* Names[] = {"md5",    "sha1",   "sha224",  "sha256",
                         "sha384", "sha512", "blake2b", "blake3"};
  ASSERT_EQ(DigestKinds().size(), std::size(Names));
  for (std::size_t I = 0; I < std::size(Names); ++I) {
    const TDigestKind* Kind = FindDigestKind(Names[I]);
    ASSERT_NE(Kind, nullptr) << Names[I];
    EXPECT_EQ(Kind, &DigestKinds()[I]);
    EXPECT_EQ(std::string(Kind->Tag), Kind->Class->GetAlgorithm());
    EXPECT_EQ(8 * static_cast<std::int32_t>(Kind->DigestBytes), Kind->Class->GetHashSize());
    EXPECT_LE(Kind->DigestBytes, MaxDigestBytes);
    EXPECT_EQ(NewHash(*Kind)->GetAlgorithm(), Kind->Class->GetAlgorithm());
  }
  for (const char* Other :
       {"", "MD5", "sha", "sha2", "sha-256", "md5 ", "sha5120", "blake2", "BLAKE2b", "blake2b-256"})
    EXPECT_EQ(FindDigestKind(Other), nullptr) << "'" << Other << "'";
}

// Messages around the block boundaries of both block sizes and random ones, fed at random.
void CheckEveryMessage(IDigestLanes& Lanes, const TDigestKind& Kind) {
  std::mt19937 Rng(20261211);
  std::vector<TBytes> Messages;
  for (const std::size_t Size : {0, 1, 55, 56, 64, 111, 112, 127, 128, 129, 255, 256})
    Messages.push_back(Test::RandomBytes(Size, static_cast<std::uint32_t>(Rng())));
  for (int I = 0; I < 40; ++I)
    Messages.push_back(Test::RandomBytes(Rng() % 5001, static_cast<std::uint32_t>(Rng())));
  TBytes Digest(Kind.DigestBytes);
  Test::FeedMessages(Lanes, Messages, Rng, 300, [&](std::size_t Message, std::size_t Lane) {
    const TBytes& M = Messages[Message];
    Lanes.TakeDigest(Lane, Digest);
    EXPECT_EQ(Hex(Digest), OneMessage(Kind, M))
        << "message " << Message << " of " << M.size() << " bytes in lane " << Lane;
  });
}

TEST(DigestCatalogue, LanesAsChosenAndStreamsGiveTheOneMessageDigests) {
  for (const TDigestKind& Kind : DigestKinds()) {
    SCOPED_TRACE(std::string(Kind.Name));
    const auto Chosen = NewDigestLanes(Kind);
    ASSERT_LE(Chosen->LaneCount(), IDigestLanes::MaxLanes);
    CheckEveryMessage(*Chosen, Kind);
    TComponentLanes Streams(Kind);
    CheckEveryMessage(Streams, Kind);
  }
}

TEST(DigestCatalogue, StreamLanesRefuseMisuse) {
  const TDigestKind& Kind = *FindDigestKind("sha512");
  TComponentLanes Lanes(Kind);
  const std::uint8_t Byte = 1;
  TBytes Digest(Kind.DigestBytes), Short(Kind.DigestBytes - 1);
  EXPECT_THROW(Lanes.Feed(0, {&Byte, 1}), ESCL_hash);
  EXPECT_THROW(Lanes.End(0), ESCL_hash);
  EXPECT_THROW(Lanes.Start(IDigestLanes::MaxLanes), ESCL_hash);
  Lanes.Start(0);
  EXPECT_THROW(Lanes.Start(0), ESCL_hash);
  EXPECT_THROW(Lanes.TakeDigest(0, Digest), ESCL_hash);
  Lanes.End(0);
  EXPECT_EQ(Lanes.DoneLanes(), 1u);
  EXPECT_THROW(Lanes.TakeDigest(0, Short), ESCL_hash);
  // Dropped, the lane is free, and a new message there starts afresh.
  Lanes.Drop(0);
  Lanes.Start(0);
  Lanes.End(0);
  Lanes.TakeDigest(0, Digest);
  EXPECT_EQ(Hex(Digest), OneMessage(Kind, {}));
}

// SHA-384, SHA-512, BLAKE2b and BLAKE3 have no lanes; a way forced through the environment is the
// way in use.
TEST(DigestCatalogue, TheWayInUse) {
  const char* WithoutLanes[] = {"sha384", "sha512", "blake2b", "blake3"};
  for (const char* Name : WithoutLanes)
    EXPECT_EQ(ManyWayInUse(*FindDigestKind(Name)), "streams") << Name;
  for (const TDigestKind& Kind : DigestKinds()) {
    const std::string_view Way = ManyWayInUse(Kind);
    EXPECT_TRUE(Way == "lanes" || Way == "streams") << Kind.Name << ": " << Way;
    std::string Variable = "SUMTIDE_" + std::string(Kind.Name) + "_MANY";
    for (char& C : Variable)
      C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    const char* Forced = std::getenv(Variable.c_str());
    if (!Forced || std::find(std::begin(WithoutLanes), std::end(WithoutLanes), Kind.Name) !=
                       std::end(WithoutLanes))
      continue;
    EXPECT_EQ(ManyWayInUse(Kind), std::string(Forced) == "lanes" ? "lanes" : "streams")
        << Variable << "=" << Forced;
  }
}

// BLAKE2b and BLAKE3 take other sizes than their own; BLAKE2b: a kind for each of them, made once,
// named and tagged as b2sum names them, whose hashes and lanes give the component's digest at that
// size.
TEST(DigestCatalogue, GivesBlake2bAtEachSize) {
  const TDigestKind& Blake2b = *FindDigestKind("blake2b");
  for (const TDigestKind& Kind : DigestKinds()) {
    SCOPED_TRACE(std::string(Kind.Name));
    EXPECT_EQ(TakesDigestSizes(Kind), Kind.Name == "blake2b" || Kind.Name == "blake3");
    EXPECT_EQ(DigestOfSize(Kind, 8 * Kind.DigestBytes), &Kind);
    if (!TakesDigestSizes(Kind)) {
      EXPECT_EQ(DigestOfSize(Kind, 8), nullptr);
    }
  }
  for (const std::size_t Bits : {0, 4, 7, 12, 513, 520, 1024})
    EXPECT_EQ(DigestOfSize(Blake2b, Bits), nullptr) << Bits;
  for (std::size_t Bits = 8; Bits <= 512; Bits += 8) {
    SCOPED_TRACE(Bits);
    const TDigestKind* Sized = DigestOfSize(Blake2b, Bits);
    ASSERT_NE(Sized, nullptr);
    EXPECT_EQ(DigestOfSize(Blake2b, Bits), Sized);
    EXPECT_EQ(DigestOfSize(*Sized, Bits), Sized);
    EXPECT_EQ(DigestOfSize(*Sized, 512), &Blake2b);
    EXPECT_EQ(Sized->Name, "blake2b");
    EXPECT_EQ(std::string(Sized->Tag), Bits == 512 ? "BLAKE2b" : "BLAKE2b-" + std::to_string(Bits));
    EXPECT_EQ(Sized->DigestBytes, Bits / 8);
    EXPECT_EQ(Sized->Class, Blake2b.Class);
    TSCL_blake2b Reference(nullptr);
    Reference.SetDigestBits(static_cast<std::int32_t>(Bits));
    Reference.Init();
    Reference.Update("abc", 3);
    TBytes Digest(Bits / 8);
    Reference.Final(Digest.data());
    EXPECT_EQ(OneMessage(*Sized, {'a', 'b', 'c'}), Hex(Digest));
  }
  // What b2sum -l prints for "abc".
  EXPECT_EQ(OneMessage(*DigestOfSize(Blake2b, 8), {'a', 'b', 'c'}), "6b");
  EXPECT_EQ(OneMessage(*DigestOfSize(Blake2b, 256), {'a', 'b', 'c'}),
            "bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319");
  for (const std::size_t Bits : {8, 200}) {
    SCOPED_TRACE(Bits);
    const TDigestKind& Sized = *DigestOfSize(Blake2b, Bits);
    EXPECT_EQ(ManyWayInUse(Sized), "streams");
    CheckEveryMessage(*NewDigestLanes(Sized), Sized);
  }
}

// The longest digest of each: its own, but for BLAKE3's extendable output, taken up to
// MaxDigestBytes. BLAKE3 at a longer size than its own, and at the longest, in lanes too: each
// lane keeps its digest at the kind's size.
TEST(DigestCatalogue, GivesBlake3UpToTheLongestDigest) {
  for (const TDigestKind& Kind : DigestKinds()) {
    SCOPED_TRACE(std::string(Kind.Name));
    EXPECT_EQ(LongestDigestBytes(Kind), Kind.Name == "blake3" ? MaxDigestBytes : Kind.DigestBytes);
  }
  const TDigestKind& Blake3 = *FindDigestKind("blake3");
  EXPECT_EQ(DigestOfSize(Blake3, 8 * MaxDigestBytes + 8), nullptr);
  const TDigestKind* Longest = DigestOfSize(Blake3, 8 * MaxDigestBytes);
  ASSERT_NE(Longest, nullptr);
  EXPECT_EQ(LongestDigestBytes(*Longest), MaxDigestBytes);
  EXPECT_EQ(std::string(Longest->Tag), "BLAKE3-" + std::to_string(8 * MaxDigestBytes));
  // What b3sum -l 100 prints for "abc" begins with what b3sum prints.
  const std::string Own = OneMessage(Blake3, {'a', 'b', 'c'});
  EXPECT_EQ(Own, "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85");
  EXPECT_EQ(OneMessage(*DigestOfSize(Blake3, 800), {'a', 'b', 'c'}).substr(0, 64), Own);
  for (const TDigestKind* Sized : {DigestOfSize(Blake3, 800), Longest}) {
    SCOPED_TRACE(Sized->DigestBytes);
    CheckEveryMessage(*NewDigestLanes(*Sized), *Sized);
  }
}

} // namespace
} // namespace Sumtide
