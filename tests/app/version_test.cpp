#include "app/Version.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The text of the version is the four numbers the version block also holds, in order.
TEST(VersionTest, TheTextSpellsTheFourNumbers) {
  const std::string Joined =
      std::to_string(SUMTIDE_VERSION_MAJOR) + "." + std::to_string(SUMTIDE_VERSION_MINOR) + "." +
      std::to_string(SUMTIDE_VERSION_PATCH) + "." + std::to_string(SUMTIDE_VERSION_TWEAK);
  EXPECT_EQ(SUMTIDE_VERSION_TEXT, Joined);
}

// The block's texts are in the code page it declares: read as code page 1252, the description is
// the French text the window's users read.
TEST(VersionTest, TheTextsAreInTheDeclaredCodePage) {
  ASSERT_EQ(SUMTIDE_VERSION_CODEPAGE, 1252);
  std::string Utf8;
  for (const char C : std::string(SUMTIDE_FILE_DESCRIPTION)) {
    const auto Byte = static_cast<unsigned char>(C);
    ASSERT_TRUE(Byte < 0x80 || Byte >= 0xA0) << "no code page 1252 letter: " << int{Byte};
    if (Byte < 0x80) {
      Utf8 += C;
    } else { // from 0xA0 on, code page 1252 is Latin-1
      Utf8 += static_cast<char>(0xC0 | Byte >> 6);
      Utf8 += static_cast<char>(0x80 | (Byte & 0x3F));
    }
  }
  EXPECT_EQ(Utf8, "Somme de contr\xC3\xB4le MD5");
  for (const char* Text : {SUMTIDE_COMPANY_NAME, SUMTIDE_INTERNAL_NAME, SUMTIDE_ORIGINAL_FILENAME,
                           SUMTIDE_PRODUCT_NAME, SUMTIDE_COMMENTS})
    for (const char C : std::string(Text))
      EXPECT_LT(static_cast<unsigned char>(C), 0x80) << Text;
}

} // namespace
