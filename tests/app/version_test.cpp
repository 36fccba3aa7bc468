// The version as the programs show it: the version block of the Windows program (its numbers, the
// texts beside them, its manifest) and the first line of sumtide-sum --version name one version.

#include "version/Version.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using TVersion = std::vector<unsigned>;

// The numbers of a version written "1.2.0.0"; empty when Text is no such thing.
TVersion ParseVersion(std::string_view Text) {
  TVersion Numbers;
  for (;;) {
    unsigned N = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), N);
    if (Error != std::errc() || End == Text.data())
      return {};
    Numbers.push_back(N);
    Text.remove_prefix(static_cast<std::size_t>(End - Text.data()));
    if (Text.empty())
      return Numbers;
    if (Text.front() != '.')
      return {};
    Text.remove_prefix(1);
  }
}

// --- A compiled resource file (.res), as the resource compiler writes it for the linker.

std::uint32_t Word16(const std::vector<std::uint8_t>& B, std::size_t At) {
  if (At + 2 > B.size())
    throw std::out_of_range("past the end of the resource file");
  return B[At] | B[At + 1] << 8;
}
std::uint32_t Word32(const std::vector<std::uint8_t>& B, std::size_t At) {
  return Word16(B, At) | Word16(B, At + 2) << 16;
}
std::size_t Align4(std::size_t At) {
  return (At + 3) & ~std::size_t{3};
}

// A UTF-16 text ending with a null at At, as UTF-8; At moves past the null.
std::string Utf16At(const std::vector<std::uint8_t>& B, std::size_t& At) {
  std::string Text;
  for (std::uint32_t C; (C = Word16(B, At)) != 0; At += 2) {
    if (C < 0x80) {
      Text += static_cast<char>(C);
    } else if (C < 0x800) {
      Text += static_cast<char>(0xC0 | C >> 6);
      Text += static_cast<char>(0x80 | (C & 0x3F));
    } else {
      Text += static_cast<char>(0xE0 | C >> 12);
      Text += static_cast<char>(0x80 | (C >> 6 & 0x3F));
      Text += static_cast<char>(0x80 | (C & 0x3F));
    }
  }
  At += 2;
  return Text;
}

// The data of the first resource of the numbered type TypeId.
std::vector<std::uint8_t> ResourceOfType(const std::vector<std::uint8_t>& Res,
                                         std::uint32_t TypeId) {
  for (std::size_t At = 0; At + 8 <= Res.size();) {
    const std::uint32_t DataSize = Word32(Res, At), HeaderSize = Word32(Res, At + 4);
    if (Word16(Res, At + 8) == 0xFFFF && Word16(Res, At + 10) == TypeId) {
      const auto Data = Res.begin() + static_cast<std::ptrdiff_t>(At + HeaderSize);
      if (At + HeaderSize + DataSize > Res.size())
        throw std::out_of_range("a resource runs past the end of the file");
      return {Data, Data + DataSize};
    }
    At = Align4(At + HeaderSize + DataSize);
  }
  return {};
}

// One node of a version block: a key, its value (text, or bytes), and the nodes under it.
struct TVersionNode {
  std::string Key;
  std::string Text;                // a text value, as UTF-8
  std::vector<std::uint8_t> Bytes; // a binary value
  std::vector<TVersionNode> Children;

  const TVersionNode& operator[](std::string_view Name) const {
    for (const TVersionNode& Child : Children)
      if (Child.Key == Name)
        return Child;
    throw std::out_of_range(Key + " has no " + std::string(Name));
  }
};

TVersionNode ReadVersionNode(const std::vector<std::uint8_t>& B, std::size_t At) {
  const std::size_t End = At + Word16(B, At);
  const std::uint32_t ValueLength = Word16(B, At + 2);
  const bool IsText = Word16(B, At + 4) == 1;
  std::size_t P = At + 6;
  TVersionNode Node;
  Node.Key = Utf16At(B, P);
  P = Align4(P);
  if (IsText && ValueLength > 0) {
    std::size_t Q = P;
    Node.Text = Utf16At(B, Q);
  } else if (!IsText) {
    if (P + ValueLength > B.size())
      throw std::out_of_range("a value runs past the end of the version block");
    Node.Bytes.assign(B.begin() + static_cast<std::ptrdiff_t>(P),
                      B.begin() + static_cast<std::ptrdiff_t>(P + ValueLength));
  }
  P = Align4(P + (IsText ? 2 * ValueLength : ValueLength));
  while (P < End) {
    Node.Children.push_back(ReadVersionNode(B, P));
    P = Align4(P + Word16(B, P));
  }
  return Node;
}

// The four numbers of a VS_FIXEDFILEINFO version: its high word, then its low word.
TVersion FixedVersion(const std::vector<std::uint8_t>& Fixed, std::size_t At) {
  const std::uint32_t High = Word32(Fixed, At), Low = Word32(Fixed, At + 4);
  return {High >> 16, High & 0xFFFF, Low >> 16, Low & 0xFFFF};
}

