#include "rtl/FormLexer.h"

#include "rtl/FormError.h"

namespace Sumtide {

namespace {

bool IsIdentStart(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
// Dotted names address the parts of a property: Font.Height = -11.
bool IsIdentPart(char C) {
  return IsIdentStart(C) || IsDigit(C) || C == '.';
}

// Lexer limit, well above any 32-bit value, so that accumulating digits cannot overflow.
constexpr std::int64_t MaxMagnitude = std::int64_t{1} << 40;

std::string ShowChar(char C) {
  const auto Byte = static_cast<unsigned char>(C);
  std::string Shown;
  if (Byte >= 0x21 && Byte < 0x7F)
    Shown.append(1, '\'').append(1, C).append(1, '\'');
  else
    Shown.append(1, '#').append(std::to_string(Byte));
  return Shown;
}

} // namespace

void TFormLexer::Fail(const std::string& What) const {
  throw EFormError(FTokenLine, What);
}

void TFormLexer::SkipWhiteSpace() {
  while (FPos < FText.size()) {
    const char C = FText[FPos];
    if (C == '\n')
      ++FLine;
    else if (C != ' ' && C != '\t' && C != '\r')
      return;
    ++FPos;
  }
}

void TFormLexer::Next() {
  SkipWhiteSpace();
  FTokenLine = FLine;
  FValue.clear();
  if (FPos >= FText.size()) {
    FToken = TFormToken::EndOfText;
    return;
  }
  const char C = FText[FPos];
  if (IsIdentStart(C))
    return ReadIdent();
  if (IsDigit(C) || C == '-' || C == '+')
    return ReadInteger();
  if (C == '\'' || C == '#')
    return ReadString();
  ++FPos;
  switch (C) {
  case ':':
    FToken = TFormToken::Colon;
    return;
  case '=':
    FToken = TFormToken::Equals;
    return;
  case '[':
    FToken = TFormToken::LBracket;
    return;
  case ']':
    FToken = TFormToken::RBracket;
    return;
  case ',':
    FToken = TFormToken::Comma;
    return;
  default:
    Fail("unexpected character " + ShowChar(C));
  }
}

void TFormLexer::ReadIdent() {
  const std::size_t Start = FPos;
  while (FPos < FText.size() && IsIdentPart(FText[FPos]))
    ++FPos;
  FValue.assign(FText.substr(Start, FPos - Start));
  FToken = TFormToken::Ident;
}

void TFormLexer::ReadInteger() {
  const bool Negative = FText[FPos] == '-';
  if (FText[FPos] == '-' || FText[FPos] == '+')
    ++FPos;
  if (FPos >= FText.size() || !IsDigit(FText[FPos]))
    Fail("digit expected after sign");
  std::int64_t Value = 0;
  for (; FPos < FText.size() && IsDigit(FText[FPos]); ++FPos) {
    Value = Value * 10 + (FText[FPos] - '0');
    if (Value > MaxMagnitude)
      Fail("integer out of range");
  }
  if (FPos < FText.size() && IsIdentPart(FText[FPos]))
    Fail("unexpected character " + ShowChar(FText[FPos]) + " in a number");
  FInteger = Negative ? -Value : Value;
  FToken = TFormToken::Integer;
}

// A string literal is a run of quoted parts ('It''s') and character codes (#13), written without
// space between them. A quoted part ends on its line: a line break inside one is an error.
void TFormLexer::ReadString() {
  while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) {
    if (FText[FPos] == '#') {
      ++FPos;
      if (FPos >= FText.size() || !IsDigit(FText[FPos]))
        Fail("character code expected after '#'");
      int Code = 0;
      for (; FPos < FText.size() && IsDigit(FText[FPos]); ++FPos) {
        Code = Code * 10 + (FText[FPos] - '0');
        if (Code > 255)
          Fail("character code out of range (0 to 255)");
      }
      FValue.push_back(static_cast<char>(Code));
      continue;
    }
    ++FPos;
    for (;;) {
      if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
        Fail("unterminated string");
      const char C = FText[FPos++];
      if (C != '\'') {
        FValue.push_back(C);
      } else if (FPos < FText.size() && FText[FPos] == '\'') {
        FValue.push_back('\'');
        ++FPos;
      } else {
        break;
      }
    }
  }
  FToken = TFormToken::String;
}

std::string TFormLexer::Describe() const {
  switch (FToken) {
  case TFormToken::EndOfText:
    return "end of text";
  case TFormToken::Ident:
    return "'" + FValue + "'";
  case TFormToken::Integer:
    return "the number " + std::to_string(FInteger);
  case TFormToken::String:
    return "a string";
  case TFormToken::Colon:
    return "':'";
  case TFormToken::Equals:
    return "'='";
  case TFormToken::LBracket:
    return "'['";
  case TFormToken::RBracket:
    return "']'";
  case TFormToken::Comma:
    return "','";
  }
  return "?";
}

} // namespace Sumtide
