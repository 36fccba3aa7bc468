// TSCL_blake3: the chunk being hashed, the stack of the chaining values of the whole subtrees
// before it, and the root's output.
//
// A chunk is finished, and its chaining value pushed, only once a byte after it is known, so the
// chunk held at Final is the last one and the nodes on the stack are folded into the root from
// there. Whole chunks that arrive together go straight from the caller's buffer as the largest
// subtree that fits where the message stands (its size a power of two that divides the chunks
// before it), hashed level by level with the many-input function: its chunks at once, then their
// parents at once, and so on up.

#include "scl/SCLblake3.h"

#include "rtl/SecureWipe.h"
#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace Sumtide {

using namespace Blake3Internal;

namespace {

// The most chunks hashed as one subtree: 256 KiB of message, its chaining values 8 KiB.
constexpr std::size_t MaxSubtreeChunks = 256;

const TPropInfo Blake3Properties[] = {
    MakeProperty<&TSCL_blake3::DigestBits, &TSCL_blake3::SetDigestBits>(
        "DigestBits", TPropKind::Integer, TSCL_blake3::DefaultDigestBits),
};

void LoadWords(const std::uint8_t* Bytes, std::uint32_t* Words, std::size_t Count) {
  for (std::size_t I = 0; I < Count; ++I)
    Words[I] = static_cast<std::uint32_t>(Bytes[4 * I]) |
               static_cast<std::uint32_t>(Bytes[4 * I + 1]) << 8 |
               static_cast<std::uint32_t>(Bytes[4 * I + 2]) << 16 |
               static_cast<std::uint32_t>(Bytes[4 * I + 3]) << 24;
}

void StoreWords(const std::uint32_t* Words, std::uint8_t* Bytes, std::size_t Count) {
  for (std::size_t I = 0; I < Count; ++I)
    for (std::size_t B = 0; B < 4; ++B)
      Bytes[4 * I + B] = static_cast<std::uint8_t>(Words[I] >> (8 * B));
}

} // namespace

const std::uint8_t TSCL_blake3::AbcDigest[32] = {
    0x64, 0x37, 0xb3, 0xac, 0x38, 0x46, 0x51, 0x33, 0xff, 0xb6, 0x3b, 0x75, 0x27, 0x3a, 0x8d, 0xb5,
    0x48, 0xc5, 0x58, 0x46, 0x5d, 0x79, 0xdb, 0x03, 0xfd, 0x35, 0x9c, 0x6c, 0xd5, 0xbd, 0x9d, 0x85,
};

std::int32_t TSCL_blake3class::GetId() const {
  return TSCL_blake3::HashId;
}

std::string TSCL_blake3class::GetAlgorithm() const {
  return TSCL_blake3::AlgorithmName;
}

std::int32_t TSCL_blake3class::GetHashSize() const {
  return TSCL_blake3::DefaultDigestBits;
}

bool TSCL_blake3class::SelfTest() const {
  TSCL_blake3 Hash(nullptr);
  std::uint8_t Digest[32];
  Hash.Init();
  Hash.Update("abc", 3);
  Hash.Final(Digest);
  return std::memcmp(Digest, TSCL_blake3::AbcDigest, sizeof Digest) == 0;
}

TComponent* TSCL_blake3class::NewInstance(TComponent* AOwner) const {
  return new TSCL_blake3(AOwner);
}

const TSCL_blake3::TClass& TSCL_blake3::Class() {
  static const TClass Descriptor("TSCL_blake3", &TSCL_hash::Class(), Blake3Properties);
  return Descriptor;
}

void TSCL_blake3::SetDigestBits(std::int32_t Value) {
  if (Value < 8 || Value > MaxDigestBits || Value % 8 != 0)
    throw ESCL_hash("Invalid digest size: " + std::to_string(Value) +
                    " bits (BLAKE3 gives 8 to 65536 bits in steps of 8)");
  FDigestBits = Value;
}

void TSCL_blake3::Start(const std::uint32_t Key[8], std::uint32_t Flags) {
  Burn();
  std::copy_n(Key, 8, FWork.Key);
  std::copy_n(Key, 8, FWork.ChunkCv);
  FWork.Flags = Flags;
  FWork.DigestBytes = static_cast<std::size_t>(FDigestBits / 8);
  FInitialized = true;
}

void TSCL_blake3::Init() {
  Start(Initial, 0);
}

