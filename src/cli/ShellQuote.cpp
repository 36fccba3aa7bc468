#include "cli/ShellQuote.h"

#include <cstdint>

#ifndef _WIN32
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <langinfo.h>
#include <strings.h>
#endif

namespace Sumtide::Cli {

namespace {

// The character at Text[At] as the locale reads it: how many bytes it takes (0 where no
// character begins there; the rest of the text where one begins but does not end) and whether
// it prints.
struct TCharacter {
  std::size_t Bytes;
  bool Printable;
};

#ifdef _WIN32
// Names are UTF-8 on Windows, whatever the console's code page: a well-formed sequence is a
// character, printable unless it is a control character, a line or paragraph separator or a
// noncharacter.
TCharacter CharacterAt(std::string_view Text, std::size_t At) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Text[At + I]); };
  const unsigned char Lead = Byte(0);
  if (Lead < 0x80)
    return {1, Lead >= 0x20 && Lead < 0x7F};
  const std::size_t Bytes = Lead >= 0xC2 && Lead <= 0xDF   ? 2
                            : Lead >= 0xE0 && Lead <= 0xEF ? 3
                            : Lead >= 0xF0 && Lead <= 0xF4 ? 4
                                                           : 0;
  if (Bytes == 0)
    return {0, false};
  std::uint32_t Code = Lead & (0x7F >> Bytes);
  for (std::size_t I = 1; I < Bytes; ++I) {
    if (At + I >= Text.size())
      return {Text.size() - At, false};
    if ((Byte(I) & 0xC0) != 0x80)
      return {0, false};
    Code = Code << 6 | (Byte(I) & 0x3F);
  }
  const std::uint32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (Code < Least[Bytes] || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
    return {0, false};
  const bool Printable = Code >= 0xA0 && Code != 0x2028 && Code != 0x2029 &&
                         (Code & 0xFFFE) != 0xFFFE && !(Code >= 0xFDD0 && Code <= 0xFDEF);
  return {Bytes, Printable};
}
#else
TCharacter CharacterAt(std::string_view Text, std::size_t At) {
  const auto Byte = static_cast<unsigned char>(Text[At]);
  if (MB_CUR_MAX == 1)
    return {1, std::isprint(Byte) != 0};
  std::mbstate_t State{};
  wchar_t Wide = 0;
  const std::size_t Bytes = std::mbrtowc(&Wide, Text.data() + At, Text.size() - At, &State);
  if (Bytes == static_cast<std::size_t>(-1))
    return {0, false};
  if (Bytes == static_cast<std::size_t>(-2))
    return {Text.size() - At, false};
  return {Bytes, std::iswprint(static_cast<std::wint_t>(Wide)) != 0};
}
#endif

bool IsAnyOf(char C, std::string_view Set) {
  return Set.find(C) != std::string_view::npos;
}

// The locale (LC_CTYPE) writes characters in UTF-8.
bool Utf8Locale() {
#ifdef _WIN32
  return true;
#else
  const char* Codeset = nl_langinfo(CODESET);
  return Codeset && (strcasecmp(Codeset, "UTF-8") == 0 || strcasecmp(Codeset, "UTF8") == 0);
#endif
}

// C's own escape letter for a control character, or 0.
char NamedEscape(char C) {
  switch (C) {
  case '\a':
    return 'a';
  case '\b':
    return 'b';
  case '\f':
    return 'f';
  case '\n':
    return 'n';
  case '\r':
    return 'r';
  case '\t':
    return 't';
  case '\v':
    return 'v';
  default:
    return 0;
  }
}

// Letters, digits and the punctuation a shell leaves alone wherever it stands.
bool IsQuiet(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') ||
         IsAnyOf(C, "%+,-./:]_");
}

// Characters a shell takes for something else: '#' and '~' only at the start of a word, '{'
// and '}' only alone; the others anywhere. ':' is also quoted, so that it cannot be read as the
// separator after the name in a message.
bool IsSpecial(std::string_view Name, std::size_t At) {
  const char C = Name[At];
  if (C == '{' || C == '}')
    return Name.size() == 1;
  if (C == '#' || C == '~')
    return At == 0;
  return IsAnyOf(C, " !\"$&()*;<=>[^`|'?\\:");
}

// The name as it is, when nothing in it needs quoting.
bool NeedsNoQuotes(std::string_view Name) {
  if (Name.empty())
    return false;
  for (std::size_t At = 0; At < Name.size();) {
    const char C = Name[At];
    if (IsQuiet(C) && C != ':') {
      ++At;
      continue;
    }
    if (NamedEscape(C) != 0 || IsSpecial(Name, At))
      return false;
    const TCharacter Char = CharacterAt(Name, At);
    if (!Char.Printable)
      return false;
    // Old shells read a second byte of a character as one of these.
    for (std::size_t J = 1; J < Char.Bytes; ++J)
      if (IsAnyOf(Name[At + J], "[\\^`|"))
        return false;
    At += Char.Bytes;
  }
  return true;
}

