// The quoting of file names in sumtide-sum's messages. Every expected value is what GNU md5sum
// 9.1 prints for the name of a missing file ("md5sum -- NAME" on standard error), in a UTF-8
// locale and in the C locale, so that our messages read byte for byte as the GNU tools' do; and
// of other arguments, what b2sum 9.1 prints for a length it refuses ("b2sum -l ARGUMENT").

#include "cli/ShellQuote.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

using Sumtide::Cli::LocaleQuote;
using Sumtide::Cli::ShellQuote;

namespace {

using namespace std::string_literals;

struct TQuoteCase {
  std::string Name;
  std::string Quoted;
};

void ExpectQuoted(const TQuoteCase& Case) {
  SCOPED_TRACE(::testing::PrintToString(Case.Name));
  EXPECT_EQ(ShellQuote(Case.Name), Case.Quoted);
}

// Each test runs in the locale it names, as the program runs in the user's.
class ShellQuoting : public ::testing::Test {
protected:
  void InLocale(const char* Name) {
    if (!std::setlocale(LC_CTYPE, Name))
      GTEST_SKIP() << "no locale " << Name;
  }
  void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

TEST_F(ShellQuoting, QuotesAsGnuDoes) {
  InLocale("C.UTF-8");
  const TQuoteCase Cases[] = {
      // Nothing to quote: letters, digits and the punctuation a shell leaves alone.
      {"abc", "abc"},
      {"A-Z_0.9/x", "A-Z_0.9/x"},
      {"50%+1,@host", "50%+1,@host"},
      {"-dash", "-dash"},
      // Quoted whole: the empty name, blanks and the characters a shell would take.
      {"", "''"},
      {"with space", "'with space'"},
      {"a\"b", "'a\"b'"},
      {"a\\b", "'a\\b'"},
      {"a$b", "'a$b'"},
      {"a*b", "'a*b'"},
      {"a?b", "'a?b'"},
      {"a[b", "'a[b'"},
      {"a;b", "'a;b'"},
      {"a|b", "'a|b'"},
      {"a&b", "'a&b'"},
      {"a(b)", "'a(b)'"},
      {"a<b>", "'a<b>'"},
      {"a!b", "'a!b'"},
      {"a`b", "'a`b'"},
      // '#' and '~' only at the start, '{' and '}' only alone.
      {"#a", "'#a'"},
      {"~a", "'~a'"},
      {"{", "'{'"},
      {"}", "'}'"},
      // A single quote among specials that double quotes would not hold: closed, escaped,
      // reopened.
      {"a'b$c", "'a'\\''b$c'"},
      // Control characters go outside the quotes as $'...', by name where C has one.
      {"a\tb", "'a'$'\\t''b'"},
      {"a\nb", "'a'$'\\n''b'"},
      {"a\rb", "'a'$'\\r''b'"},
      {"a\x01z", "'a'$'\\001''z'"},
      {"a\x7fz", "'a'$'\\177''z'"},
      {"a\n", "'a'$'\\n'"},
      // Valid UTF-8 stays inside the quotes; a byte that is not UTF-8 goes out as octal.
      {"\xc3\xa9 x", "'\xc3\xa9 x'"},
      {"caf\xe9", "'caf'$'\\351'"},
      {"a\xc3\xa9\xffz", "'a\xc3\xa9'$'\\377''z'"},
  };
  for (const TQuoteCase& Case : Cases)
    ExpectQuoted(Case);
}

TEST_F(ShellQuoting, QuotesTheRestAsGnuDoes) {
  InLocale("C.UTF-8");
  const TQuoteCase Cases[] = {
      // ':', '=' and '^' are quoted; ']', and '#', '~', '{', '}' away from where they matter,
      // are not.
      {"a:b", "'a:b'"},
      {"a=b", "'a=b'"},
      {"a^b", "'a^b'"},
      {"a]b", "a]b"},
      {"a#b", "a#b"},
      {"a~b", "a~b"},
      {"a{b}", "a{b}"},
      // Printable characters beyond ASCII need no quotes.
      {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
      // A single quote with nothing else to escape: between double quotes.
      {"it's", "\"it's\""},
      {"'", "\"'\""},
      {"a'b c", "\"a'b c\""},
      // A name that begins with an escape opens with '', consecutive escapes share one $'...',
      // and C's named escapes are used.
      {"\n", "''$'\\n'"},
      {"\x1b[0m", "''$'\\033''[0m'"},
      {"a\n\nb", "'a'$'\\n\\n''b'"},
      {"\a\b\f\v", "''$'\\a\\b\\f\\v'"},
      {"\xe9", "''$'\\351'"},
      {"a\xe9\xe9z", "'a'$'\\351\\351''z'"},
      // Byte sequences that are not characters: cut short, overlong, a surrogate, beyond
      // U+10FFFF, and characters that are not printable (U+0080, U+2028, U+FFFF).
      {"\xe2\x82z", "''$'\\342\\202''z'"},
      {"\xc0\xaf", "''$'\\300\\257'"},
      {"\xe0\x80\xaf", "''$'\\340\\200\\257'"},
      {"\xed\xa0\x80", "''$'\\355\\240\\200'"},
      {"\xf4\x90\x80\x80", "''$'\\364\\220\\200\\200'"},
      {"\xc2\x80", "''$'\\302\\200'"},
      {"\xe2\x80\xa8", "''$'\\342\\200\\250'"},
      {"\xef\xbf\xbf", "''$'\\357\\277\\277'"},
      // A single quote next to an escape or at the end.
      {"a\"b'", "'a\"b'\\'''"},
      {"'\n", "''\\'''$'\\n'"},
      {"a'\nb", "'a'\\'''$'\\n''b'"},
      {"it's\n", "'''it'\\''s'$'\\n'"},
  };
  for (const TQuoteCase& Case : Cases)
    ExpectQuoted(Case);
}

// Every printable ASCII character but the single quote, in the middle of a name, at its start
// and alone, against the three sets GNU sorts them into.
TEST_F(ShellQuoting, SortsPunctuationAsGnuDoes) {
  constexpr std::string_view QuotedAnywhere = " !\"$&()*:;<=>?[\\^`|";
  constexpr std::string_view QuotedFirst = "#~";
  constexpr std::string_view QuotedAlone = "{}";
  const auto Expected = [](const std::string& Name, bool Quoted) {
    return Quoted ? "'" + Name + "'" : Name;
  };
  for (char C = ' '; C <= '~'; ++C) {
    if (C == '\'')
      continue;
    const bool Anywhere = QuotedAnywhere.find(C) != std::string_view::npos;
    const bool First = Anywhere || QuotedFirst.find(C) != std::string_view::npos;
    const bool Alone = First || QuotedAlone.find(C) != std::string_view::npos;
    const std::string Inside = "a"s + C + "b", Leading = C + "a"s, Single(1, C);
    ExpectQuoted({Inside, Expected(Inside, Anywhere)});
    ExpectQuoted({Leading, Expected(Leading, First)});
    ExpectQuoted({Single, Expected(Single, Alone)});
  }
}

// In the C locale no byte above 127 is a printable character: every one is escaped.
TEST_F(ShellQuoting, EscapesEveryByteBeyondAsciiInTheCLocale) {
  InLocale("C");
  const TQuoteCase Cases[] = {
      {"\xc3\xa9t\xc3\xa9", "''$'\\303\\251''t'$'\\303\\251'"},
      {"a\xe9"
       "b",
       "'a'$'\\351''b'"},
      {"it's", "\"it's\""},
      {"caf\xc3\xa9's", "'caf'$'\\303\\251'\\''s'"},
      {"a@b", "a@b"},
  };
  for (const TQuoteCase& Case : Cases)
    ExpectQuoted(Case);
}

// Typographic quotes in a UTF-8 locale; within them C's escapes for the backslash, the closing
// quote and what does not print, by name where C has one, else in octal (a byte that begins no
// character too).
TEST_F(ShellQuoting, QuotesArgumentsAsGnuDoes) {
  InLocale("C.UTF-8");
  const std::string Open = "\xe2\x80\x98", Close = "\xe2\x80\x99";
  const TQuoteCase Cases[] = {
      {"7", Open + "7" + Close},
      {"", Open + Close},
      {"a b", Open + "a b" + Close},
      {"a'b", Open + "a'b" + Close},
      {"''", Open + "''" + Close},
      {"a\"b", Open + "a\"b" + Close},
      {"?\?=", Open + "?\?=" + Close},
      {"a\\b", Open + "a\\\\b" + Close},
      {"a" + Close + "b", Open + "a\\" + Close + "b" + Close},
      {Close, Open + "\\" + Close + Close},
      {"a" + Open + "b", Open + "a" + Open + "b" + Close},
      {"a\tb\n", Open + "a\\tb\\n" + Close},
      {"\a\b\f\v\r", Open + "\\a\\b\\f\\v\\r" + Close},
      {"\x01\x1b\x7f", Open + "\\001\\033\\177" + Close},
      {"\xc3\xa9t\xc3\xa9", Open + "\xc3\xa9t\xc3\xa9" + Close},
      {"caf\xe9", Open + "caf\\351" + Close},
      {"a\xc3", Open + "a\\303" + Close},
      {"\xc2\x80", Open + "\\302\\200" + Close},
      {"\xe2\x80\xa8", Open + "\\342\\200\\250" + Close},
  };
  for (const TQuoteCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Name));
    EXPECT_EQ(LocaleQuote(Case.Name), Case.Quoted);
  }
}

// Apostrophes in the C locale, the one within escaped, and every byte beyond ASCII in octal.
TEST_F(ShellQuoting, QuotesArgumentsAsGnuDoesInTheCLocale) {
  InLocale("C");
  const TQuoteCase Cases[] = {
      {"7", "'7'"},
      {"", "''"},
      {"a'b", "'a\\'b'"},
      {"''", "'\\'\\''"},
      {"a\\b", "'a\\\\b'"},
      {"a\tb\n", "'a\\tb\\n'"},
      {"\xc3\xa9t\xc3\xa9", "'\\303\\251t\\303\\251'"},
      {"a\xe2\x80\x99"
       "b",
       "'a\\342\\200\\231b'"},
  };
  for (const TQuoteCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Name));
    EXPECT_EQ(LocaleQuote(Case.Name), Case.Quoted);
  }
}

} // namespace