void TSCL_blake3::InitKey(const void* Key, std::uint32_t Length) {
  if (Length == 0) {
    Init();
    return;
  }
  Burn();
  if (Length != KeyBytes)
    throw ESCL_hash("Invalid key size: " + std::to_string(Length) +
                    " bytes (BLAKE3 takes a key of 32)");
  std::uint32_t Words[8];
  LoadWords(static_cast<const std::uint8_t*>(Key), Words, 8);
  Start(Words, KeyedHash);
  SecureZero(Words, sizeof Words);
}

void TSCL_blake3::InitDeriveKey(std::string_view Context) {
  // The context is hashed in a mode of its own; its first 32 bytes of output key the material.
  Start(Initial, DeriveKeyContext);
  std::size_t Done = 0;
  while (Done < Context.size()) {
    const std::size_t Piece = std::min<std::size_t>(Context.size() - Done, 1u << 30);
    Update(Context.data() + Done, static_cast<std::uint32_t>(Piece));
    Done += Piece;
  }
  const std::int32_t Bits = FDigestBits;
  std::uint8_t ContextKey[32];
  FinalXof(ContextKey, sizeof ContextKey);
  std::uint32_t Words[8];
  LoadWords(ContextKey, Words, 8);
  FDigestBits = Bits;
  Start(Words, DeriveKeyMaterial);
  SecureZero(ContextKey, sizeof ContextKey);
  SecureZero(Words, sizeof Words);
}

void TSCL_blake3::Burn() {
  SecureZero(&FWork, sizeof FWork);
  FInitialized = false;
}

void TSCL_blake3::ParentCv(const std::uint32_t Left[8], const std::uint32_t Right[8],
                           std::uint32_t Cv[8]) const {
  std::uint8_t Block[64];
  StoreWords(Left, Block, 8);
  StoreWords(Right, Block + 32, 8);
  std::uint32_t Out[16];
  CompressPortable(FWork.Key, Block, 0, 64, FWork.Flags | Parent, Out);
  std::copy_n(Out, 8, Cv);
  SecureZero(Block, sizeof Block);
  SecureZero(Out, sizeof Out);
}

// Cv joins the stack as the subtree of Chunks chunks after FWork.ChunkCounter: merged with every
// subtree of its size it completes, its own size doubling each time.
void TSCL_blake3::PushSubtree(const std::uint32_t Cv[8], std::uint64_t Chunks) {
  std::uint32_t Merged[8];
  std::copy_n(Cv, 8, Merged);
  FWork.ChunkCounter += Chunks;
  for (std::uint64_t Units = FWork.ChunkCounter / Chunks; Units % 2 == 0; Units /= 2)
    ParentCv(FWork.Stack[--FWork.Depth], Merged, Merged);
  std::copy_n(Merged, 8, FWork.Stack[FWork.Depth++]);
  SecureZero(Merged, sizeof Merged);
}

void TSCL_blake3::SubtreeCv(const std::uint8_t* In, std::size_t Chunks, std::uint32_t Cv[8]) const {
  std::uint8_t Levels[2][MaxSubtreeChunks * CvBytes];
  const std::uint8_t* Inputs[MaxSubtreeChunks];
  for (std::size_t I = 0; I < Chunks; ++I)
    Inputs[I] = In + I * ChunkBytes;
  Many({Inputs, Chunks, BlocksPerChunk, FWork.Key, FWork.ChunkCounter, true, FWork.Flags,
        ChunkStart, ChunkEnd, Levels[0]});
  int Level = 0;
  for (std::size_t Count = Chunks; Count > 1; Count /= 2, Level ^= 1) {
    // Each parent's block is its two children's chaining values, side by side already.
    for (std::size_t I = 0; I < Count / 2; ++I)
      Inputs[I] = Levels[Level] + I * 2 * CvBytes;
    Many(
        {Inputs, Count / 2, 1, FWork.Key, 0, false, FWork.Flags | Parent, 0, 0, Levels[Level ^ 1]});
  }
  LoadWords(Levels[Level], Cv, 8);
  SecureZero(Levels[0], Chunks * CvBytes);
  SecureZero(Levels[1], Chunks / 2 * CvBytes);
}

void TSCL_blake3::Absorb(const std::uint8_t* In, std::size_t Length) {
  while (Length > 0) {
    if (FWork.BlockFill == BlockBytes) {
      // A byte follows the block kept: it is not the chunk's last.
      std::uint32_t Out[16];
      CompressPortable(FWork.ChunkCv, FWork.Block, FWork.ChunkCounter, BlockBytes,
                       FWork.Flags | (FWork.ChunkBlocks == 0 ? ChunkStart : 0), Out);
      std::copy_n(Out, 8, FWork.ChunkCv);
      SecureZero(Out, sizeof Out);
      SecureZero(FWork.Block, sizeof FWork.Block);
      ++FWork.ChunkBlocks;
      FWork.BlockFill = 0;
    }
    const std::size_t Take = std::min(BlockBytes - FWork.BlockFill, Length);
    std::memcpy(FWork.Block + FWork.BlockFill, In, Take);
    FWork.BlockFill += Take;
    In += Take;
    Length -= Take;
  }
}

