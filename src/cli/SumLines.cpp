#include "cli/SumLines.h"

#include "checksum/DigestText.h"

namespace Sumtide::Cli {

namespace {

using Checksum::DigestText;
using Checksum::TLetterCase;

bool IsBlank(char C) {
  return C == ' ' || C == '\t';
}

bool IsHexDigit(char C) {
  return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

// What strtoumax skips before a number.
bool IsSpace(char C) {
  return C == ' ' || (C >= '\t' && C <= '\r');
}

// The value of a digit in Base, or Base for a character that is none.
unsigned DigitValue(char C, unsigned Base) {
  unsigned Value = Base;
  if (C >= '0' && C <= '9')
    Value = static_cast<unsigned>(C - '0');
  else if (C >= 'a' && C <= 'z')
    Value = static_cast<unsigned>(C - 'a' + 10);
  else if (C >= 'A' && C <= 'Z')
    Value = static_cast<unsigned>(C - 'A' + 10);
  return Value < Base ? Value : Base;
}

// Exactly HexDigits hexadecimal digits, nothing after them.
bool IsDigestText(std::string_view Text, std::size_t HexDigits) {
  if (Text.size() != HexDigits)
    return false;
  for (char C : Text)
    if (!IsHexDigit(C))
      return false;
  return true;
}

// Undoes EscapeName; nothing for a lone backslash at the end, an unknown escape or a NUL byte.
std::optional<std::string> Unescape(std::string_view Text) {
  std::string Name;
  Name.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\0')
      return std::nullopt;
    if (C != '\\') {
      Name += C;
      continue;
    }
    if (++I == Text.size())
      return std::nullopt;
    switch (Text[I]) {
    case 'n':
      Name += '\n';
      break;
    case 'r':
      Name += '\r';
      break;
    case '\\':
      Name += '\\';
      break;
    default:
      return std::nullopt;
    }
  }
  return Name;
}

// A name read unescaped ends at a NUL byte, as a C string would.
std::string UpToNul(std::string_view Text) {
  return std::string(Text.substr(0, Text.find('\0')));
}

// "<name>) = <hex>" after "<TAG> (": the name runs to the last ')'.
std::optional<TCheckEntry> ReadTagged(std::string_view Rest, bool Escaped) {
  const std::size_t Close = Rest.rfind(')');
  if (Rest.empty() || Close == std::string_view::npos)
    return std::nullopt;
  TCheckEntry Entry;
  if (Escaped) {
    auto Name = Unescape(Rest.substr(0, Close));
    if (!Name)
      return std::nullopt;
    Entry.Name = std::move(*Name);
  } else {
    Entry.Name = UpToNul(Rest.substr(0, Close));
  }
  std::size_t I = Close + 1;
  while (I < Rest.size() && IsBlank(Rest[I]))
    ++I;
  if (I == Rest.size() || Rest[I] != '=')
    return std::nullopt;
  ++I;
  while (I < Rest.size() && IsBlank(Rest[I]))
    ++I;
  Entry.Hex = UpToNul(Rest.substr(I)); // the text is read as a C string would be
  return Entry;
}

} // namespace

bool NeedsEscape(std::string_view Name) {
  return Name.find_first_of("\\\n\r") != std::string_view::npos;
}

std::string EscapeName(std::string_view Name) {
  std::string Escaped;
  Escaped.reserve(Name.size() + 8);
  for (char C : Name) {
    switch (C) {
    case '\\':
      Escaped += "\\\\";
      break;
    case '\n':
      Escaped += "\\n";
      break;
    case '\r':
      Escaped += "\\r";
      break;
    default:
      Escaped += C;
      break;
    }
  }
  return Escaped;
}

std::string SumLine(std::string_view Name, std::span<const std::uint8_t> Digest,
                    std::string_view Tag, bool Binary, bool Tagged, bool Zero) {
  const bool Escape = !Zero && NeedsEscape(Name);
  const std::string Hex = DigestText(Digest, TLetterCase::Lower);
  const std::string Shown = Escape ? EscapeName(Name) : std::string(Name);
  std::string Line = Escape ? "\\" : "";
  if (Tagged)
    Line.append(Tag).append(" (").append(Shown).append(") = ").append(Hex);
  else
    Line += Hex + (Binary ? " *" : "  ") + Shown;
  Line += Zero ? '\0' : '\n';
  return Line;
}

// The digits a tagged line's digest has when the tag is followed by '-' and a size: the number
// from At on, read as strtoumax reads one of any base (blanks and a '+' before it, "0x" before
// hexadecimal digits, '0' before octal ones), in bits, leaving At after it. Nothing when there is
// no number or no digest of that size: 0, bits not of whole bytes, more than the longest.
std::optional<std::size_t> TCheckLineReader::TaggedHexDigits(std::string_view Line,
                                                             std::size_t& At) const {
  while (At < Line.size() && IsSpace(Line[At]))
    ++At;
  if (At < Line.size() && Line[At] == '+')
    ++At;
  unsigned Base = 10;
  if (Line.substr(At).starts_with("0x") || Line.substr(At).starts_with("0X")) {
    if (At + 2 < Line.size() && DigitValue(Line[At + 2], 16) < 16) {
      Base = 16;
      At += 2;
    } else {
      Base = 8; // the "0" alone
    }
  } else if (At < Line.size() && Line[At] == '0') {
    Base = 8;
  }
  const std::size_t First = At;
  std::size_t Bits = 0;
  bool TooLong = false;
  for (unsigned Digit; At < Line.size() && (Digit = DigitValue(Line[At], Base)) < Base; ++At) {
    if (!TooLong)
      Bits = Bits * Base + Digit;
    TooLong = TooLong || Bits > 4 * FLongestHexDigits;
  }
  if (At == First || TooLong || Bits == 0 || Bits % 8 != 0)
    return std::nullopt;
  return Bits / 4;
}

// The entry of a line that is neither a comment nor empty, before the last checks, and the
// number of digits its digest must have.
std::optional<TCheckEntry> TCheckLineReader::ReadEntry(std::string_view Line,
                                                       std::size_t& HexDigits) {
  std::size_t I = 0;
  while (I < Line.size() && IsBlank(Line[I]))
    ++I;
  bool Escaped = false;
  if (I < Line.size() && Line[I] == '\\') {
    ++I;
    Escaped = true;
  }
  HexDigits = FHexDigits;
  if (Line.substr(I).starts_with(FTag)) {
    I += FTag.size();
    if (FSizes && I < Line.size() && Line[I] == '-') {
      const std::optional<std::size_t> Digits = TaggedHexDigits(Line, ++I);
      if (!Digits)
        return std::nullopt;
      HexDigits = *Digits;
    } else if (FSizes && I < Line.size() && Line[I] != '(') {
      ++I; // b2sum passes over any one character after a tag without a size
    }
    if (I < Line.size() && Line[I] == ' ')
      ++I;
    if (I < Line.size() && Line[I] == '(')
      return ReadTagged(Line.substr(I + 1), Escaped);
    return std::nullopt;
  }
  if (FSizes) {
    // As many digits as there are, whole bytes of them, up to the longest digest.
    HexDigits = 0;
    while (I + HexDigits < Line.size() && IsHexDigit(Line[I + HexDigits]))
      ++HexDigits;
    if (HexDigits == 0 || HexDigits % 2 != 0 || HexDigits > FLongestHexDigits ||
        I + HexDigits == Line.size())
      return std::nullopt;
  } else {
    // The digest, a blank, then at least one character.
    const bool BackslashNext = I < Line.size() && Line[I] == '\\';
    if (Line.size() - I < FHexDigits + 2 + (BackslashNext ? 1 : 0))
      return std::nullopt;
  }
  TCheckEntry Found;
  Found.Hex = std::string(Line.substr(I, HexDigits));
  I += HexDigits;
  if (!IsBlank(Line[I]) || !IsDigestText(Found.Hex, HexDigits))
    return std::nullopt;
  ++I;
  // Nothing after the blank (a digest of several sizes may be that short) is the reversed form
  // with an empty name.
  if (Line.size() - I <= 1 || (Line[I] != ' ' && Line[I] != '*')) {
    // "<hex> <name>": only while no line of the usual form came before, so that a name
    // beginning with a blank or '*' cannot be taken for another one.
    if (FReversed == 0)
      return std::nullopt;
    FReversed = 1;
  } else if (FReversed != 1) {
    FReversed = 0;
    ++I; // the mode marker
  }
  if (Escaped) {
    auto Name = Unescape(Line.substr(I));
    if (!Name)
      return std::nullopt;
    Found.Name = std::move(*Name);
  } else {
    Found.Name = UpToNul(Line.substr(I));
  }
  return Found;
}

std::optional<TCheckEntry> TCheckLineReader::Read(std::string_view Line, bool ListIsStandardInput,
                                                  bool& Skipped) {
  Skipped = false;
  if (!Line.empty() && Line.front() == '#') {
    Skipped = true;
    return std::nullopt;
  }
  if (!Line.empty() && Line.back() == '\r')
    Line.remove_suffix(1);
  if (Line.empty()) {
    Skipped = true;
    return std::nullopt;
  }
  std::size_t HexDigits = 0;
  std::optional<TCheckEntry> Entry = ReadEntry(Line, HexDigits);
  if (!Entry || (ListIsStandardInput && Entry->Name == "-") || !IsDigestText(Entry->Hex, HexDigits))
    return std::nullopt;
  return Entry;
}

bool DigestMatches(std::span<const std::uint8_t> Digest, std::string_view Hex) {
  if (Hex.size() != 2 * Digest.size())
    return false;
  const std::string Expected = DigestText(Digest, TLetterCase::Lower);
  const auto Lower = [](char C) { return C >= 'A' && C <= 'F' ? char(C - 'A' + 'a') : C; };
  for (std::size_t I = 0; I < Hex.size(); ++I)
    if (Lower(Hex[I]) != Expected[I])
      return false;
  return true;
}

} // namespace Sumtide::Cli
