#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/mdhash/MerkleDamgard.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha2/Sha2Kernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Sumtide;
using namespace Sumtide::ShaInternal;
using Sumtide::Test::Hex;

using Sumtide::Test::FromHex;
using Sumtide::Test::ReadFields;

namespace {

using TBytes = std::vector<std::uint8_t>;
using TState = std::array<std::uint64_t, 8>;

struct TVariant {
  const char* Name;
  bool (*Runs)();
  // Null where the function is not compiled in; Runs then says false.
  void (*Compress)(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);
};

void PrintTo(const TVariant& V, std::ostream* Out) {
  *Out << V.Name;
}

#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
const TVariant Variants[] = {{"avx2", HasSha512Avx2, Sha512CompressAvx2},
                             {"avx512", HasSha512Avx512, Sha512CompressAvx512}};
#else
const TVariant Variants[] = {{"avx2", HasSha512Avx2, nullptr},
                             {"avx512", HasSha512Avx512, nullptr}};
#endif

class Sha512Wide : public testing::TestWithParam<TVariant> {
protected:
  void SetUp() override {
    if (!GetParam().Runs())
      GTEST_SKIP() << "this processor cannot run " << GetParam().Name;
  }
};

INSTANTIATE_TEST_SUITE_P(Variants, Sha512Wide, testing::ValuesIn(Variants),
                         [](const testing::TestParamInfo<TVariant>& Info) {
                           return std::string(Info.param.Name);
                         });

// From random states, runs of 1 to 20 random blocks at every offset from a 64-byte boundary, each
// in a buffer that ends where the run does, so a read past the last block is caught in the
// sanitized build. None at all leaves the state as it is.
TEST_P(Sha512Wide, SameStateAsThePortableFunction) {
  std::mt19937_64 Rng(20261211);
  for (int Trial = 0; Trial < 400; ++Trial) {
    const std::size_t Count = Rng() % 20 + 1;
    const std::size_t Offset = static_cast<std::size_t>(Trial) % 64;
    TBytes Buffer(Offset + 128 * Count);
    std::generate(Buffer.begin(), Buffer.end(),
                  [&Rng] { return static_cast<std::uint8_t>(Rng()); });
    const std::uint8_t* Blocks = Buffer.data() + Offset;
    TState Expected;
    std::generate(Expected.begin(), Expected.end(), [&Rng] { return Rng(); });
    TState Got = Expected;

    for (std::size_t I = 0; I < Count; ++I)
      Sha512CompressPortable(Expected.data(), Blocks + 128 * I);
    GetParam().Compress(Got.data(), Blocks, Count);
    ASSERT_EQ(Got, Expected) << Count << " blocks at offset " << Offset;

    GetParam().Compress(Got.data(), nullptr, 0);
    ASSERT_EQ(Got, Expected) << "no blocks";
  }
}

// SHA-384 and SHA-512 of every message from 0 to 300 bytes through the framing, which passes the
// function one block at a time, from the caller's buffer or its own.
TEST_P(Sha512Wide, EveryPrefixDigest) {
  const auto Lines = ReadFields(std::string(SUMTIDE_TEST_DATA) + "/prefix_digests.txt");
  ASSERT_GE(Lines.size(), 3u);
  ASSERT_EQ(Lines[0].at(0), "message");
  ASSERT_EQ(Lines[1].at(0), "algorithms");
  const TBytes Message = FromHex(Lines[0].at(1));

  struct TDigest {
    const char* Name;
    const std::uint64_t (&Initial)[8];
    std::size_t Bytes;
  };
  for (const TDigest& D :
       {TDigest{"sha384", Sha384Initial, 48}, TDigest{"sha512", Sha512Initial, 64}}) {
    SCOPED_TRACE(D.Name);
    const auto Column = static_cast<std::size_t>(
        std::find(Lines[1].begin(), Lines[1].end(), D.Name) - Lines[1].begin());
    ASSERT_LT(Column, Lines[1].size());
    std::size_t Length = 0;
    for (auto Line = Lines.begin() + 2; Line != Lines.end(); ++Line, ++Length) {
      ASSERT_EQ(std::stoul(Line->at(0)), Length);
      ASSERT_LE(Length, Message.size());
      TState State = std::to_array(D.Initial);
      const auto Block = [&](const std::uint8_t* B) { GetParam().Compress(State.data(), B, 1); };
      TMerkleDamgard<128, std::endian::big> Framing;
      Framing.Update(Message.data(), Length, Block);
      Framing.Final(Block);

      TBytes Digest;
      for (const std::uint64_t Word : State)
        for (int Shift = 56; Shift >= 0; Shift -= 8)
          Digest.push_back(static_cast<std::uint8_t>(Word >> Shift));
      Digest.resize(D.Bytes);
      ASSERT_EQ(Hex(Digest), Line->at(Column)) << Length << " bytes";
    }
    EXPECT_EQ(Length, 301u);
  }
}

} // namespace
