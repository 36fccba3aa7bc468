#pragma once

// The common body of the hash components that cut the message into blocks and pad the last one
// with the message length (MD5, SHA-1, SHA-2): Init, Update, Final and Burn are written once here,
// over what each algorithm brings in a description of its own (TAlgorithm):
//
//   using TWord = std::uint32_t or std::uint64_t;    // the chaining words
//   static constexpr std::size_t StateWords;         // how many
//   static constexpr std::size_t BlockSize;          // 64 or 128 bytes
//   static constexpr std::size_t DigestBytes;        // the first bytes of the state written out
//   static constexpr std::endian Order;              // of the length and of the words written out
//   static const TWord* Initial();                   // the state Init starts from
//   static void Compress(TWord* State, const std::uint8_t* Blocks, std::size_t Count);
//
// Compress adds Count consecutive blocks, lying at any address, into State.

#include "scl/SCLcrypt.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

// What a component keeps of the message between its calls while the library cuts it into
// BlockSize-byte blocks: the message length so far, and the bytes that do not fill a block yet.
// Only the library's own code changes it; a component holds it for its object's layout.
template <std::size_t BlockSize> struct TMdMessage {
  static_assert(BlockSize == 64 || BlockSize == 128);

  // The message length in bits, modulo 2^64 with 64-byte blocks and 2^128 with 128-byte ones: as
  // many 64-bit words, the lowest first.
  std::uint64_t Length[BlockSize / 64] = {};
  // The bytes kept, Fill of them at the start of Block; between calls the rest of Block is zero.
  std::size_t Fill = 0;
  std::uint8_t Block[BlockSize] = {};
};

template <class TAlgorithmDescription> class TSCL_mdhash : public TSCL_hash {
public:
  using TAlgorithm = TAlgorithmDescription;
  using TWord = typename TAlgorithm::TWord;

  explicit TSCL_mdhash(TComponent* AOwner) : TSCL_hash(AOwner) {}
  ~TSCL_mdhash() override { Burn(); }

  void Init() override;
  // Writes TAlgorithm::DigestBytes bytes, then burns.
  void Final(void* Digest) override;
  void Burn() override;
  void Update(const void* Buffer, std::uint32_t Length) override;

  // The digest of Message of Length bytes compared with Expected: the known answer a class's
  // SelfTest checks.
  static bool DigestEquals(const char* Message, std::size_t Length, const std::uint8_t* Expected);

protected:
  using TMessage = TMdMessage<TAlgorithm::BlockSize>;
  const TWord* ChainWords() const { return FState; }
  const TMessage& MessageSoFar() const { return FMessage; }

private:
  TWord FState[TAlgorithm::StateWords] = {};
  TMessage FMessage;
};

// The class reference of such a component, THash, which states its Id (HashId), its Algorithm
// (AlgorithmName) and its known answer for "abc" (AbcDigest); the digest size comes from its
// algorithm.
template <class THash> class TSCL_mdhashclass : public TSCL_hashclass {
public:
  using TSCL_hashclass::TSCL_hashclass;
  std::int32_t GetId() const override { return THash::HashId; }
  std::string GetAlgorithm() const override { return THash::AlgorithmName; }
  std::int32_t GetHashSize() const override {
    return static_cast<std::int32_t>(8 * THash::TAlgorithm::DigestBytes);
  }
  bool SelfTest() const override { return THash::DigestEquals("abc", 3, THash::AbcDigest); }

protected:
  TComponent* NewInstance(TComponent* AOwner) const override { return new THash(AOwner); }
};

} // namespace Sumtide
