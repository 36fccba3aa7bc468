#include "TempDir.h"
#include "rtl/FileStream.h"
#include "rtl/Stream.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace Sumtide {
namespace {

TEST(MemoryStreamTest, ReadsAndWritesReturnTheCountsMoved) {
  TMemoryStream S;
  EXPECT_EQ(S.Write("abcdef", 6), 6u);
  EXPECT_EQ(S.Position(), 6);
  S.SetPosition(2);
  char Buf[8] = {};
  EXPECT_EQ(S.Read(Buf, 8), 4u); // only what is left
  EXPECT_EQ(std::string(Buf, 4), "cdef");
  EXPECT_EQ(S.Read(Buf, 8), 0u);
  EXPECT_EQ(S.Size(), 6);
}

TEST(MemoryStreamTest, SeekingBeyondTheEndThenWritingFillsTheGapWithZeros) {
  TMemoryStream S;
  S.Seek(3, TSeekOrigin::soBeginning);
  S.WriteBuffer("x", 1);
  EXPECT_EQ(S.Data(), (std::vector<std::uint8_t>{0, 0, 0, 'x'}));
  EXPECT_THROW(S.Seek(-5, TSeekOrigin::soEnd), EStreamError);
  EXPECT_EQ(S.Seek(-1, TSeekOrigin::soEnd), 3);
}

TEST(MemoryStreamTest, ReadBufferRaisesOnAShortStream) {
  TMemoryStream S({1, 2, 3});
  std::uint8_t Buf[4];
  EXPECT_THROW(S.ReadBuffer(Buf, 4), EStreamError);
}

class FileStreamTest : public ::testing::Test {
protected:
  Sumtide::Test::TTempDir Temp{"sumtide-stream"};
  const std::filesystem::path Dir = Temp.Path();
};

TEST_F(FileStreamTest, WritesAFileAndReadsItBack) {
  const std::string Name = (Dir / "d\xC3\xA9j\xC3\xA0 vu.bin").string(); // non-ASCII name
  {
    TFileStream Out(Name, TFileMode::fmCreate);
    Out.WriteBuffer("checksum", 8);
  }
  TFileStream In(Name, TFileMode::fmOpenRead);
  EXPECT_EQ(In.Size(), 8);
  char Buf[16];
  EXPECT_EQ(In.Read(Buf, sizeof Buf), 8u);
  EXPECT_EQ(std::string(Buf, 8), "checksum");
  EXPECT_EQ(In.Read(Buf, sizeof Buf), 0u);
  EXPECT_THROW(In.WriteBuffer("x", 1), EStreamError); // opened for reading only
}

TEST_F(FileStreamTest, OpeningAMissingFileRaisesWithItsName) {
  const std::string Name = (Dir / "missing").string();
  try {
    TFileStream In(Name, TFileMode::fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& E) {
    EXPECT_NE(E.Message().find(Name), std::string::npos) << E.Message();
  }
}

} // namespace
} // namespace Sumtide
