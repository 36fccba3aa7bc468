// BLAKE3's lines as b3sum 1.2.0 writes them: names read as UTF-8 the lossy way, escaped behind a
// leading backslash only for a backslash or a line feed; and the digits alone of --no-names.
// Every expected line is what b3sum printed for a file of that name.

#include "cli/B3sumLines.h"
#include "cli/LossyUtf8.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Sumtide::Cli;

namespace {

using namespace std::string_literals;

// b3sum's digest of "abc", and its first four bytes (b3sum -l 4).
const std::string Abc = "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85";
const std::string Abc4 = "6437b3ac";
const std::string Fffd = "\xEF\xBF\xBD";

std::vector<std::uint8_t> Bytes(const std::string& Hex) {
  std::vector<std::uint8_t> Digest;
  for (std::size_t I = 0; I + 1 < Hex.size(); I += 2)
    Digest.push_back(static_cast<std::uint8_t>(std::stoi(Hex.substr(I, 2), nullptr, 16)));
  return Digest;
}

// Each stretch that cannot begin or continue a valid sequence becomes one U+FFFD; the byte that
// breaks a sequence begins the next stretch.
TEST(B3sumLines, ReadsNamesAsUtf8TheLossyWay) {
  struct TCase {
    std::string Text, Expected;
  };
  const TCase Cases[] = {
      {"", ""},
      {"plain ascii\t\x01\x7f", "plain ascii\t\x01\x7f"},
      {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
       "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"caf\xE9", "caf" + Fffd},
      {"\xFF\xFE", Fffd + Fffd},
      {"\x80\x80", Fffd + Fffd},
      // Cut short: one replacement for what was there, at the end or before another byte.
      {"\xE2\x82", Fffd},
      {"\xE2\x82x", Fffd + "x"},
      {"\xF0\x9F\x98", Fffd},
      {"\xC3", Fffd},
      {"\xE0\xA0", Fffd},
      {"\xC3\xC3\xA9", Fffd + "\xC3\xA9"},
      // Overlong forms, surrogates and code points past U+10FFFF: a replacement per byte.
      {"\xC0\x80", Fffd + Fffd},
      {"\xE0\x80\x80", Fffd + Fffd + Fffd},
      {"\xED\xA0\x80", Fffd + Fffd + Fffd},
      {"\xF4\x90\x80\x80", Fffd + Fffd + Fffd + Fffd},
      {"\xF5\x80", Fffd + Fffd},
      // The highest of each length are taken.
      {"\xED\x9F\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF", "\xED\x9F\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"},
      {"a\0b"s, "a\0b"s},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Text));
    EXPECT_EQ(LossyUtf8(Case.Text), Case.Expected);
  }
}

TEST(B3sumLines, WritesNamesAsB3sumDoes) {
  struct TCase {
    std::string Name, Hex;
    bool Binary;
    std::string Expected;
  };
  const TCase Cases[] = {
      {"abc", Abc, false, Abc + "  abc\n"},
      {"-", Abc, false, Abc + "  -\n"},
      {" lead", Abc4, false, Abc4 + "   lead\n"},
      {"back\\slash", Abc4, false, "\\" + Abc4 + "  back\\\\slash\n"},
      {"new\nline", Abc4, false, "\\" + Abc4 + "  new\\nline\n"},
      {"\\\n\\", Abc4, false, "\\" + Abc4 + "  \\\\\\n\\\\\n"},
      // A carriage return is written as it is, alone or among escapes.
      {"cr\rname", Abc4, false, Abc4 + "  cr\rname\n"},
      {"cr\r\\", Abc4, false, "\\" + Abc4 + "  cr\r\\\\\n"},
      {"caf\xE9", Abc4, false, Abc4 + "  caf" + Fffd + "\n"},
      {"\xFF\\", Abc4, false, "\\" + Abc4 + "  " + Fffd + "\\\\\n"},
      // b3sum -l 0: no digits.
      {"abc", "", false, "  abc\n"},
      {"back\\slash", "", false, "\\  back\\\\slash\n"},
      // sumtide-sum's -b marks the name as md5sum does.
      {"abc", Abc4, true, Abc4 + " *abc\n"},
      {"new\nline", Abc4, true, "\\" + Abc4 + " *new\\nline\n"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Name));
    EXPECT_EQ(B3sumLine(Case.Name, Bytes(Case.Hex), Case.Binary), Case.Expected);
  }
}

TEST(B3sumLines, WritesTheDigitsAloneForNoNames) {
  EXPECT_EQ(DigitsLine(Bytes(Abc), false), Abc + "\n");
  EXPECT_EQ(DigitsLine(Bytes(Abc4), true), Abc4 + "\0"s);
  EXPECT_EQ(DigitsLine({}, false), "\n");
}

} // namespace
