#pragma once

#include "scl/SCLcrypt.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Sumtide {

// The class reference of TSCL_blake2b.
class TSCL_blake2bclass : public TSCL_hashclass {
public:
  using TSCL_hashclass::TSCL_hashclass;
  std::int32_t GetId() const override;
  std::string GetAlgorithm() const override;
  std::int32_t GetHashSize() const override;
  // The digest of "abc" at the default size, against RFC 7693's example.
  bool SelfTest() const override;

protected:
  TComponent* NewInstance(TComponent* AOwner) const override;
};

// The BLAKE2b message digest of RFC 7693 as a hash component: Id 0xB240 (45632), Algorithm
// "BLAKE2b", 512 bits.
//
// The Id: the MD5 and SHA classes' Id is their digest's size in bytes, and SHA-512 already has 64.
// BLAKE2b's keeps that size in its low byte, 0x40, and puts 0xB2, for BLAKE2, in the byte above;
// a BLAKE2 variant to come takes 0xB2 and its own default size the same way. The Algorithm is the
// name b2sum --tag prints for the default size.
//
// The digest size: DigestBits, a published property of the instance, 512 by default, takes 8 to
// 512 in steps of 8 and raises ESCL_hash on any other value (keeping its own). Init reads it: the
// size is part of what BLAKE2b hashes, so a shorter digest is not the start of the longer one, and
// Final writes DigestBits / 8 bytes as they stood at Init, low byte of each word first. A change
// during a computation applies from the next Init. The class reference's HashSize stays 512, the
// size of a new instance, so a caller that creates instances through it and reads HashSize gets
// the full digest; a caller that wants another size sets DigestBits before Init:
//
//   Hash->SetDigestBits(256);   // or DigestBits = 256 in a form description
//   Hash->Init();
//   ... Update ...
//   Hash->Final(Digest);        // 32 bytes
//
// The key: InitKey starts a keyed computation (BLAKE2b's MAC) instead of Init. The key is copied,
// zero-padded, into the block the component keeps back, as the first block of the message; it
// stays there until that block is compressed (at the first message byte, or at Final), after which
// the block is wiped, and Burn wipes it like the rest of the state.
//
// Burn, Final and the destructor overwrite the whole working state (chaining words, byte counter,
// the block kept, a key among it) with zeros.
class TSCL_blake2b : public TSCL_hash {
public:
  static constexpr std::int32_t HashId = 0xB240;
  static constexpr const char* AlgorithmName = "BLAKE2b";
  static constexpr std::int32_t DefaultDigestBits = 512;
  static constexpr std::uint32_t MaxKeyBytes = 64;
  static const std::uint8_t AbcDigest[64];
  using TClass = TSCL_blake2bclass;

  explicit TSCL_blake2b(TComponent* AOwner) : TSCL_hash(AOwner) {}
  ~TSCL_blake2b() override { Burn(); }

  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  // An unkeyed computation with the digest size DigestBits holds now; a running one is burnt first.
  void Init() override;
  // A computation keyed with the Length bytes at Key (0 to 64; 0 is Init), with the digest size
  // DigestBits holds now. The key bytes are only borrowed for the call. A running computation is
  // burnt first, so a key that is too long raises ESCL_hash and leaves the hash uninitialised.
  void InitKey(const void* Key, std::uint32_t Length);
  // Writes DigestBits / 8 bytes, as DigestBits stood at Init, then burns.
  void Final(void* Digest) override;
  void Burn() override;
  void Update(const void* Buffer, std::uint32_t Length) override;

  std::int32_t DigestBits() const { return FDigestBits; }
  void SetDigestBits(std::int32_t Value);

protected:
  // The working state, for the classes derived from this one: the chaining words; the message
  // bytes compressed so far, a key's block among them, as two words, the low one first; the block
  // kept back, BlockFill bytes of it (up to 128: a full block is kept until a byte follows it) and
  // zeros after them; and the digest size in bytes of the running computation, 0 when idle.
  const std::uint64_t* ChainWords() const { return FState; }
  const std::uint64_t* BytesCompressed() const { return FCounter; }
  const std::uint8_t* BlockKept() const { return FBlock; }
  std::size_t BlockFill() const { return FFill; }
  std::size_t DigestBytesInUse() const { return FDigestBytes; }

private:
  std::uint64_t FState[8] = {};
  std::uint64_t FCounter[2] = {};
  std::uint8_t FBlock[128] = {};
  std::size_t FFill = 0;
  std::size_t FDigestBytes = 0;
  std::int32_t FDigestBits = DefaultDigestBits;
};

} // namespace Sumtide
