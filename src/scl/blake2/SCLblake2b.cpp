// TSCL_blake2b and its framing: whole blocks go to the block function as soon as a byte after them
// is known, so the block kept back at Final, full or not, is the last one and gets the final flag.

#include "scl/SCLblake2b.h"

#include "rtl/SecureWipe.h"
#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <algorithm>
#include <cstring>

namespace Sumtide {

namespace {

constexpr std::size_t BlockSize = 128;

const TPropInfo Blake2bProperties[] = {
    MakeProperty<&TSCL_blake2b::DigestBits, &TSCL_blake2b::SetDigestBits>(
        "DigestBits", TPropKind::Integer, TSCL_blake2b::DefaultDigestBits),
};

} // namespace

const std::uint8_t TSCL_blake2b::AbcDigest[64] = {
    0xba, 0x80, 0xa5, 0x3f, 0x98, 0x1c, 0x4d, 0x0d, 0x6a, 0x27, 0x97, 0xb6, 0x9f, 0x12, 0xf6, 0xe9,
    0x4c, 0x21, 0x2f, 0x14, 0x68, 0x5a, 0xc4, 0xb7, 0x4b, 0x12, 0xbb, 0x6f, 0xdb, 0xff, 0xa2, 0xd1,
    0x7d, 0x87, 0xc5, 0x39, 0x2a, 0xab, 0x79, 0x2d, 0xc2, 0x52, 0xd5, 0xde, 0x45, 0x33, 0xcc, 0x95,
    0x18, 0xd3, 0x8a, 0xa8, 0xdb, 0xf1, 0x92, 0x5a, 0xb9, 0x23, 0x86, 0xed, 0xd4, 0x00, 0x99, 0x23,
};

std::int32_t TSCL_blake2bclass::GetId() const {
  return TSCL_blake2b::HashId;
}

std::string TSCL_blake2bclass::GetAlgorithm() const {
  return TSCL_blake2b::AlgorithmName;
}

std::int32_t TSCL_blake2bclass::GetHashSize() const {
  return TSCL_blake2b::DefaultDigestBits;
}

bool TSCL_blake2bclass::SelfTest() const {
  TSCL_blake2b Hash(nullptr);
  std::uint8_t Digest[64];
  Hash.Init();
  Hash.Update("abc", 3);
  Hash.Final(Digest);
  return std::memcmp(Digest, TSCL_blake2b::AbcDigest, sizeof Digest) == 0;
}

TComponent* TSCL_blake2bclass::NewInstance(TComponent* AOwner) const {
  return new TSCL_blake2b(AOwner);
}

const TSCL_blake2b::TClass& TSCL_blake2b::Class() {
  static const TClass Descriptor("TSCL_blake2b", &TSCL_hash::Class(), Blake2bProperties);
  return Descriptor;
}

void TSCL_blake2b::SetDigestBits(std::int32_t Value) {
  if (Value < 8 || Value > 512 || Value % 8 != 0)
    throw ESCL_hash("Invalid digest size: " + std::to_string(Value) +
                    " bits (BLAKE2b gives 8 to 512 bits in steps of 8)");
  FDigestBits = Value;
}

void TSCL_blake2b::Init() {
  InitKey(nullptr, 0);
}

void TSCL_blake2b::InitKey(const void* Key, std::uint32_t Length) {
  Burn();
  if (Length > MaxKeyBytes)
    throw ESCL_hash("Invalid key size: " + std::to_string(Length) +
                    " bytes (BLAKE2b takes at most 64)");
  FDigestBytes = static_cast<std::size_t>(FDigestBits / 8);
  std::copy_n(Blake2Internal::Blake2bInitial, 8, FState);
  // The parameter block's first word: digest size, key size, fan-out 1, depth 1; the other
  // words are zero for a sequential hash without salt or personalisation.
  FState[0] ^= 0x01010000u ^ (std::uint64_t{Length} << 8) ^ FDigestBytes;
  if (Length > 0) {
    // The key, padded with zeros to a whole block, goes before the message.
    std::memcpy(FBlock, Key, Length);
    FFill = BlockSize;
  }
  FInitialized = true;
}

void TSCL_blake2b::Burn() {
  SecureZero(FState, sizeof FState);
  SecureZero(FCounter, sizeof FCounter);
  SecureZero(FBlock, sizeof FBlock);
  FFill = 0;
  FDigestBytes = 0;
  FInitialized = false;
}

void TSCL_blake2b::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  const auto* In = static_cast<const std::uint8_t*>(Buffer);
  std::size_t Left = Length;
  if (Left > BlockSize - FFill) {
    // Bytes follow the block kept: it is not the last one.
    const std::size_t Take = BlockSize - FFill;
    std::copy_n(In, Take, FBlock + FFill);
    In += Take;
    Left -= Take;
    Blake2Internal::Blake2bBlocks(FState, FCounter, FBlock, 1, BlockSize, false);
    SecureZero(FBlock, sizeof FBlock);
    FFill = 0;
    // Every whole block of the caller's but the last, which may end the message, straight from
    // the caller's buffer.
    const std::size_t Blocks = (Left - 1) / BlockSize;
    Blake2Internal::Blake2bBlocks(FState, FCounter, In, Blocks, BlockSize, false);
    In += Blocks * BlockSize;
    Left -= Blocks * BlockSize;
  }
  std::copy_n(In, Left, FBlock + FFill);
  FFill += Left;
}

void TSCL_blake2b::Final(void* Digest) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  Blake2Internal::Blake2bBlocks(FState, FCounter, FBlock, 1, static_cast<std::uint32_t>(FFill),
                                true);
  auto* Out = static_cast<std::uint8_t*>(Digest);
  for (std::size_t I = 0; I < FDigestBytes; ++I)
    Out[I] = static_cast<std::uint8_t>(FState[I / 8] >> (8 * (I % 8)));
  Burn();
}

} // namespace Sumtide