constexpr std::uint32_t RtVersion = 16, RtManifest = 24; // numbered resource types

// The resources of the Windows program, compiled as its build compiles them.
class VersionBlockTest : public ::testing::Test {
protected:
  void SetUp() override {
#ifdef SUMTIDE_VERSION_RESOURCE
    std::ifstream In(SUMTIDE_VERSION_RESOURCE, std::ios::binary);
    ASSERT_TRUE(In) << SUMTIDE_VERSION_RESOURCE;
    Res.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
    Block = ReadVersionNode(ResourceOfType(Res, RtVersion), 0);
    ASSERT_EQ(Block.Key, "VS_VERSION_INFO");
    ASSERT_EQ(Block.Bytes.size(), 52u);
    ASSERT_EQ(Word32(Block.Bytes, 0), 0xFEEF04BDu); // the fixed part's signature
#else
    GTEST_SKIP() << "no resource compiler for the Windows program was found";
#endif
  }
  std::vector<std::uint8_t> Res;
  TVersionNode Block;
};

// Windows shows the numbers of the fixed part as the file's version and the texts as its product
// version; the manifest names the program's assembly with a version too. All are one version,
// the one the build gives.
TEST_F(VersionBlockTest, TheNumbersAndTheTextsNameOneVersion) {
  const TVersion FileNumbers = FixedVersion(Block.Bytes, 8);
  EXPECT_EQ(FileNumbers, (TVersion{SUMTIDE_VERSION_MAJOR, SUMTIDE_VERSION_MINOR,
                                   SUMTIDE_VERSION_PATCH, SUMTIDE_VERSION_TWEAK}));

  const TVersionNode& Strings = Block["StringFileInfo"].Children.at(0);
  const std::vector<std::uint8_t> ManifestBytes = ResourceOfType(Res, RtManifest);
  const std::string Manifest(ManifestBytes.begin(), ManifestBytes.end());
  // The first assembly identity is the program's own; the others name what it depends on.
  const std::size_t Attribute = Manifest.find(" version=\"", Manifest.find("<assemblyIdentity"));
  ASSERT_NE(Attribute, std::string::npos) << Manifest;
  const std::size_t From = Attribute + 10;
  const std::string ManifestVersion = Manifest.substr(From, Manifest.find('"', From) - From);

  const struct {
    const char* Where;
    TVersion Numbers;
  } Shown[] = {
      {"product version (numbers)", FixedVersion(Block.Bytes, 16)},
      {"FileVersion", ParseVersion(Strings["FileVersion"].Text)},
      {"ProductVersion", ParseVersion(Strings["ProductVersion"].Text)},
      {"manifest", ParseVersion(ManifestVersion)},
  };
  for (const auto& S : Shown)
    EXPECT_EQ(S.Numbers, FileNumbers) << S.Where;
}

// Windows finds the texts by the language and code page the Translation entry names: the table's
// key must spell them, and the texts read back as written.
TEST_F(VersionBlockTest, TheTextsAreFoundUnderTheDeclaredTranslation) {
  const std::vector<std::uint8_t>& Translation = Block["VarFileInfo"]["Translation"].Bytes;
  ASSERT_EQ(Translation.size(), 4u);
  char Key[9];
  std::snprintf(Key, sizeof Key, "%04X%04X", Word16(Translation, 0), Word16(Translation, 2));
  const TVersionNode& Strings = Block["StringFileInfo"];
  ASSERT_TRUE(std::any_of(Strings.Children.begin(), Strings.Children.end(),
                          [&](const TVersionNode& Table) { return Table.Key == Key; }))
      << "no table of texts under " << Key;
  EXPECT_EQ(Strings[Key]["FileDescription"].Text, "Somme de contr\xC3\xB4le MD5");
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

#ifdef SUMTIDE_SUM_PROGRAM
// sumtide-sum --version gives the version of the version block ("sumtide-sum (Sumtide) 1.2.0.0").
TEST(VersionTest, SumtideSumNamesTheSameVersion) {
  struct TClose {
    void operator()(std::FILE* F) const { ::pclose(F); }
  };
  const std::unique_ptr<std::FILE, TClose> Out(
      ::popen("'" SUMTIDE_SUM_PROGRAM "' --version 2>&1", "r"));
  ASSERT_NE(Out, nullptr);
  std::string Text;
  for (int C; (C = std::fgetc(Out.get())) != EOF;)
    Text += static_cast<char>(C);
  const std::string FirstLine = Text.substr(0, Text.find('\n'));
  const std::string Before = "sumtide-sum (Sumtide) ";
  ASSERT_EQ(FirstLine.substr(0, Before.size()), Before) << Text;
  EXPECT_EQ(ParseVersion(FirstLine.substr(Before.size())),
            (TVersion{SUMTIDE_VERSION_MAJOR, SUMTIDE_VERSION_MINOR, SUMTIDE_VERSION_PATCH,
                      SUMTIDE_VERSION_TWEAK}))
      << FirstLine;
}
#endif

} // namespace
