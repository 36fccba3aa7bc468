// The checksum-list reader of sumtide-sum: any bytes, read as lines of one or two lists, give
// either nothing or an entry whose digest has the digest's number of hexadecimal digits (for
// BLAKE2b, those of one of its sizes) and whose name holds no NUL, whatever the digest (the first
// byte picks it). And any name (without NUL) written as a line, plain or tagged, reads back as
// itself, with a BLAKE2b or BLAKE3 digest of the size the second byte picks; a BLAKE3 line
// written as b3sum writes it reads back as the name b3sum shows.

#include "FuzzCheck.h"
#include "cli/B3sumLines.h"
#include "cli/LossyUtf8.h"
#include "cli/SumLines.h"
#include "scl/lanes/DigestCatalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace Sumtide::Cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  const auto Kinds = Sumtide::DigestKinds();
  const Sumtide::TDigestKind& Kind = Kinds[Size > 0 ? Data[0] % Kinds.size() : 0];
  const std::size_t HexDigits = 2 * Kind.DigestBytes;
  const std::size_t LongestHexDigits = 2 * Sumtide::LongestDigestBytes(Kind);
  const bool Sizes = Sumtide::TakesDigestSizes(Kind);
  TCheckLineReader Reader(Kind);
  const bool StandardInput = Size > 0 && (Data[0] & 1) != 0;
  std::size_t Start = 0;
  while (Start <= Text.size()) {
    const std::size_t End = std::min(Text.find('\n', Start), Text.size());
    bool Skipped = false;
    const auto Entry = Reader.Read(Text.substr(Start, End - Start), StandardInput, Skipped);
    if (Entry) {
      SUMTIDE_FUZZ_CHECK(!Skipped);
      SUMTIDE_FUZZ_CHECK(Sizes ? Entry->Hex.size() <= LongestHexDigits
                               : Entry->Hex.size() == HexDigits);
      SUMTIDE_FUZZ_CHECK(Sumtide::DigestOfSize(Kind, 4 * Entry->Hex.size()) != nullptr);
      SUMTIDE_FUZZ_CHECK(Entry->Hex.find_first_not_of("0123456789abcdefABCDEF") ==
                         std::string::npos);
      SUMTIDE_FUZZ_CHECK(Entry->Name.find('\0') == std::string::npos);
      SUMTIDE_FUZZ_CHECK(!(StandardInput && Entry->Name == "-"));
    }
    Start = End + 1;
  }

  const std::string Name(Text.substr(0, Text.find('\0')));
  if (Name.empty())
    return 0;
  const Sumtide::TDigestKind& Written =
      Sizes && Size > 1 ? *Sumtide::DigestOfSize(Kind, 8 * (1 + Data[1] % Kind.DigestBytes)) : Kind;
  std::array<std::uint8_t, Sumtide::MaxDigestBytes> Bytes{};
  for (std::size_t I = 0; I < Written.DigestBytes && I < Size; ++I)
    Bytes[I] = Data[Size - 1 - I];
  const std::span<const std::uint8_t> Digest(Bytes.data(), Written.DigestBytes);
  for (const bool Tagged : {false, true})
    for (const bool Binary : {false, true}) {
      std::string Line = SumLine(Name, Digest, Written.Tag, Binary, Tagged, false);
      SUMTIDE_FUZZ_CHECK(!Line.empty() && Line.back() == '\n');
      Line.pop_back();
      TCheckLineReader Fresh(Kind);
      bool Skipped = false;
      const auto Entry = Fresh.Read(Line, false, Skipped);
      SUMTIDE_FUZZ_CHECK(Entry.has_value());
      SUMTIDE_FUZZ_CHECK(Entry->Name == Name);
      SUMTIDE_FUZZ_CHECK(DigestMatches(Digest, Entry->Hex));
    }
  // b3sum's lines read back with the name b3sum shows: read as UTF-8 the lossy way. A carriage
  // return it leaves unescaped at the end of a line is taken for the line's own.
  if (FollowsB3sum(Kind) && Name.back() != '\r')
    for (const bool Binary : {false, true}) {
      std::string Line = B3sumLine(Name, Digest, Binary);
      SUMTIDE_FUZZ_CHECK(!Line.empty() && Line.back() == '\n');
      Line.pop_back();
      SUMTIDE_FUZZ_CHECK(Line.find('\n') == std::string::npos);
      TCheckLineReader Fresh(Kind);
      bool Skipped = false;
      const auto Entry = Fresh.Read(Line, false, Skipped);
      SUMTIDE_FUZZ_CHECK(Entry.has_value());
      SUMTIDE_FUZZ_CHECK(Entry->Name == LossyUtf8(Name));
      SUMTIDE_FUZZ_CHECK(DigestMatches(Digest, Entry->Hex));
    }
  return 0;
}
