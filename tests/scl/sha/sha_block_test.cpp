#include "CandidateTableCheck.h"
#include "HashChecks.h"
#include "HashVectors.h"
#include "scl/md5/Md5Kernels.h"
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
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
using Sumtide::Test::Hex;

using Sumtide::Test::FromHex;
using Sumtide::Test::ReadFields;

namespace {

using TBytes = std::vector<std::uint8_t>;
using TPieces = std::vector<std::size_t>;

const std::string DataDir = SUMTIDE_TEST_DATA;

constexpr std::uint32_t Md5Initial[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// The digest of Message fed to the framing in Pieces, whose sizes add up to the message's: each
// block goes to Compress from Initial, then the chaining words are written out in the length's
// byte order and cut to DigestBytes.
template <const auto& Initial, auto Compress, std::size_t BlockSize, std::endian Order,
          std::size_t DigestBytes>
std::string DigestHex(std::span<const std::uint8_t> Message, const TPieces& Pieces) {
  auto State = std::to_array(Initial);
  const auto Block = [&State](const std::uint8_t* B) { Compress(State.data(), B); };
  TMerkleDamgard<BlockSize, Order> Framing;
  std::size_t Done = 0;
  for (const std::size_t Piece : Pieces) {
    Framing.Update(Message.data() + Done, Piece, Block);
    Done += Piece;
  }
  if (Done != Message.size())
    throw std::logic_error("the pieces do not cover the message");
  Framing.Final(Block);

  TBytes Out;
  for (const auto Word : State)
    for (std::size_t I = 0; I < sizeof Word; ++I)
      Out.push_back(static_cast<std::uint8_t>(
          Word >> 8 * (Order == std::endian::big ? sizeof Word - 1 - I : I)));
  Out.resize(DigestBytes);
  return Hex(Out);
}

struct TAlgorithm {
  // As the data files name it.
  const char* Name;
  std::string (*Digest)(std::span<const std::uint8_t> Message, const TPieces& Pieces);
};

void PrintTo(const TAlgorithm& A, std::ostream* Out) {
  *Out << A.Name;
}

using namespace ShaInternal;
constexpr auto Little = std::endian::little;
constexpr auto Big = std::endian::big;

// MD5 comes along to check the framing with the length low byte first.
const TAlgorithm Algorithms[] = {
    {"md5", DigestHex<Md5Initial, Md5Internal::CompressPortable, 64, Little, 16>},
    {"sha1", DigestHex<Sha1Initial, Sha1CompressPortable, 64, Big, 20>},
    {"sha224", DigestHex<Sha224Initial, Sha256CompressPortable, 64, Big, 28>},
    {"sha256", DigestHex<Sha256Initial, Sha256CompressPortable, 64, Big, 32>},
    {"sha384", DigestHex<Sha384Initial, Sha512CompressPortable, 128, Big, 48>},
    {"sha512", DigestHex<Sha512Initial, Sha512CompressPortable, 128, Big, 64>},
};

TBytes Bytes(std::string_view S) {
  return TBytes(S.begin(), S.end());
}

// Random piece sizes that add up to Size: about one in five empty, the others up to 150 bytes.
TPieces RandomPieces(std::size_t Size, std::mt19937& Rng) {
  TPieces Pieces;
  for (std::size_t Done = 0; Done < Size || Pieces.size() < 2;) {
    const std::size_t Want = Rng() % 5 == 0 ? 0 : Rng() % 150 + 1;
    Pieces.push_back(std::min(Want, Size - Done));
    Done += Pieces.back();
  }
  return Pieces;
}

class BlockDigest : public testing::TestWithParam<TAlgorithm> {};

INSTANTIATE_TEST_SUITE_P(Algorithms, BlockDigest, testing::ValuesIn(Algorithms),
                         [](const testing::TestParamInfo<TAlgorithm>& Info) {
                           return std::string(Info.param.Name);
                         });

// The published examples, whole and a byte at a time.
TEST_P(BlockDigest, KnownAnswers) {
  const TAlgorithm& A = GetParam();
  for (const Sumtide::Test::THashVector& V :
       Sumtide::Test::ReadHashVectors(DataDir + "/" + A.Name + ".vec")) {
    SCOPED_TRACE(V.Message);
    const TBytes Message = Bytes(V.Message);
    EXPECT_EQ(A.Digest(Message, {Message.size()}), V.Digest);
    EXPECT_EQ(A.Digest(Message, TPieces(Message.size(), 1)), V.Digest);
  }
}

// Many blocks: whole blocks straight from the caller's buffer, and pieces that start and end
// anywhere in a block.
TEST_P(BlockDigest, OneMillionA) {
  const TAlgorithm& A = GetParam();
  std::string Expected;
  for (const auto& Fields : ReadFields(DataDir + "/million_a_digests.txt"))
    if (Fields.at(0) == A.Name)
      Expected = Fields.at(1);
  ASSERT_FALSE(Expected.empty());

  const TBytes Message(1000000, 'a');
  EXPECT_EQ(A.Digest(Message, {Message.size()}), Expected);
  TPieces Pieces(Message.size() / 997, 997);
  Pieces.push_back(Message.size() % 997);
  EXPECT_EQ(A.Digest(Message, Pieces), Expected);
}

// Every length from 0 to 300 bytes, which puts the padding's marker and length at every place in
// a first, second or third block, in one piece and in random pieces, some of them empty.
TEST_P(BlockDigest, EveryPrefixInRandomPieces) {
  const TAlgorithm& A = GetParam();
  const auto Lines = ReadFields(DataDir + "/prefix_digests.txt");
  ASSERT_GE(Lines.size(), 3u);
  ASSERT_EQ(Lines[0].at(0), "message");
  ASSERT_EQ(Lines[1].at(0), "algorithms");
  const TBytes Message = FromHex(Lines[0].at(1));
  const auto Column = std::find(Lines[1].begin(), Lines[1].end(), A.Name) - Lines[1].begin();
  ASSERT_LT(Column, static_cast<std::ptrdiff_t>(Lines[1].size()));

  std::mt19937 Rng(20261211);
  std::size_t Lengths = 0;
  for (auto Line = Lines.begin() + 2; Line != Lines.end(); ++Line, ++Lengths) {
    const std::size_t Length = std::stoul(Line->at(0));
    const std::string& Expected = Line->at(static_cast<std::size_t>(Column));
    ASSERT_EQ(Length, Lengths);
    ASSERT_LE(Length, Message.size());
    const std::span<const std::uint8_t> Prefix(Message.data(), Length);
    ASSERT_EQ(A.Digest(Prefix, {Length}), Expected) << "one piece of " << Length;
    for (int Round = 0; Round < 4; ++Round) {
      const TPieces Pieces = RandomPieces(Length, Rng);
      ASSERT_EQ(A.Digest(Prefix, Pieces), Expected)
          << Length << " bytes in " << Pieces.size() << " pieces";
    }
  }
  EXPECT_EQ(Lengths, 301u);
}

// ---------------------------------------------------------------------------------------------
// The framing on its own, in each block size and byte order.

template <class TShape> class MerkleDamgard : public testing::Test {};

template <std::size_t BlockSize, std::endian Order> struct TShape {
  static constexpr std::size_t Block = BlockSize;
  static constexpr std::endian LengthOrder = Order;
  using TFraming = TMerkleDamgard<BlockSize, Order>;
};

using TShapes =
    testing::Types<TShape<64, Little>, TShape<64, Big>, TShape<128, Little>, TShape<128, Big>>;

struct TShapeNames {
  template <class TShape> static std::string GetName(int) {
    return "Block" + std::to_string(TShape::Block) +
           (TShape::LengthOrder == std::endian::big ? "BigEndian" : "LittleEndian");
  }
};

TYPED_TEST_SUITE(MerkleDamgard, TShapes, TShapeNames);

// A message of 2^29 + 3 bytes, 0x1'0000'0018 bits: the count goes past 32 bits. The compress
// function only counts the blocks and keeps the last.
TYPED_TEST(MerkleDamgard, LengthBeyond32Bits) {
  constexpr std::size_t BlockSize = TypeParam::Block;
  const TBytes Chunk(1 << 20, 0x5a);
  std::uint64_t Blocks = 0;
  std::array<std::uint8_t, BlockSize> Last{};
  const auto Count = [&](const std::uint8_t* B) {
    ++Blocks;
    std::copy_n(B, BlockSize, Last.begin());
  };
  const auto CountOnly = [&](const std::uint8_t*) { ++Blocks; };

  typename TypeParam::TFraming Framing;
  for (int I = 0; I < 512; ++I)
    Framing.Update(Chunk.data(), Chunk.size(), CountOnly);
  const std::uint8_t Tail[3] = {1, 2, 3};
  Framing.Update(Tail, sizeof Tail, CountOnly);
  ASSERT_EQ(Blocks, (std::uint64_t{1} << 29) / BlockSize);
  Framing.Final(Count);
  EXPECT_EQ(Blocks, (std::uint64_t{1} << 29) / BlockSize + 1);

  std::array<std::uint8_t, BlockSize> Expected{1, 2, 3, 0x80};
  // 0x01'00'00'00'18 in the last bytes, in the length's order.
  const bool BigEnd = TypeParam::LengthOrder == std::endian::big;
  const std::size_t LengthBytes = BlockSize / 8;
  Expected[BigEnd ? BlockSize - 1 : BlockSize - LengthBytes] = 0x18;
  Expected[BigEnd ? BlockSize - 5 : BlockSize - LengthBytes + 4] = 0x01;
  EXPECT_EQ(Hex(Last), Hex(Expected));
}

// Burn, and Final, which ends with it, leave nothing of the message in the object; the next
// message starts empty.
TYPED_TEST(MerkleDamgard, BurnLeavesNoTraceOfTheMessage) {
  constexpr std::size_t BlockSize = TypeParam::Block;
  const auto Bytes = [](const auto& Object) {
    const auto* P = reinterpret_cast<const std::uint8_t*>(&Object);
    return TBytes(P, P + sizeof Object);
  };
  const TBytes Zero(sizeof(typename TypeParam::TFraming), 0);
  std::vector<TBytes> Seen;
  const auto Keep = [&](const std::uint8_t* B) { Seen.emplace_back(B, B + BlockSize); };
  const TBytes Message(BlockSize + 5, 0xa5);

  typename TypeParam::TFraming Framing;
  Framing.Update(Message.data(), Message.size(), Keep);
  Framing.Burn();
  EXPECT_EQ(Bytes(Framing), Zero);

  Seen.clear();
  Framing.Update(Message.data(), 3, Keep);
  Framing.Final(Keep);
  EXPECT_EQ(Bytes(Framing), Zero);
  ASSERT_EQ(Seen.size(), 1u);
  // Three bytes of the new message, nothing of the burned one: 24 bits.
  EXPECT_EQ(std::count(Seen[0].begin(), Seen[0].end(), 0xa5), 3);
  EXPECT_EQ(std::count(Seen[0].begin(), Seen[0].end(), 24), 1);
}

// The count is kept modulo 2^64 in one word and 2^128 in two, carried between the words.
TEST(BitLength, CarriesIntoTheHighWord) {
  struct TCase {
    std::vector<std::uint64_t> Adds;
    const char* OneWord;  // high byte first
    const char* TwoWords; // high byte first
  };
  constexpr std::uint64_t Max = ~std::uint64_t{0};
  const TCase Cases[] = {
      {{}, "0000000000000000", "00000000000000000000000000000000"},
      {{1, 0, 2}, "0000000000000018", "00000000000000000000000000000018"},
      {{std::uint64_t{1} << 61}, "0000000000000000", "00000000000000010000000000000000"},
      {{(std::uint64_t{1} << 61) - 1, 1}, "0000000000000000", "00000000000000010000000000000000"},
      {{Max}, "fffffffffffffff8", "0000000000000007fffffffffffffff8"},
      {{Max, Max, 3}, "0000000000000008", "00000000000000100000000000000008"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.TwoWords);
    std::uint64_t One[1] = {};
    std::uint64_t Two[2] = {};
    for (const std::uint64_t Bytes : C.Adds) {
      AddBitLength(One, Bytes);
      AddBitLength(Two, Bytes);
    }
    std::array<std::uint8_t, 8> OneBig, OneLittle;
    std::array<std::uint8_t, 16> TwoBig, TwoLittle;
    StoreBitLength(One, OneBig.data(), Big);
    StoreBitLength(One, OneLittle.data(), Little);
    StoreBitLength(Two, TwoBig.data(), Big);
    StoreBitLength(Two, TwoLittle.data(), Little);
    EXPECT_EQ(Hex(OneBig), C.OneWord);
    EXPECT_EQ(Hex(TwoBig), C.TwoWords);
    std::reverse(OneLittle.begin(), OneLittle.end());
    std::reverse(TwoLittle.begin(), TwoLittle.end());
    EXPECT_EQ(OneLittle, OneBig);
    EXPECT_EQ(TwoLittle, TwoBig);
  }
}

// Every block function of each digest's table that this processor runs, over runs of blocks,
// against the portable one (SHA-224 and SHA-384 use SHA-256's and SHA-512's).
TEST(ShaBlockCandidates, EveryCandidateThatRunsAgreesWithThePortableOne) {
  {
    SCOPED_TRACE("SHA-1");
    Sumtide::Test::ExpectEveryRowAgreesWithThePortableOne<std::uint32_t, 5, 64>(Sha1Candidates());
  }
  {
    SCOPED_TRACE("SHA-256");
    Sumtide::Test::ExpectEveryRowAgreesWithThePortableOne<std::uint32_t, 8, 64>(Sha256Candidates());
  }
  {
    SCOPED_TRACE("SHA-512");
    Sumtide::Test::ExpectEveryRowAgreesWithThePortableOne<std::uint64_t, 8, 128>(
        Sha512Candidates());
  }
}

} // namespace
