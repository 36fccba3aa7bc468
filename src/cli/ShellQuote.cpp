#include "cli/ShellQuote.h"

#include <cstdio>

namespace Sumtide::Cli {

namespace {

bool IsHarmless(unsigned char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') ||
         std::string_view("%+,-./:=@_^").find(static_cast<char>(C)) != std::string_view::npos;
}

// The length of the valid UTF-8 sequence of a non-ASCII character at Text[0], or 0.
std::size_t Utf8Length(std::string_view Text) {
  const auto Lead = static_cast<unsigned char>(Text[0]);
  const std::size_t Length = Lead >= 0xF0 && Lead <= 0xF4   ? 4
                             : Lead >= 0xE0                 ? 3
                             : Lead >= 0xC2 && Lead <= 0xDF ? 2
                                                            : 0;
  if (Length == 0 || Text.size() < Length)
    return 0;
  for (std::size_t I = 1; I < Length; ++I)
    if ((static_cast<unsigned char>(Text[I]) & 0xC0) != 0x80)
      return 0;
  return Length;
}

std::string Escaped(unsigned char C) {
  switch (C) {
  case '\n':
    return "\\n";
  case '\t':
    return "\\t";
  case '\r':
    return "\\r";
  default: {
    char Octal[8];
    std::snprintf(Octal, sizeof Octal, "\\%03o", C);
    return Octal;
  }
  }
}

} // namespace

std::string ShellQuote(std::string_view Name) {
  bool Plain = !Name.empty();
  bool Unprintable = false;
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const auto C = static_cast<unsigned char>(Name[I]);
    if (C >= 0x80) {
      const std::size_t Length = Utf8Length(Name.substr(I));
      Unprintable = Unprintable || Length == 0;
      Plain = false;
      I += Length ? Length - 1 : 0;
    } else if (C < 0x20 || C == 0x7F) {
      Unprintable = true;
    } else if (!IsHarmless(C)) {
      Plain = false;
    }
  }
  if (Plain && !Unprintable)
    return std::string(Name);
  if (!Unprintable && Name.find('\'') == std::string_view::npos)
    return "'" + std::string(Name) + "'";
  std::string Quoted;
  bool Open = false;
  const auto Quote = [&](bool Inside) {
    if (Open != Inside)
      Quoted += '\'';
    Open = Inside;
  };
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const auto C = static_cast<unsigned char>(Name[I]);
    const std::size_t Length = C >= 0x80 ? Utf8Length(Name.substr(I)) : 1;
    if (C == '\'') {
      Quote(false);
      Quoted += "\\'";
    } else if (C < 0x20 || C == 0x7F || Length == 0) {
      Quote(false);
      Quoted += "$'" + Escaped(C) + "'";
    } else {
      Quote(true);
      Quoted.append(Name.substr(I, Length));
      I += Length - 1;
    }
  }
  Quote(false);
  return Quoted;
}

} // namespace Sumtide::Cli