// The name between single quotes, escapes as $'...' outside them. Quote tells whether a single
// quote was met, and Plain whether every character would stand as it is between double quotes.
// Pending: whether an escape section is open, at the start and, on return, at the end.
class TSingleQuoted {
public:
  TSingleQuoted(std::string_view Name, bool Pending) : FPending(Pending) {
    FOut += '\'';
    for (std::size_t At = 0; At < Name.size();)
      At = Take(Name, At);
    FOut += '\'';
  }
  bool Quote() const { return FQuote; }
  bool Plain() const { return FPlain; }
  bool Pending() const { return FPending; }
  std::string& Text() { return FOut; }

private:
  std::size_t Take(std::string_view Name, std::size_t At) {
    const char C = Name[At];
    if (const char Letter = NamedEscape(C)) {
      Escape(Letter);
      FPlain = false;
      return At + 1;
    }
    if (C == '\'') {
      FQuote = true;
      FOut += "'\\'";
      FPending = false;
      Store('\'');
      return At + 1;
    }
    if (IsQuiet(C) || C == ' ' ||
        ((C == '#' || C == '~' || C == '{' || C == '}') && IsSpecial(Name, At))) {
      Store(C);
      return At + 1;
    }
    if (IsSpecial(Name, At) || C == '\\' || IsAnyOf(C, "{}#~")) {
      Store(C);
      FPlain = false;
      return At + 1;
    }
    const TCharacter Char = CharacterAt(Name, At);
    FPlain = FPlain && Char.Printable;
    const std::size_t Bytes = Char.Bytes > 0 ? Char.Bytes : 1;
    for (std::size_t J = 0; J < Bytes; ++J) {
      const auto Byte = static_cast<unsigned char>(Name[At + J]);
      if (Char.Printable) {
        Store(static_cast<char>(Byte));
      } else {
        const char Octal[] = {static_cast<char>('0' + (Byte >> 6)),
                              static_cast<char>('0' + ((Byte >> 3) & 7)),
                              static_cast<char>('0' + (Byte & 7)), 0};
        Escape(Octal);
      }
    }
    return At + Bytes;
  }

  // A backslash escape, in the open $'...' section or a new one.
  void Escape(std::string_view Sequence) {
    if (!FPending)
      FOut += "'$'";
    FPending = true;
    FOut += '\\';
    FOut.append(Sequence);
  }
  void Escape(char Letter) { Escape(std::string_view(&Letter, 1)); }
  // A character as it is: the open $'...' section is closed and a quoted one opened first.
  void Store(char C) {
    if (FPending)
      FOut += "''";
    FPending = false;
    FOut += C;
  }

  std::string FOut;
  bool FPending;
  bool FQuote = false;
  bool FPlain = true;
};

} // namespace

std::string ShellQuote(std::string_view Name) {
  if (NeedsNoQuotes(Name))
    return std::string(Name);
  TSingleQuoted First(Name, false);
  if (!First.Quote())
    return std::move(First.Text());
  if (First.Plain())
    return "\"" + std::string(Name) + "\"";
  // Written again, as the GNU tools do, from where the escape sections stood at the end.
  return std::move(TSingleQuoted(Name, First.Pending()).Text());
}

std::string LocaleQuote(std::string_view Text) {
  const bool Utf8 = Utf8Locale();
  const std::string_view Open = Utf8 ? "\xE2\x80\x98" : "'";
  const std::string_view Close = Utf8 ? "\xE2\x80\x99" : "'";
  std::string Out(Open);
  const auto Octal = [&Out](unsigned char Byte) {
    Out += '\\';
    Out += static_cast<char>('0' + (Byte >> 6));
    Out += static_cast<char>('0' + ((Byte >> 3) & 7));
    Out += static_cast<char>('0' + (Byte & 7));
  };
  for (std::size_t At = 0; At < Text.size();) {
    const char C = Text[At];
    if (Text.substr(At).starts_with(Close)) {
      Out += '\\';
      Out.append(Close);
      At += Close.size();
    } else if (const char Letter = NamedEscape(C)) {
      Out += '\\';
      Out += Letter;
      ++At;
    } else if (C == '\\') {
      Out += "\\\\";
      ++At;
    } else if (C == '\0') {
      // Three digits where a digit follows, so that it cannot be read as part of the escape.
      const bool Digit = At + 1 < Text.size() && Text[At + 1] >= '0' && Text[At + 1] <= '9';
      Out += Digit ? "\\000" : "\\0";
      ++At;
    } else if (C >= ' ' && C < 0x7F) {
      Out += C;
      ++At;
    } else {
      const TCharacter Char = CharacterAt(Text, At);
      const std::size_t Bytes = Char.Bytes > 0 ? Char.Bytes : 1;
      for (std::size_t J = 0; J < Bytes; ++J) {
        if (Char.Printable)
          Out += Text[At + J];
        else
          Octal(static_cast<unsigned char>(Text[At + J]));
      }
      At += Bytes;
    }
  }
  Out.append(Close);
  return Out;
}

} // namespace Sumtide::Cli
