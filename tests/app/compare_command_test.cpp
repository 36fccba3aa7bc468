#include "WindowFixture.h"

#include <string>

namespace Sumtide::Test {
namespace {

constexpr const char* AbcSum = "900150983CD24FB0D6963F7D28E17F72";
constexpr const char* AbcLower = "900150983cd24fb0d6963f7d28e17f72";

const Headless::TMessageBoxRecord Same{"Les sommes de contr\xC3\xB4le MD5 sont identiques.", "",
                                       Toolkit::TMessageKind::Information};
const Headless::TMessageBoxRecord Different{
    "Les sommes de contr\xC3\xB4le MD5 sont diff\xC3\xA9rentes.", "", Toolkit::TMessageKind::Error};

class CompareCommandTest : public WindowFixture {
protected:
  void SetUp() override {
    WindowFixture::SetUp();
    Calculate(MakeFile("abc.txt", "abc"));
    ASSERT_EQ(Text("Edit1"), AbcSum);
  }
};

// Only bytes 0 to 32 are trimmed, and the trimmed text goes back into the field as it is; the
// comparison ignores the case of letters and nothing else.
TEST_F(CompareCommandTest, TrimsTheExpectedChecksumAndComparesItWithoutRegardToCase) {
  struct TCase {
    std::string Typed, Trimmed;
    bool Equal;
  };
  const std::string Abc = AbcSum, Lower = AbcLower;
  const TCase Cases[] = {
      {"", "", false},
      {"   ", "", false},
      {"\t \t", "", false},
      {Abc, Abc, true},
      {Lower, Lower, true},
      {"900150983Cd24fB0D6963F7D28E17F72", "900150983Cd24fB0D6963F7D28E17F72", true},
      {"  " + Lower + "  ", Lower, true},
      {Abc + "\t", Abc, true},
      {Abc + "\r\n", Abc, true},
      {"\x01\x1F" + Abc + std::string(1, '\0') + "\x1F", Abc, true},
      {Abc + "\xC2\xA0", Abc + "\xC2\xA0", false}, // no-break space
      {"\xC2\xA0" + Abc, "\xC2\xA0" + Abc, false},
      {Abc + "\x7F", Abc + "\x7F", false}, // DEL
      {"90015098 3CD24FB0 D6963F7D 28E17F72", "90015098 3CD24FB0 D6963F7D 28E17F72", false},
      {"90015098-3CD24FB0-D6963F7D-28E17F72", "90015098-3CD24FB0-D6963F7D-28E17F72", false},
      {"0x" + Abc, "0x" + Abc, false},
      {Abc.substr(0, 31), Abc.substr(0, 31), false},
      {Abc + "0", Abc + "0", false},
      {"0" + Abc, "0" + Abc, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE("typed: \"" + C.Typed + "\"");
    Kit.MessageBoxes.clear();
    const int Edit2Writes = Writes("Edit2");
    Compare(C.Typed);
    EXPECT_EQ(Text("Edit2"), C.Trimmed);
    EXPECT_EQ(Writes("Edit2"), Edit2Writes + (C.Typed == C.Trimmed ? 0 : 1));
    EXPECT_EQ(Kit.MessageBoxes, (std::vector{C.Equal ? Same : Different}));
    EXPECT_EQ(Text("Edit1"), AbcSum);
  }
}

TEST_F(CompareCommandTest, PressingTwiceGivesTheSameAnswerAndTrimsOnce) {
  Compare("  " + std::string(AbcLower) + "\t");
  const int Edit2Writes = Writes("Edit2");
  const int Edit1Writes = Writes("Edit1");
  ASSERT_TRUE(Kit.Click("Button3"));
  EXPECT_EQ(Writes("Edit2"), Edit2Writes);
  EXPECT_EQ(Writes("Edit1"), Edit1Writes);
  EXPECT_EQ(Text("Edit2"), AbcLower);
  EXPECT_EQ(Kit.MessageBoxes, (std::vector{Same, Same}));
}

TEST_F(CompareCommandTest, ComparesWithTheLastChecksumShownAfterAFailedRun) {
  Calculate(PathOf("missing"));
  Compare(AbcSum);
  Compare("D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(Kit.MessageBoxes, (std::vector{Same, Different}));
}

} // namespace
} // namespace Sumtide::Test
