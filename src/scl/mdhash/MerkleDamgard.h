#pragma once

// The framing the MD5 and SHA digests share: the message cut into blocks for a block function,
// then a 0x80 byte, zeros, and the message length in bits to fill the last block. The chaining
// state stays with the caller, who passes the block function with each call; what is kept of the
// message between calls is a TMdMessage, which the components hold (SCLmdhash.h). Private to the
// library.

#include "rtl/SecureWipe.h"
#include "scl/SCLmdhash.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Sumtide {

// A message length in bits, modulo 2^(64 * Words), is kept as Words 64-bit words, low word first.

// Adds Bytes bytes to Length.
template <std::size_t Words>
void AddBitLength(std::uint64_t (&Length)[Words], std::uint64_t Bytes) noexcept {
  static_assert(Words == 1 || Words == 2);
  const std::uint64_t Bits = Bytes << 3;
  Length[0] += Bits;
  if constexpr (Words == 2)
    Length[1] += (Bytes >> 61) + (Length[0] < Bits ? 1 : 0);
}

// Writes Length as 8 * Words bytes in the given byte order.
template <std::size_t Words>
void StoreBitLength(const std::uint64_t (&Length)[Words], std::uint8_t* Out,
                    std::endian Order) noexcept {
  for (std::size_t I = 0; I < 8 * Words; ++I) {
    const auto Byte = static_cast<std::uint8_t>(Length[I / 8] >> (8 * (I % 8)));
    Out[Order == std::endian::little ? I : 8 * Words - 1 - I] = Byte;
  }
}

// The end of a message whose last Fill bytes (under a block) lie at the start of End, which has
// room for two blocks: the 0x80 marker, zeros, and Length in LengthOrder in the last bytes of the
// one block that still has room for it, or of a second one. Returns how many blocks End then
// holds: 1 or 2.
template <std::size_t BlockSize, std::endian LengthOrder, std::size_t Words>
std::size_t PadEnd(std::uint8_t* End, std::size_t Fill, const std::uint64_t (&Length)[Words]) {
  constexpr std::size_t LengthBytes = 8 * Words;
  const std::size_t Total = Fill < BlockSize - LengthBytes ? BlockSize : 2 * BlockSize;
  End[Fill] = 0x80;
  std::memset(End + Fill + 1, 0, Total - Fill - 1);
  StoreBitLength(Length, End + Total - LengthBytes, LengthOrder);
  return Total / BlockSize;
}

// Cuts a message, given in pieces of any size, into BlockSize-byte blocks and pads the last one,
// with the length written in LengthOrder: 8 bytes in 64-byte blocks, 16 in 128-byte blocks. What
// is kept between the pieces lies in a TMdMessage the caller holds and passes with each call.
// The blocks go to a block function: a callable taking a const std::uint8_t* to one block, or
// one taking the first of several consecutive blocks and their count, which then gets every run
// of whole blocks of a piece at once. Whole blocks are passed where they lie, at any address;
// only the bytes that do not fill a block are kept.
template <std::size_t BlockSize, std::endian LengthOrder> struct TMdFraming {
  using TMessage = TMdMessage<BlockSize>;

  template <class TCompress>
  static void Update(TMessage& Message, const void* Data, std::size_t Length,
                     TCompress&& Compress) {
    if (Length == 0)
      return; // Data may then be null, which memcpy must not be given
    AddBitLength(Message.Length, Length);
    const auto* P = static_cast<const std::uint8_t*>(Data);
    if (Message.Fill > 0) {
      const std::size_t Take = std::min(BlockSize - Message.Fill, Length);
      std::memcpy(Message.Block + Message.Fill, P, Take);
      Message.Fill += Take;
      P += Take;
      Length -= Take;
      if (Message.Fill < BlockSize)
        return;
      Blocks(Compress, Message.Block, 1);
      std::memset(Message.Block, 0, BlockSize);
      Message.Fill = 0;
    }
    if (Length >= BlockSize) {
      const std::size_t Whole = Length / BlockSize;
      Blocks(Compress, P, Whole);
      P += Whole * BlockSize;
      Length -= Whole * BlockSize;
    }
    std::memcpy(Message.Block, P, Length);
    Message.Fill = Length;
  }

  // Pads the message and passes its last block or two, then burns: the next message starts
  // empty.
  template <class TCompress> static void Final(TMessage& Message, TCompress&& Compress) {
    std::uint8_t End[2 * BlockSize];
    std::memcpy(End, Message.Block, Message.Fill);
    const std::size_t Count = PadEnd<BlockSize, LengthOrder>(End, Message.Fill, Message.Length);
    Blocks(Compress, End, Count);
    SecureZero(End, sizeof End);
    Burn(Message);
  }

  // Forgets the message: the bytes kept and the length.
  static void Burn(TMessage& Message) noexcept {
    SecureZero(Message.Block, sizeof Message.Block);
    SecureZero(&Message.Fill, sizeof Message.Fill);
    SecureZero(Message.Length, sizeof Message.Length);
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
};

// The framing with the message it keeps, burned when it goes: for code that frames messages of
// its own outside a component.
template <std::size_t BlockSize, std::endian LengthOrder> class TMerkleDamgard {
  using TFraming = TMdFraming<BlockSize, LengthOrder>;

public:
  TMerkleDamgard() = default;
  TMerkleDamgard(const TMerkleDamgard&) = default;
  TMerkleDamgard& operator=(const TMerkleDamgard&) = default;
  ~TMerkleDamgard() { Burn(); }

  template <class TCompress>
  void Update(const void* Data, std::size_t Length, TCompress&& Compress) {
    TFraming::Update(FMessage, Data, Length, Compress);
  }
  // Pads the message and passes its last block or two, then burns.
  template <class TCompress> void Final(TCompress&& Compress) {
    TFraming::Final(FMessage, Compress);
  }
  void Burn() noexcept { TFraming::Burn(FMessage); }

private:
  TMdMessage<BlockSize> FMessage;
};

} // namespace Sumtide
