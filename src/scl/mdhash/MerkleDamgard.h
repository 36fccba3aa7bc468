#pragma once

// The framing the MD5 and SHA digests share: the message cut into blocks for a block function,
// then a 0x80 byte, zeros, and the message length in bits to fill the last block. The chaining
// state stays with the caller, who passes the block function with each call. Private to the
// library.

#include "rtl/SecureWipe.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Sumtide {

// A message length in bits, modulo 2^(64 * Words), kept as Words 64-bit words, low word first.
template <std::size_t Words> class TBitLength {
  static_assert(Words == 1 || Words == 2);

public:
  void Add(std::uint64_t Bytes) noexcept {
    const std::uint64_t Bits = Bytes << 3;
    FWord[0] += Bits;
    if constexpr (Words == 2)
      FWord[1] += (Bytes >> 61) + (FWord[0] < Bits ? 1 : 0);
  }

  // Writes the length as 8 * Words bytes in the given byte order.
  void Store(std::uint8_t* Out, std::endian Order) const noexcept {
    for (std::size_t I = 0; I < 8 * Words; ++I) {
      const auto Byte = static_cast<std::uint8_t>(FWord[I / 8] >> (8 * (I % 8)));
      Out[Order == std::endian::little ? I : 8 * Words - 1 - I] = Byte;
    }
  }

  void Burn() noexcept { SecureZero(FWord, sizeof FWord); }

  // Word I of the length, the lowest first.
  std::uint64_t Word(std::size_t I) const noexcept { return FWord[I]; }

private:
  std::uint64_t FWord[Words] = {};
};

// The end of a message whose last Fill bytes (under a block) lie at the start of End, which has
// room for two blocks: the 0x80 marker, zeros, and Length in LengthOrder in the last bytes of the
// one block that still has room for it, or of a second one. Returns how many blocks End then
// holds: 1 or 2.
template <std::size_t BlockSize, std::endian LengthOrder, std::size_t Words>
std::size_t PadEnd(std::uint8_t* End, std::size_t Fill, const TBitLength<Words>& Length) {
  constexpr std::size_t LengthBytes = 8 * Words;
  const std::size_t Total = Fill < BlockSize - LengthBytes ? BlockSize : 2 * BlockSize;
  End[Fill] = 0x80;
  std::memset(End + Fill + 1, 0, Total - Fill - 1);
  Length.Store(End + Total - LengthBytes, LengthOrder);
  return Total / BlockSize;
}

// Cuts a message, given in pieces of any size, into BlockSize-byte blocks and pads the last one,
// with the length written in LengthOrder: 8 bytes in 64-byte blocks, 16 in 128-byte blocks.
// The blocks go to a block function: a callable taking a const std::uint8_t* to one block, or
// one taking the first of several consecutive blocks and their count, which then gets every run
// of whole blocks of a piece at once. Whole blocks are passed where they lie, at any address;
// only the bytes that do not fill a block are kept here.
template <std::size_t BlockSize, std::endian LengthOrder> class TMerkleDamgard {
  static_assert(BlockSize == 64 || BlockSize == 128);
  static constexpr std::size_t LengthBytes = BlockSize / 8;

public:
  TMerkleDamgard() = default;
  TMerkleDamgard(const TMerkleDamgard&) = default;
  TMerkleDamgard& operator=(const TMerkleDamgard&) = default;
  ~TMerkleDamgard() { Burn(); }

  template <class TCompress>
  void Update(const void* Data, std::size_t Length, TCompress&& Compress) {
    if (Length == 0)
      return; // Data may then be null, which memcpy must not be given
    FLength.Add(Length);
    const auto* P = static_cast<const std::uint8_t*>(Data);
    if (FFill > 0) {
      const std::size_t Take = std::min(BlockSize - FFill, Length);
      std::memcpy(FBlock + FFill, P, Take);
      FFill += Take;
      P += Take;
      Length -= Take;
      if (FFill < BlockSize)
        return;
      Blocks(Compress, FBlock, 1);
      std::memset(FBlock, 0, BlockSize);
      FFill = 0;
    }
    if (Length >= BlockSize) {
      const std::size_t Whole = Length / BlockSize;
      Blocks(Compress, P, Whole);
      P += Whole * BlockSize;
      Length -= Whole * BlockSize;
    }
    std::memcpy(FBlock, P, Length);
    FFill = Length;
  }

  // Pads the message and passes its last block or two, then burns: the next message starts
  // empty.
  template <class TCompress> void Final(TCompress&& Compress) {
    std::uint8_t End[2 * BlockSize];
    std::memcpy(End, FBlock, FFill);
    const std::size_t Count = PadEnd<BlockSize, LengthOrder>(End, FFill, FLength);
    Blocks(Compress, End, Count);
    SecureZero(End, sizeof End);
    Burn();
  }

  // The bytes kept, Fill() of them at the start of Block(); between calls the rest of the block
  // is zero.
  std::size_t Fill() const noexcept { return FFill; }
  const std::uint8_t* Block() const noexcept { return FBlock; }
  // The message length so far, in bits.
  const TBitLength<BlockSize / 64>& Length() const noexcept { return FLength; }

  // Forgets the message: the bytes kept and the length.
  void Burn() noexcept {
    SecureZero(FBlock, sizeof FBlock);
    SecureZero(&FFill, sizeof FFill);
    FLength.Burn();
  }

private:
  template <class TCompress>
  static void Blocks(TCompress& Compress, const std::uint8_t* First, std::size_t Count) {
    if constexpr (std::is_invocable_v<TCompress&, const std::uint8_t*, std::size_t>)
      Compress(First, Count);
    else
      for (; Count > 0; --Count, First += BlockSize)
        Compress(First);
  }

  TBitLength<BlockSize / 64> FLength;
  std::size_t FFill = 0;
  std::uint8_t FBlock[BlockSize] = {};
};

} // namespace Sumtide
