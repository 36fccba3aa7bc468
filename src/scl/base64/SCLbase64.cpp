#include "scl/SCLbase64.h"

#include "scl/base64/Base64Coders.h"
#include "scl/cpu/FunctionChoice.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

namespace Sumtide {

namespace Base64Internal {

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

char Encode6(unsigned Value) {
  return Base64Alphabet[Value & 63];
}

// The last 1 or 2 bytes of the input (Size % 3 of them), with their padding.
void EncodeTail(const unsigned char* Source, char* Dest, std::size_t Rest) {
  switch (Rest) {
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

// One quartet by the lenient rules. One slot per quartet position. A letter, digit, '+' or '/'
// sets its slot to its value, '=' sets it to the pad marker, and any other byte leaves it as the
// previous quartet set it, so the slots live across quartets for the whole call. They start at
// 0: a stray byte in the first quartet reads as 'A'.
//
// A pad marker in the first or second slot is combined like any value; in the third it ends the
// quartet after one byte, in the fourth after two. Returns the position after the bytes written.
unsigned char* DecodeQuartet(const unsigned char* Source, unsigned char* Out,
                             std::uint8_t Slot[4]) {
  for (int K = 0; K < 4; ++K) {
    const std::uint8_t Value = DecodeTable[Source[K]];
    if (Value != KeepSlot)
      Slot[K] = Value;
  }
  *Out++ = static_cast<unsigned char>((Slot[0] << 2) | (Slot[1] >> 4));
  if (Slot[2] != PadMarker) {
    *Out++ = static_cast<unsigned char>((Slot[1] << 4) | (Slot[2] >> 2));
    if (Slot[3] != PadMarker)
      *Out++ = static_cast<unsigned char>((Slot[2] << 6) | Slot[3]);
  }
  return Out;
}

// Two characters for each 12-bit value, the first at the lower address.
constexpr std::array<std::array<char, 2>, 4096> PairTable = [] {
  std::array<std::array<char, 2>, 4096> Table{};
  for (std::size_t I = 0; I < Table.size(); ++I)
    Table[I] = {AlphabetText[I >> 6], AlphabetText[I & 63]};
  return Table;
}();

// One table per quartet position: the character's six bits placed where they go in the three
// output bytes (the first byte in bits 0-7, the second in 8-15, the third in 16-23), or
// NotAlphabet for any byte outside the alphabet, '=' included. The four entries of a quartet
// combine with OR; a result of NotAlphabet or more means the quartet takes the slow rules.
constexpr std::uint32_t NotAlphabet = 1u << 24;

constexpr std::array<std::uint32_t, 256> MakeQuartetTable(int Position) {
  std::array<std::uint32_t, 256> Table{};
  for (std::size_t C = 0; C < Table.size(); ++C) {
    const std::uint32_t V = DecodeTable[C];
    if (V >= 64)
      Table[C] = NotAlphabet;
    else if (Position == 0)
      Table[C] = V << 2;
    else if (Position == 1)
      Table[C] = (V >> 4) | ((V & 15) << 12);
    else if (Position == 2)
      Table[C] = ((V >> 2) << 8) | ((V & 3) << 22);
    else
      Table[C] = V << 16;
  }
  return Table;
}

constexpr std::array<std::uint32_t, 256> Quartet0 = MakeQuartetTable(0);
constexpr std::array<std::uint32_t, 256> Quartet1 = MakeQuartetTable(1);
constexpr std::array<std::uint32_t, 256> Quartet2 = MakeQuartetTable(2);
constexpr std::array<std::uint32_t, 256> Quartet3 = MakeQuartetTable(3);

using TEncodeBlocks = std::size_t (*)(const unsigned char*, char*, std::size_t);
using TDecodeBlocks = std::size_t (*)(const unsigned char*, unsigned char*, std::size_t);

// A kernel for the whole blocks (if any), then the pair table for the remaining full groups,
// then the tail.
void EncodeWith(TEncodeBlocks Blocks, const unsigned char* Source, char* Dest, std::size_t Size) {
  if (Blocks != nullptr) {
    const std::size_t Done = Blocks(Source, Dest, Size);
    Source += Done;
    Dest += Done / 3 * 4;
    Size -= Done;
  }
  for (std::size_t G = Size / 3; G != 0; --G) {
    const std::uint32_t Bits = (std::uint32_t{Source[0]} << 16) | (std::uint32_t{Source[1]} << 8) |
                               std::uint32_t{Source[2]};
    std::memcpy(Dest, PairTable[Bits >> 12].data(), 2);
    std::memcpy(Dest + 2, PairTable[Bits & 0xfff].data(), 2);
    Source += 3;
    Dest += 4;
  }
  EncodeTail(Source, Dest, Size % 3);
}

// A kernel (if any) takes the blocks it can; the quartets of a block it stops at, and those after
// its last whole block, go one at a time: four alphabet characters through the quartet tables,
// anything else by the slow rules. The slow rules need the slots as the quartet before left
// them; after quartets that went the fast way those are the values of the last one's four
// characters, fetched when they are needed.
std::size_t DecodeWith(TDecodeBlocks Blocks, std::size_t BlockChars, const unsigned char* Source,
                       unsigned char* Dest, std::size_t Size) {
  const unsigned char* S = Source;
  const unsigned char* const End = Source + Size / 4 * 4;
  unsigned char* Out = Dest;
  std::uint8_t Slot[4] = {0, 0, 0, 0};
  bool SlotsBehind = false; // the quartet before S went the fast way, Slot does not hold it yet
  while (S != End) {
    if (Blocks != nullptr) {
      const std::size_t Done = Blocks(S, Out, static_cast<std::size_t>(End - S));
      if (Done != 0) {
        S += Done;
        Out += Done / 4 * 3;
        SlotsBehind = true;
      }
    }
    const std::size_t Left = static_cast<std::size_t>(End - S);
    const unsigned char* const Stop =
        Blocks == nullptr || Left <= BlockChars ? End : S + BlockChars;
    for (; S != Stop; S += 4) {
      const std::uint32_t Bits = Quartet0[S[0]] | Quartet1[S[1]] | Quartet2[S[2]] | Quartet3[S[3]];
      if (Bits < NotAlphabet) {
        Out[0] = static_cast<unsigned char>(Bits);
        Out[1] = static_cast<unsigned char>(Bits >> 8);
        Out[2] = static_cast<unsigned char>(Bits >> 16);
        Out += 3;
        SlotsBehind = true;
        continue;
      }
      if (SlotsBehind) {
        for (int K = 0; K < 4; ++K)
          Slot[K] = DecodeTable[S[K - 4]];
        SlotsBehind = false;
      }
      Out = DecodeQuartet(S, Out, Slot);
    }
  }
  return static_cast<std::size_t>(Out - Dest);
}

// One timed pass encodes this many bytes and decodes the 4 KiB of text: in the first level cache,
// a microsecond or two for the portable coders, all passes together some tens of microseconds.
constexpr std::size_t TimedBytes = 3072;

// The input of the timed passes and the room for their results.
class TTimedPasses {
public:
  TTimedPasses() : FPlain(TimedBytes), FDecoded(TimedBytes), FText(EncodedLength(TimedBytes)) {
    for (std::size_t I = 0; I < FPlain.size(); ++I)
      FPlain[I] = static_cast<unsigned char>(I * 131 + 7);
  }

  // The bytes and characters one pass handles.
  static constexpr double Work = static_cast<double>(TimedBytes + EncodedLength(TimedBytes));

  // Encodes the bytes and decodes the text with Coders, and returns the ticks it took. The coders
  // are called directly, not through Encode and Decode, which would wait on the choice.
  double Pass(const TCoders& Coders) {
    const double Start = FunctionChoice::Ticks();
    Coders.Encode(FPlain.data(), FText.data(), FPlain.size());
    const std::size_t Count = Coders.Decode(reinterpret_cast<const unsigned char*>(FText.data()),
                                            FDecoded.data(), FText.size());
    const double Took = FunctionChoice::Ticks() - Start;
    return Count == FPlain.size() ? Took : 0; // a pass that loses bytes gives no rate
  }

private:
  std::vector<unsigned char> FPlain, FDecoded;
  std::vector<char> FText;
};

} // namespace

void EncodeSlow(const unsigned char* Source, char* Dest, std::size_t Size) {
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
  EncodeTail(Source, Dest, Size % 3);
}

std::size_t DecodeSlow(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  std::uint8_t Slot[4] = {0, 0, 0, 0};
  unsigned char* Out = Dest;
  const std::size_t Quartets = Size / 4;
  for (std::size_t Q = 0; Q < Quartets; ++Q) {
    Out = DecodeQuartet(Source, Out, Slot);
    Source += 4;
  }
  return static_cast<std::size_t>(Out - Dest);
}

void EncodePortable(const unsigned char* Source, char* Dest, std::size_t Size) {
  EncodeWith(nullptr, Source, Dest, Size);
}

std::size_t DecodePortable(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  return DecodeWith(nullptr, 0, Source, Dest, Size);
}

#ifdef SUMTIDE_BASE64_X86

void EncodeAvx2(const unsigned char* Source, char* Dest, std::size_t Size) {
  EncodeWith(EncodeBlocksAvx2, Source, Dest, Size);
}

std::size_t DecodeAvx2(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  return DecodeWith(DecodeBlocksAvx2, 32, Source, Dest, Size);
}

void EncodeVbmi(const unsigned char* Source, char* Dest, std::size_t Size) {
  EncodeWith(EncodeBlocksVbmi, Source, Dest, Size);
}

std::size_t DecodeVbmi(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  return DecodeWith(DecodeBlocksVbmi, 64, Source, Dest, Size);
}

#endif

// Each wider coder measured faster on Intel and on AMD alike (bench/README.md), but by how much
// depends on how long the processor takes over each vector instruction, which its flags do not
// tell, so, as for the hash functions, the coders this processor runs are timed (FunctionChoice.h).
// Another way to encode and decode is one more row here, where the tests and the benchmark find it.
constexpr TCodersRow CodersTable[] = {
    {"portable", {EncodePortable, DecodePortable}, FunctionChoice::Always},
#ifdef SUMTIDE_BASE64_X86
    {"avx2", {EncodeAvx2, DecodeAvx2}, HasAvx2},
    {"vbmi", {EncodeVbmi, DecodeVbmi}, HasVbmi},
#else
    {"avx2", {nullptr, nullptr}, HasAvx2},
    {"vbmi", {nullptr, nullptr}, HasVbmi},
#endif
};

std::span<const TCodersRow> Coders() {
  return CodersTable;
}

std::vector<double> MeasureCoders() {
  TTimedPasses Passes;
  return FunctionChoice::MeasureRows(Coders(), TTimedPasses::Work, [&](const TCodersRow& Row) {
    return Passes.Pass(Row.Function);
  });
}

// Chosen by the first call, whichever thread or static initialisation in another file makes it:
// the measurement uses only constant tables and its own buffers, so it is safe at any time.
std::size_t RowInUse() {
  static const std::size_t Chosen = [] {
    std::optional<TTimedPasses> Passes; // made for the first pass: only where the choice is timed
    return FunctionChoice::ChooseRow(
        Coders(), FunctionChoice::Forced(CodersVariable), CodersMargin, [&] {
          return FunctionChoice::MeasureRows(Coders(), TTimedPasses::Work,
                                             [&](const TCodersRow& Row) {
                                               if (!Passes)
                                                 Passes.emplace();
                                               return Passes->Pass(Row.Function);
                                             });
        });
  }();
  return Chosen;
}

void Encode(const unsigned char* Source, char* Dest, std::size_t Size) {
  CodersTable[RowInUse()].Function.Encode(Source, Dest, Size);
}

std::size_t Decode(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  return CodersTable[RowInUse()].Function.Decode(Source, Dest, Size);
}

} // namespace Base64Internal

std::int32_t EncodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size) {
  if (Size <= 0)
    return 0;
  const auto N = static_cast<std::size_t>(Size);
  Base64Internal::Encode(static_cast<const unsigned char*>(Source), static_cast<char*>(Dest), N);
  // For Size above 1610612733 the count exceeds the 32-bit result; all characters are still
  // written and the count comes back reduced modulo 2^32. Larger inputs belong to
  // EncodeBase64Text, which has no such limit.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(Base64Internal::EncodedLength(N)));
}

std::int32_t DecodeBase64Buffer(const void* Source, void* Dest, std::int32_t Size) {
  if (Size <= 0)
    return 0;
  const std::size_t Written =
      Base64Internal::Decode(static_cast<const unsigned char*>(Source),
                             static_cast<unsigned char*>(Dest), static_cast<std::size_t>(Size));
  // At most Size / 4 * 3, which always fits.
  return static_cast<std::int32_t>(Written);
}

// The text functions run the size_t coders directly, so strings of any length are handled in one
// pass without being cut to a 32-bit count.

std::string EncodeBase64Text(const std::string& Source) {
  std::string Result(Base64Internal::EncodedLength(Source.size()), '\0');
  Base64Internal::Encode(reinterpret_cast<const unsigned char*>(Source.data()), Result.data(),
                         Source.size());
  return Result;
}

std::string DecodeBase64Text(const std::string& Source) {
  std::string Result(Source.size() / 4 * 3, '\0');
  const std::size_t Written =
      Base64Internal::Decode(reinterpret_cast<const unsigned char*>(Source.data()),
                             reinterpret_cast<unsigned char*>(Result.data()), Source.size());
  Result.resize(Written); // shrinking keeps the one allocation
  return Result;
}

} // namespace Sumtide
