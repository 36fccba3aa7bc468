#include "scl/SCLmd5.h"

#include "rtl/SecureWipe.h"
#include "scl/Md5Compress.h"
#include "scl/Md5PortableSteps.h"

#include <cstring>

namespace Sumtide {

const TSCL_md5::TClass& TSCL_md5::Class() {
  static const TClass Descriptor("TSCL_md5", &TSCL_hash::Class(), {});
  return Descriptor;
}

bool TSCL_md5::TClass::SelfTest() const {
  static constexpr std::uint8_t DigestAbc[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                                 0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  static constexpr std::uint8_t DigestAlphabet[16] = {0xc3, 0xfc, 0xd3, 0xd7, 0x61, 0x92,
                                                      0xe4, 0x00, 0x7d, 0xfb, 0x49, 0x6c,
                                                      0xca, 0x67, 0xe1, 0x3b};
  TSCL_md5 Hash(nullptr);
  std::uint8_t Digest[16];

  Hash.Init();
  Hash.UpdateStr("abc");
  Hash.Final(Digest);
  const bool AbcOk = std::memcmp(Digest, DigestAbc, sizeof Digest) == 0;

  Hash.Init();
  Hash.UpdateStr("abcdefghijklmnopqrstuvwxyz");
  Hash.Final(Digest);
  const bool AlphabetOk = std::memcmp(Digest, DigestAlphabet, sizeof Digest) == 0;

  return AbcOk && AlphabetOk;
}

TSCL_md5::~TSCL_md5() {
  if (FInitialized)
    Burn();
}

void TSCL_md5::Init() {
  Burn();
  FChainState[0] = 0x67452301;
  FChainState[1] = 0xefcdab89;
  FChainState[2] = 0x98badcfe;
  FChainState[3] = 0x10325476;
  FInitialized = true;
}

void TSCL_md5::Burn() {
  SecureZero(&FBitCountHigh, sizeof FBitCountHigh);
  SecureZero(&FBitCountLow, sizeof FBitCountLow);
  SecureZero(&FBlockFill, sizeof FBlockFill);
  SecureZero(FBlock, sizeof FBlock);
  SecureZero(FChainState, sizeof FChainState);
  FInitialized = false;
}

void TSCL_md5::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");

  // The count for the whole call goes in first; n << 3 may wrap, and its lost top bits are n >> 29.
  const std::uint32_t Bits = Length << 3;
  FBitCountHigh += Length >> 29;
  FBitCountLow += Bits;
  if (FBitCountLow < Bits)
    ++FBitCountHigh;

  const auto* P = static_cast<const std::uint8_t*>(Buffer);
  while (Length > 0) {
    const std::uint32_t Room = 64 - FBlockFill;
    if (Room > Length) {
      std::memcpy(FBlock + FBlockFill, P, Length);
      FBlockFill += Length;
      return;
    }
    // An empty block takes a whole one: a copy of fixed size the compiler does inline.
    if (Room == 64)
      std::memcpy(FBlock, P, 64);
    else
      std::memcpy(FBlock + FBlockFill, P, Room);
    P += Room;
    Length -= Room;
    Compress();
  }
}

void TSCL_md5::Final(void* Digest) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");

  // Everything after the marker is already zero, so the padding needs no writing.
  FBlock[FBlockFill] = 0x80;
  if (FBlockFill >= 56)
    Compress();
  Md5Internal::StoreWord(FBlock + 56, FBitCountLow);
  Md5Internal::StoreWord(FBlock + 60, FBitCountHigh);
  Compress();

  auto* Out = static_cast<std::uint8_t*>(Digest);
  for (int I = 0; I < 4; ++I)
    Md5Internal::StoreWord(Out + 4 * I, FChainState[I]);
  Burn();
}

void Md5Internal::CompressBlocks(std::uint32_t State[4], const std::uint8_t* Blocks,
                                 std::size_t Count) {
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  if (BlockFunctionInUse() == TBlockFunction::Vector) {
    for (; Count > 0; --Count, Blocks += 64)
      CompressVector(State, Blocks);
    return;
  }
#endif
  for (; Count > 0; --Count, Blocks += 64)
    PortableSteps(State, Blocks);
}

// One branch per block, on a value fixed for the process and so always predicted.
void TSCL_md5::Compress() {
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  static const bool UseVector =
      Md5Internal::BlockFunctionInUse() == Md5Internal::TBlockFunction::Vector;
  if (UseVector)
    Md5Internal::CompressVector(FChainState, FBlock);
  else
#endif
    Md5Internal::PortableSteps(FChainState, FBlock);
  FBlockFill = 0;
  std::memset(FBlock, 0, sizeof FBlock);
}

} // namespace Sumtide
