// The digests programs take by name, and the lane sets the library gives for hashing many
// messages with them: lanes on the lane kernels or streams on the block function, each digest
// equal to the one-message component's, however the messages are cut and interleaved. (CTest
// runs this again with each way forced through SUMTIDE_<NAME>_MANY.)

#include "HashChecks.h"
#include "LaneFeeding.h"
#include "scl/lanes/ComponentLanes.h"
#include "scl/lanes/DigestCatalogue.h"

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
  const char* Names[] = {"md5", "sha1", "sha224", "sha256", "sha384", "sha512"};
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
  for (const char* Other : {"", "MD5", "sha", "sha2", "sha-256", "md5 ", "sha5120"})
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

// SHA-384 and SHA-512 have no lanes; a way forced through the environment is the way in use.
TEST(DigestCatalogue, TheWayInUse) {
  EXPECT_EQ(ManyWayInUse(*FindDigestKind("sha384")), "streams");
  EXPECT_EQ(ManyWayInUse(*FindDigestKind("sha512")), "streams");
  for (const TDigestKind& Kind : DigestKinds()) {
    const std::string_view Way = ManyWayInUse(Kind);
    EXPECT_TRUE(Way == "lanes" || Way == "streams") << Kind.Name << ": " << Way;
    std::string Variable = "SUMTIDE_" + std::string(Kind.Name) + "_MANY";
    for (char& C : Variable)
      C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    const char* Forced = std::getenv(Variable.c_str());
    if (!Forced || Kind.Name == "sha384" || Kind.Name == "sha512")
      continue;
    EXPECT_EQ(ManyWayInUse(Kind), std::string(Forced) == "lanes" ? "lanes" : "streams")
        << Variable << "=" << Forced;
  }
}

} // namespace
} // namespace Sumtide
