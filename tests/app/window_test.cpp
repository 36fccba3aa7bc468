#include "WindowFixture.h"

namespace Sumtide::Test {
namespace {

using WindowTest = WindowFixture;

TEST_F(WindowTest, CalculerShowsTheChecksumAndEnablesComparer) {
  EXPECT_FALSE(Enabled("Button3"));
  Calculate(MakeFile("abc.txt", "abc"));
  EXPECT_EQ(Text("Edit1"), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_TRUE(Enabled("Button3"));
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

} // namespace
} // namespace Sumtide::Test