void TSCL_blake3::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  const auto* In = static_cast<const std::uint8_t*>(Buffer);
  std::size_t Left = Length;
  while (Left > 0) {
    if (ChunkLength() == ChunkBytes) {
      // Bytes follow the chunk held: it is not the last, and not the root.
      std::uint32_t Out[16];
      CompressPortable(FWork.ChunkCv, FWork.Block, FWork.ChunkCounter, BlockBytes,
                       FWork.Flags | (FWork.ChunkBlocks == 0 ? ChunkStart : 0) | ChunkEnd, Out);
      std::copy_n(FWork.Key, 8, FWork.ChunkCv);
      SecureZero(FWork.Block, sizeof FWork.Block);
      FWork.BlockFill = 0;
      FWork.ChunkBlocks = 0;
      PushSubtree(Out, 1);
      SecureZero(Out, sizeof Out);
    }
    if (ChunkLength() == 0 && Left > ChunkBytes) {
      // Whole chunks from the caller's buffer, keeping at least one byte for the chunk held.
      std::size_t Chunks = std::bit_floor(std::min((Left - 1) / ChunkBytes, MaxSubtreeChunks));
      if (FWork.ChunkCounter != 0)
        Chunks =
            std::min<std::size_t>(Chunks, std::uint64_t{1} << std::countr_zero(FWork.ChunkCounter));
      std::uint32_t Cv[8];
      SubtreeCv(In, Chunks, Cv);
      PushSubtree(Cv, Chunks);
      SecureZero(Cv, sizeof Cv);
      In += Chunks * ChunkBytes;
      Left -= Chunks * ChunkBytes;
      continue;
    }
    const std::size_t Take = std::min(ChunkBytes - ChunkLength(), Left);
    Absorb(In, Take);
    In += Take;
    Left -= Take;
  }
}

void TSCL_blake3::Final(void* Digest) {
  FinalXof(Digest, FWork.DigestBytes);
}

void TSCL_blake3::FinalXof(void* Out, std::size_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  // The root node: the chunk held when the stack is empty, else the parent of the stack's first
  // subtree and everything after it, folded from the chunk upwards.
  std::uint32_t NodeCv[8];
  std::uint8_t NodeBlock[64];
  std::uint32_t NodeLength = static_cast<std::uint32_t>(FWork.BlockFill);
  std::uint32_t NodeFlags = FWork.Flags | (FWork.ChunkBlocks == 0 ? ChunkStart : 0) | ChunkEnd;
  std::copy_n(FWork.ChunkCv, 8, NodeCv);
  std::memcpy(NodeBlock, FWork.Block, sizeof NodeBlock);
  for (std::size_t Level = FWork.Depth; Level-- > 0;) {
    std::uint32_t Words[16];
    CompressPortable(NodeCv, NodeBlock, Level + 1 == FWork.Depth ? FWork.ChunkCounter : 0,
                     NodeLength, NodeFlags, Words);
    StoreWords(FWork.Stack[Level], NodeBlock, 8);
    StoreWords(Words, NodeBlock + 32, 8);
    std::copy_n(FWork.Key, 8, NodeCv);
    NodeLength = 64;
    NodeFlags = FWork.Flags | Parent;
    SecureZero(Words, sizeof Words);
  }
  auto* Bytes = static_cast<std::uint8_t*>(Out);
  for (std::uint64_t Counter = 0; Length > 0; ++Counter) {
    std::uint32_t Words[16];
    std::uint8_t Block[64];
    CompressPortable(NodeCv, NodeBlock, Counter, NodeLength, NodeFlags | Root, Words);
    StoreWords(Words, Block, 16);
    const std::size_t Take = std::min<std::size_t>(Length, 64);
    std::memcpy(Bytes, Block, Take);
    Bytes += Take;
    Length -= Take;
    SecureZero(Words, sizeof Words);
    SecureZero(Block, sizeof Block);
  }
  SecureZero(NodeCv, sizeof NodeCv);
  SecureZero(NodeBlock, sizeof NodeBlock);
  Burn();
}

} // namespace Sumtide
