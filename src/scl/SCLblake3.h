#pragma once

#include "scl/SCLcrypt.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace Sumtide {

// The class reference of TSCL_blake3.
class TSCL_blake3class : public TSCL_hashclass {
public:
  using TSCL_hashclass::TSCL_hashclass;
  std::int32_t GetId() const override;
  std::string GetAlgorithm() const override;
  std::int32_t GetHashSize() const override;
  // The digest of "abc" at the default size.
  bool SelfTest() const override;

protected:
  TComponent* NewInstance(TComponent* AOwner) const override;
};

// The BLAKE3 message digest as a hash component: Id 0xB320 (45856), Algorithm "BLAKE3", 256 bits.
//
// The Id keeps the default size in bytes in its low byte, 0x20, as BLAKE2b's does, and 0xB3, for
// BLAKE3, in the byte above.
//
// The message is cut into chunks of 1 KiB, hashed as the leaves of a binary tree whose root gives
// the digest; whole chunks handed over in one Update are hashed many at once, in the lanes of the
// vector registers where the processor has them, and so are the tree's nodes above them.
//
// The digest size: BLAKE3's output can be drawn to any length, and a longer output begins with the
// shorter one. DigestBits, a published property of the instance, 256 by default, takes 8 to 65536
// in steps of 8 and raises ESCL_hash on any other value (keeping its own); Init reads it, and
// Final writes DigestBits / 8 bytes as it stood at Init. FinalXof draws any number of bytes
// instead. The class reference's HashSize stays 256.
//
// The modes: InitKey starts a keyed hash with a key of exactly 32 bytes, InitDeriveKey the key
// derivation mode with its context text; the message given to Update is then the key material.
//
// The cores: Threads, a published property of the instance, 1 by default, takes 1 to 16. Above 1,
// an Update of 512 KiB or more has its whole chunks hashed in runs of 256 KiB shared among that
// many threads: the caller's and helpers the instance starts the first time and keeps until it is
// destroyed. Update returns once every run is hashed, so the instance is used from one thread as
// always. A program hashing many messages at once keeps 1.
//
// Burn, Final, FinalXof and the destructor overwrite the whole working state (key, chaining
// values, the chunk being hashed) with zeros.
class TSCL_blake3 : public TSCL_hash {
public:
  static constexpr std::int32_t HashId = 0xB320;
  static constexpr const char* AlgorithmName = "BLAKE3";
  static constexpr std::int32_t DefaultDigestBits = 256;
  static constexpr std::int32_t MaxDigestBits = 65536;
  static constexpr std::uint32_t KeyBytes = 32;
  static const std::uint8_t AbcDigest[32];
  using TClass = TSCL_blake3class;

  explicit TSCL_blake3(TComponent* AOwner);
  ~TSCL_blake3() override;

  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  // An unkeyed hash with the digest size DigestBits holds now; a running one is burnt first.
  void Init() override;
  // A keyed hash with the Length bytes at Key, which must be 32 (0 is Init); the key is only
  // borrowed for the call. A running computation is burnt first, so a key of another length
  // raises ESCL_hash and leaves the hash uninitialised.
  void InitKey(const void* Key, std::uint32_t Length);
  // The key derivation mode with Context, the application's fixed context text.
  void InitDeriveKey(std::string_view Context);
  // Writes DigestBits / 8 bytes, as DigestBits stood at Init, then burns.
  void Final(void* Digest) override;
  // Writes Length bytes of output (any number), then burns.
  void FinalXof(void* Out, std::size_t Length);
  void Burn() override;
  void Update(const void* Buffer, std::uint32_t Length) override;

  std::int32_t DigestBits() const { return FDigestBits; }
  void SetDigestBits(std::int32_t Value);
  std::int32_t Threads() const { return FThreads; }
  void SetThreads(std::int32_t Value);

private:
  void Start(const std::uint32_t Key[8], std::uint32_t Flags);
  void PushSubtree(const std::uint32_t Cv[8], std::uint64_t Chunks);
  // Source: the chunks to hash (the source file's TChunks).
  void HashWholeChunks(const void* Source, std::size_t Chunks);
  void HashOnCores(const void* Source, std::size_t Chunks);
  void ParentCv(const std::uint32_t Left[8], const std::uint32_t Right[8],
                std::uint32_t Cv[8]) const;

  // The deepest stack of subtrees a message of 2^64 bytes needs.
  static constexpr std::size_t MaxDepth = 54;

  struct TWorking {
    std::uint32_t Key[8];
    std::uint32_t Flags; // the mode's flag, on every compression
    // The chunk held, ChunkFill bytes and zeros after them: hashed only once a byte after it is
    // known (with the chunks that follow), or at the end.
    std::uint8_t Chunk[1024];
    std::size_t ChunkFill;
    std::uint64_t ChunkCounter;
    // The chaining values of the subtrees before the chunk, the largest first: one for each bit
    // set in ChunkCounter.
    std::uint32_t Stack[MaxDepth][8];
    std::size_t Depth;
    std::size_t DigestBytes;
  };

protected:
  // The whole working state, for the classes derived from this one: all zero when idle.
  std::span<const std::uint8_t> WorkingState() const {
    return {reinterpret_cast<const std::uint8_t*>(&FWork), sizeof FWork};
  }

private:
  TWorking FWork{};
  std::int32_t FDigestBits = DefaultDigestBits;
  std::int32_t FThreads = 1;
  class TCores;
  std::unique_ptr<TCores> FCores; // made when a run is first shared
};

} // namespace Sumtide
