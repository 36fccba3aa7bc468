#include "HashChecks.h"
#include "TempDir.h"
#include "checksum/DigestText.h"
#include "checksum/FileChecksum.h"
#include "files/ReadingSizes.h"
#include "rtl/Exception.h"
#include "scl/SCLmd5.h"

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Sumtide::Test {
namespace {

using Checksum::FileChecksum;
using Checksum::TStatus;

// A hash class of another digest size than MD5's: 48 bits, the count of bytes fed since Init
// (32 bits, low byte first) and their sum modulo 2^16. It shows that every byte went in once.
class TTallyHash : public TSCL_hash {
public:
  class TClass : public TSCL_hashclass {
  public:
    using TSCL_hashclass::TSCL_hashclass;
    std::int32_t GetHashSize() const override { return 48; }

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override { return new TTallyHash(AOwner); }
  };
  static const TClass& Class() {
    static const TClass Descriptor("TTallyHash", &TSCL_hash::Class(), {});
    return Descriptor;
  }
  const TComponentClass& ClassType() const override { return Class(); }
  using TSCL_hash::TSCL_hash;

  void Init() override { FCount = FSum = 0; }
  void Update(const void* Buffer, std::uint32_t Length) override {
    const auto* P = static_cast<const std::uint8_t*>(Buffer);
    FCount += Length;
    for (std::uint32_t I = 0; I < Length; ++I)
      FSum = static_cast<std::uint16_t>(FSum + P[I]);
  }
  void Final(void* Digest) override {
    auto* Out = static_cast<std::uint8_t*>(Digest);
    for (int I = 0; I < 4; ++I)
      Out[I] = static_cast<std::uint8_t>(FCount >> (8 * I));
    Out[4] = static_cast<std::uint8_t>(FSum);
    Out[5] = static_cast<std::uint8_t>(FSum >> 8);
  }

private:
  std::uint32_t FCount = 0;
  std::uint16_t FSum = 0;
};

std::vector<std::uint8_t> Tally(const std::string& Content) {
  TTallyHash Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr(Content);
  std::vector<std::uint8_t> Digest(6);
  Hash.Final(Digest.data());
  return Digest;
}

std::string Md5Hex(const std::string& Content) {
  return Md5Text(Content, true);
}

// The bytes of a file read with plain system calls, or nothing when a read fails.
std::optional<std::string> ReadDirectly(const std::string& Name) {
  const int Fd = ::open(Name.c_str(), O_RDONLY);
  if (Fd < 0)
    return std::nullopt;
  std::string Content;
  char Buffer[4096];
  ssize_t Got;
  while ((Got = ::read(Fd, Buffer, sizeof Buffer)) > 0)
    Content.append(Buffer, static_cast<std::size_t>(Got));
  ::close(Fd);
  if (Got < 0)
    return std::nullopt;
  return Content;
}

// Bytes no power of two divides into runs of equal values.
std::string Pattern(std::size_t Size) {
  std::string Content(Size, '\0');
  std::uint32_t X = 0x9E3779B9;
  for (char& Byte : Content) {
    X ^= X << 13;
    X ^= X >> 17;
    X ^= X << 5;
    Byte = static_cast<char>(X);
  }
  return Content;
}

// Records what the core reports, and runs a test's action at a chosen step.
class TRecordingProgress final : public Checksum::IProgress {
public:
  void Started(std::int64_t Total) override { Totals.push_back(Total); }
  bool Reached(std::int64_t Done, std::int64_t Total) override {
    Steps.emplace_back(Done, Total);
    if (Steps.size() == AtStep && Action)
      return Action();
    return true;
  }

  std::vector<std::int64_t> Totals;
  std::vector<std::pair<std::int64_t, std::int64_t>> Steps;
  std::size_t AtStep = 0;
  std::function<bool()> Action;
};

class FileChecksumTest : public ::testing::Test {
protected:
  // The file system stamps changes with a coarse clock: a file changed within the tick it was
  // written in keeps its times. Real changes come later than that; so do the tests'.
  static void AfterAClockTick() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

  std::string MakeFile(const std::string& Name, const std::string& Content) {
    const std::string Path = (Dir / Name).string();
    std::ofstream(Path, std::ios::binary) << Content;
    return Path;
  }

  TTempDir Temp{"sumtide-core"};
  const std::filesystem::path Dir = Temp.Path();
  TComponent Owner{nullptr};
};

TEST(DigestText, HexDigitsInEitherCase) {
  const std::uint8_t Bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(Checksum::DigestText(Bytes, Checksum::TLetterCase::Upper), "000FA5FF");
  EXPECT_EQ(Checksum::DigestText(Bytes, Checksum::TLetterCase::Lower), "000fa5ff");
  EXPECT_EQ(Checksum::DigestText({}, Checksum::TLetterCase::Upper), "");
}

// The digest has the size the class gives, whichever class it is, and the hash instance is
// owned by the given owner only while it runs.
TEST_F(FileChecksumTest, HashesWithAnyHashClassAndFreesTheInstance) {
  const std::string Content = Pattern((std::size_t{9} << 20) + 5); // read ahead
  const std::string Path = MakeFile("any.bin", Content);
  for (const TSCL_hashclassref Class : {static_cast<TSCL_hashclassref>(&TSCL_md5::Class()),
                                        static_cast<TSCL_hashclassref>(&TTallyHash::Class())}) {
    SCOPED_TRACE(std::string(Class->ClassName()));
    const Checksum::TResult Result = FileChecksum(Path, Class, &Owner, nullptr);
    ASSERT_EQ(Result.Status, TStatus::Done);
    ASSERT_EQ(Result.Digest.size(), static_cast<std::size_t>(Class->GetHashSize() / 8));
    if (Class == &TSCL_md5::Class())
      EXPECT_EQ(Checksum::DigestText(Result.Digest, Checksum::TLetterCase::Lower), Md5Hex(Content));
    else
      EXPECT_EQ(Result.Digest, Tally(Content));
    EXPECT_EQ(Owner.ComponentCount(), 0);
  }
}

TEST_F(FileChecksumTest, AClassWithoutADigestSizeIsRefused) {
  const std::string Path = MakeFile("abc", "abc");
  EXPECT_THROW(FileChecksum(Path, &TSCL_hash::Class(), &Owner, nullptr), Exception);
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

TEST_F(FileChecksumTest, NamesThatAreNoReadableFile) {
  std::filesystem::create_directory(Dir / "folder");
  const struct {
    std::string Name;
    TStatus Status;
  } Cases[] = {
      {"", TStatus::NotAFile},
      {(Dir / "missing").string(), TStatus::NotAFile},
      {(Dir / "folder").string(), TStatus::NotAFile},
      {"/dev/null", TStatus::NotAFile},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TRecordingProgress Progress;
    const Checksum::TResult Result = FileChecksum(C.Name, &TSCL_md5::Class(), &Owner, &Progress);
    EXPECT_EQ(Result.Status, C.Status);
    EXPECT_TRUE(Result.Digest.empty());
    EXPECT_TRUE(Progress.Totals.empty());
  }
}

// Linux refuses to read the link speed of the loopback interface: the file opens and its first
// read fails. A system whose loopback has a speed reads it: then the digest is of what it holds.
TEST_F(FileChecksumTest, AFileWhoseReadFailsGetsNoDigest) {
  const std::string Name = "/sys/class/net/lo/speed";
  struct stat Info {};
  if (::stat(Name.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode))
    GTEST_SKIP() << Name << " is no regular file here";
  const std::optional<std::string> Content = ReadDirectly(Name);
  const Checksum::TResult Result = FileChecksum(Name, &TSCL_md5::Class(), &Owner, nullptr);
  if (Content) {
    ASSERT_EQ(Result.Status, TStatus::Done);
    EXPECT_EQ(Checksum::DigestText(Result.Digest, Checksum::TLetterCase::Lower), Md5Hex(*Content));
  } else {
    EXPECT_EQ(Result.Status, TStatus::ReadFailed);
    EXPECT_TRUE(Result.Digest.empty());
  }
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

// Progress starts with the size, then comes after every piece; a false answer cancels and frees
// the instance.
TEST_F(FileChecksumTest, ReportsProgressAndStopsWhenCancelled) {
  constexpr auto Piece = static_cast<std::int64_t>(Reading::AheadPiece);
  const std::int64_t Size = 2 * Piece + 3;
  const std::string Path = MakeFile("steps.bin", Pattern(static_cast<std::size_t>(Size)));
  TRecordingProgress Progress;
  ASSERT_EQ(FileChecksum(Path, &TTallyHash::Class(), &Owner, &Progress).Status, TStatus::Done);
  EXPECT_EQ(Progress.Totals, std::vector<std::int64_t>{Size});
  const std::vector<std::pair<std::int64_t, std::int64_t>> Expected = {
      {Piece, Size}, {2 * Piece, Size}, {Size, Size}};
  EXPECT_EQ(Progress.Steps, Expected);

  TRecordingProgress Cancelling;
  Cancelling.AtStep = 1;
  Cancelling.Action = [] { return false; };
  const Checksum::TResult Result = FileChecksum(Path, &TTallyHash::Class(), &Owner, &Cancelling);
  EXPECT_EQ(Result.Status, TStatus::Cancelled);
  EXPECT_TRUE(Result.Digest.empty());
  EXPECT_EQ(Cancelling.Steps.size(), 1u);
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

// A file that changes while it is hashed gets no digest, whether it is read ahead or not: bytes
// rewritten, or the file cut short, which ends the reading before the size it had at the open.
TEST_F(FileChecksumTest, AFileThatChangesWhileHashedIsReported) {
  const auto Rewrite = [](const std::string& P) {
    std::fstream(P, std::ios::binary | std::ios::in | std::ios::out) << std::string(4096, 'w');
  };
  const auto Shrink = [](const std::string& P) { EXPECT_EQ(::truncate(P.c_str(), 4097), 0); };
  const struct {
    const char* Label;
    std::function<void(const std::string&)> Change;
  } Changes[] = {{"rewritten", Rewrite}, {"shrunk", Shrink}};
  for (const auto& C : Changes)
    for (const std::size_t Size : {std::size_t{100'000}, 5 * Reading::AheadPiece + 11}) {
      SCOPED_TRACE(testing::Message() << C.Label << ", size " << Size);
      const std::string Path = MakeFile("changes.bin", Pattern(Size));
      AfterAClockTick();
      TRecordingProgress Progress;
      Progress.AtStep = 1;
      Progress.Action = [&] {
        C.Change(Path);
        return true;
      };
      const Checksum::TResult Result = FileChecksum(Path, &TSCL_md5::Class(), &Owner, &Progress);
      EXPECT_EQ(Result.Status, TStatus::Changed);
      EXPECT_TRUE(Result.Digest.empty());
      EXPECT_EQ(Owner.ComponentCount(), 0);
    }
}

// A file that reports no size is read to its end, with progress counted against a total of 0.
TEST_F(FileChecksumTest, ReadsAFileThatReportsNoSizeToItsEnd) {
  const std::string Name = "/proc/self/status";
  std::ifstream In(Name, std::ios::binary);
  if (!In || std::filesystem::file_size(Name) != 0)
    GTEST_SKIP() << Name << " is not a pseudo-file of size 0 here";
  TRecordingProgress Progress;
  const Checksum::TResult Result = FileChecksum(Name, &TTallyHash::Class(), &Owner, &Progress);
  ASSERT_EQ(Result.Status, TStatus::Done);
  EXPECT_EQ(Progress.Totals, std::vector<std::int64_t>{0});
  const std::uint32_t Count = Result.Digest[0] | Result.Digest[1] << 8;
  EXPECT_GT(Count, 0u);
}

} // namespace
} // namespace Sumtide::Test
