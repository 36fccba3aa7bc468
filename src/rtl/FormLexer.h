#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Sumtide {

// The tokens of a form description. Line breaks are plain white space; every token knows the
// line it starts on, so that errors can name it.
enum class TFormToken {
  EndOfText,
  Ident,
  Integer,
  String,
  Colon,
  Equals,
  LBracket,
  RBracket,
  Comma
};

class TFormLexer {
public:
  explicit TFormLexer(std::string_view Text) : FText(Text) { Next(); }

  // Moves to the next token; raises EFormError for a character or literal that is not valid.
  void Next();

  TFormToken Token() const { return FToken; }
  int Line() const { return FTokenLine; }
  // The identifier's text, or the decoded bytes of a string literal.
  const std::string& Text() const { return FValue; }
  std::int64_t Integer() const { return FInteger; }
  // The current token as an error message shows it.
  std::string Describe() const;

private:
  void SkipWhiteSpace();
  void ReadIdent();
  void ReadInteger();
  void ReadString();
  [[noreturn]] void Fail(const std::string& What) const;

  std::string_view FText;
  std::size_t FPos = 0;
  int FLine = 1;
  TFormToken FToken = TFormToken::EndOfText;
  int FTokenLine = 1;
  std::string FValue;
  std::int64_t FInteger = 0;
};

} // namespace Sumtide
