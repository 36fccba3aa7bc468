#include "scl/SCLbase64.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

namespace {

constexpr char AlphabetText[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static_assert(sizeof(AlphabetText) == 64 + 1, "the alphabet has exactly 64 characters");

// Six-bit value -> character.
constexpr std::array<char, 64> Base64Alphabet = [] {
  std::array<char, 64> Table{};
  for (std::size_t I = 0; I < Table.size(); ++I)
    Table[I] = AlphabetText[I];
  return Table;
}();

constexpr char PadChar = '=';

// Decode table entries besides 0..63: the pad marker, which is stored in a slot and takes part
// in the arithmetic like any other value, and "keep", which leaves the slot unchanged.
constexpr std::uint8_t PadMarker = 255;
constexpr std::uint8_t KeepSlot = 254;

// Character -> six-bit value, PadMarker for '=', KeepSlot for every byte outside the alphabet.
constexpr std::array<std::uint8_t, 256> DecodeTable = [] {
  std::array<std::uint8_t, 256> Table{};
  for (auto& Entry : Table)
    Entry = KeepSlot;
  for (std::size_t I = 0; I < Base64Alphabet.size(); ++I)
    Table[static_cast<unsigned char>(Base64Alphabet[I])] = static_cast<std::uint8_t>(I);
  Table[static_cast<unsigned char>(PadChar)] = PadMarker;
  return Table;
}();

constexpr std::size_t EncodedLength(std::size_t Size) {
  // Same as (Size + 2) / 3 * 4, without the addition that could wrap for a huge Size.
  return Size / 3 * 4 + (Size % 3 != 0 ? 4 : 0);
}

constexpr std::size_t DecodedCapacity(std::size_t Size) {
  return Size / 4 * 3;
}

char Encode6(unsigned Value) {
  return Base64Alphabet[Value & 63];
}

// Encodes Size bytes from Source into EncodedLength(Size) characters at Dest.
void EncodeCore(const unsigned char* Source, char* Dest, std::size_t Size) {
  const std::size_t FullGroups = Size / 3;
  for (std::size_t G = 0; G < FullGroups; ++G) {
    const unsigned B0 = Source[0], B1 = Source[1], B2 = Source[2];
    Dest[0] = Encode6(B0 >> 2);
    Dest[1] = Encode6(((B0 & 3) << 4) | (B1 >> 4));
    Dest[2] = Encode6(((B1 & 15) << 2) | (B2 >> 6));
    Dest[3] = Encode6(B2 & 63);
    Source += 3;
    Dest += 4;
  }
  switch (Size % 3) {
  case 1: {
    const unsigned B0 = Source[0];
    Dest[0] = Encode6(B0 >> 2);
    Dest[1] = Encode6((B0 & 3) << 4);
    Dest[2] = PadChar;
    Dest[3] = PadChar;
    break;
  }
  case 2: {
    const unsigned B0 = Source[0], B1 = Source[1];
    Dest[0] = Encode6(B0 >> 2);
    Dest[1] = Encode6(((B0 & 3) << 4) | (B1 >> 4));
    Dest[2] = Encode6((B1 & 15) << 2);
    Dest[3] = PadChar;
    break;
  }
  default:
    break;
  }
}

// Decodes the first Size / 4 quartets of Source into Dest and returns the number of bytes
// written (at most DecodedCapacity(Size)); a trailing group of 1 to 3 characters is not read.
//
// One slot per quartet position. A letter, digit, '+' or '/' sets its slot to its value, '=' sets
// it to the pad marker, and any other byte leaves it as the previous quartet set it, so the
// slots live across quartets for the whole call. They start at 0: a stray byte in the first
// quartet reads as 'A'.
std::size_t DecodeCore(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  std::uint8_t Slot[4] = {0, 0, 0, 0};
  unsigned char* Out = Dest;
  const std::size_t Quartets = Size / 4;
  for (std::size_t Q = 0; Q < Quartets; ++Q) {
    for (int K = 0; K < 4; ++K) {
      const std::uint8_t Value = DecodeTable[Source[K]];
      if (Value != KeepSlot)
        Slot[K] = Value;
    }
    Source += 4;

    // A pad marker in the first or second slot is combined like any value; in the third it
    // ends the quartet after one byte, in the fourth after two.
    *Out++ = static_cast<unsigned char>((Slot[0] << 2) | (Slot[1] >> 4));
    if (Slot[2] != PadMarker) {
      *Out++ = static_cast<unsigned char>((Slot[1] << 4) | (Slot[2] >> 2));
      if (Slot[3] != PadMarker)
        *Out++ = static_cast<unsigned char>((Slot[2] << 6) | Slot[3]);
    }
  }
  return static_cast<std::size_t>(Out - Dest);
}

} // namespace

std::int32_t EncodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size) {
  if (Size <= 0)
    return 0;
  const auto N = static_cast<std::size_t>(Size);
  EncodeCore(static_cast<const unsigned char*>(Source), static_cast<char*>(Dest), N);
  // For Size above 1610612733 the count exceeds the 32-bit result; all characters are still
  // written and the count comes back reduced modulo 2^32. Larger inputs belong to
  // EncodeBase64Text, which has no such limit.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(EncodedLength(N)));
}

std::int32_t DecodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size) {
  if (Size <= 0)
    return 0;
  const std::size_t Written =
      DecodeCore(static_cast<const unsigned char*>(Source), static_cast<unsigned char*>(Dest),
                 static_cast<std::size_t>(Size));
  // At most Size / 4 * 3, which always fits.
  return static_cast<std::int32_t>(Written);
}

// The text functions run the size_t core directly, so strings of any length are handled in one
// pass without being cut to a 32-bit count.

std::string EncodeBase64Text(const std::string& Source) {
  std::string Result(EncodedLength(Source.size()), '\0');
  EncodeCore(reinterpret_cast<const unsigned char*>(Source.data()), Result.data(), Source.size());
  return Result;
}

std::string DecodeBase64Text(const std::string& Source) {
  std::string Result(DecodedCapacity(Source.size()), '\0');
  const std::size_t Written =
      DecodeCore(reinterpret_cast<const unsigned char*>(Source.data()),
                 reinterpret_cast<unsigned char*>(Result.data()), Source.size());
  Result.resize(Written); // shrinking keeps the one allocation
  return Result;
}

} // namespace Sumtide
