#include "TempDir.h"
#include "files/FileServices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace Sumtide {
namespace {

namespace fs = std::filesystem;

// Makes the current directory another one until the end of the scope.
class TScopedChdir {
public:
  explicit TScopedChdir(const fs::path& Dir) : FSaved(fs::current_path()) { fs::current_path(Dir); }
  TScopedChdir(const TScopedChdir&) = delete;
  TScopedChdir& operator=(const TScopedChdir&) = delete;
  ~TScopedChdir() { fs::current_path(FSaved); }

private:
  fs::path FSaved;
};

class FileServicesTest : public ::testing::Test {
protected:
  Sumtide::Test::TTempDir Temp{"sumtide-files"};
  const std::filesystem::path Dir = Temp.Path();

  std::string Path(const std::string& Name) const { return Dir.string() + "/" + Name; }

  std::string WriteFile(const std::string& Name, const std::string& Content) const {
    const std::string Full = Path(Name);
    const int Fd = ::open(Full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(Fd, 0) << Full;
    EXPECT_EQ(::write(Fd, Content.data(), Content.size()), static_cast<ssize_t>(Content.size()));
    ::close(Fd);
    return Full;
  }

  std::string MakeSocket(const std::string& Name) const {
    const std::string Full = Path(Name);
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    EXPECT_LT(Full.size(), sizeof Address.sun_path);
    std::memcpy(Address.sun_path, Full.c_str(), Full.size() + 1);
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_GE(Fd, 0);
    EXPECT_EQ(::bind(Fd, reinterpret_cast<const sockaddr*>(&Address), sizeof Address), 0);
    ::close(Fd); // the socket's entry stays in the folder
    return Full;
  }
};

struct TExistsCase {
  std::string Label;
  std::string Name;
  bool Expected;
};

TEST_F(FileServicesTest, FileExistsOnlyForRegularFilesNamedLiterally) {
  const std::string Plain = WriteFile("plain", "data");
  WriteFile("empty", "");
  WriteFile("star*", "x");
  WriteFile("what?", "x");
  WriteFile("new\nline", "x");
  WriteFile("  spaced  ", "x");
  WriteFile("bad\xFF\xFEutf8", "x");
  const std::string Locked = WriteFile("locked", "x");
  ASSERT_EQ(::chmod(Locked.c_str(), 0), 0);
  fs::create_directory(Path("folder"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  MakeSocket("socket");
  fs::create_symlink(Plain, Path("to-file"));
  fs::create_symlink(Path("folder"), Path("to-folder"));
  fs::create_symlink(Path("nowhere"), Path("dangling"));
  fs::create_symlink(Path("loop-b"), Path("loop-a"));
  fs::create_symlink(Path("loop-a"), Path("loop-b"));

  // Over 4096 bytes of short components that still lead to the plain file.
  std::string Long = Dir.string() + "/";
  while (Long.size() <= 4096)
    Long += "./";
  Long += "plain";

  const std::vector<TExistsCase> Cases = {
      {"regular file", Plain, true},
      {"empty file", Path("empty"), true},
      {"unreadable file still exists", Locked, true},
      {"star in the name", Path("star*"), true},
      {"star is no wildcard", Path("st*"), false},
      {"question mark in the name", Path("what?"), true},
      {"question mark is no wildcard", Path("p?ain"), false},
      {"newline in the name", Path("new\nline"), true},
      {"spaces kept", Path("  spaced  "), true},
      {"spaces not trimmed away", Path("spaced"), false},
      {"invalid UTF-8 bytes", Path("bad\xFF\xFEutf8"), true},
      {"quotes are part of the name", Path("\"plain\""), false},
      {"quoted whole path", "\"" + Plain + "\"", false},
      {"no such entry", Path("missing"), false},
      {"directory", Path("folder"), false},
      {"FIFO", Path("fifo"), false},
      {"socket", Path("socket"), false},
      {"character device", "/dev/zero", false},
      {"null device", "/dev/null", false},
      {"symlink to a file", Path("to-file"), true},
      {"symlink to a directory", Path("to-folder"), false},
      {"dangling symlink", Path("dangling"), false},
      {"symlink loop", Path("loop-a"), false},
      {"NUL after an existing name", Plain + std::string("\0tail", 5), false},
      {"NUL at the end", Plain + std::string(1, '\0'), false},
      {"empty name", "", false},
      {"component too long", Path(std::string(300, 'a')), false},
      {"path too long", Long, false},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(FileExists(C.Name), C.Expected) << C.Label;
}

TEST_F(FileServicesTest, RelativeNamesResolveAgainstTheCurrentDirectory) {
  WriteFile("here", "x");
  fs::create_directory(Path("sub"));
  WriteFile("sub/inner", "x");
  TScopedChdir InDir(Dir);
  EXPECT_TRUE(FileExists("here"));
  EXPECT_TRUE(FileExists("./sub/inner"));
  EXPECT_TRUE(FileExists("sub/../here"));
  EXPECT_FALSE(FileExists("inner"));
  EXPECT_TRUE(TReadOnlyFile::Open("sub/inner").has_value());
}

TEST_F(FileServicesTest, ReadsAWholeFile) {
  const std::string Content = "The quick brown fox\n\0\xFF tail";
  auto F = TReadOnlyFile::Open(WriteFile("data", Content));
  ASSERT_TRUE(F);
  EXPECT_TRUE(F->IsOpen());
  EXPECT_EQ(F->Size(), static_cast<std::int64_t>(Content.size()));
  std::string Buf(Content.size(), '\0');
  EXPECT_EQ(F->Read(Buf.data(), F->Size()), F->Size());
  EXPECT_EQ(Buf, Content);
  EXPECT_EQ(F->Read(Buf.data(), 1), 0); // at the end
}

TEST_F(FileServicesTest, AnEmptyFileHasSizeZeroAndNothingToRead) {
  auto F = TReadOnlyFile::Open(WriteFile("empty", ""));
  ASSERT_TRUE(F);
  EXPECT_EQ(F->Size(), 0);
  char Buf[4];
  EXPECT_EQ(F->Read(Buf, sizeof Buf), 0);
}

struct TReadCase {
  std::int64_t Count;
  std::int64_t Expected;
};

TEST_F(FileServicesTest, ReadReturnsWhatItReadAndWritesNothingBeyond) {
  const std::string Content = "0123456789";
  const std::string Name = WriteFile("ten", Content);
  const std::vector<TReadCase> Cases = {
      {-5, 0}, {0, 0}, {1, 1}, {7, 7}, {10, 10}, {11, 10}, {32, 10},
  };
  for (const auto& C : Cases) {
    auto F = TReadOnlyFile::Open(Name);
    ASSERT_TRUE(F);
    std::vector<char> Buf(48, '#');
    EXPECT_EQ(F->Read(Buf.data(), C.Count), C.Expected) << "Count " << C.Count;
    const auto Got = static_cast<std::size_t>(C.Expected);
    EXPECT_EQ(std::string(Buf.data(), Got), Content.substr(0, Got)) << "Count " << C.Count;
    EXPECT_TRUE(std::all_of(Buf.begin() + C.Expected, Buf.end(), [](char B) { return B == '#'; }))
        << "Count " << C.Count;
  }
}

TEST_F(FileServicesTest, ReadsContinueFromThePosition) {
  auto F = TReadOnlyFile::Open(WriteFile("abc", "abcdefg"));
  ASSERT_TRUE(F);
  char Buf[8] = {};
  EXPECT_EQ(F->Read(Buf, 3), 3);
  EXPECT_EQ(F->Read(Buf + 3, 8), 4);
  EXPECT_EQ(std::string(Buf, 7), "abcdefg");
}

TEST_F(FileServicesTest, AFileThatShrankAfterTheOpenYieldsFewerBytes) {
  const std::string Name = WriteFile("shrinks", std::string(100, 's'));
  auto F = TReadOnlyFile::Open(Name);
  ASSERT_TRUE(F);
  ASSERT_EQ(::truncate(Name.c_str(), 40), 0);
  EXPECT_EQ(F->Size(), 100); // as it was at the open
  std::vector<char> Buf(100);
  EXPECT_EQ(F->Read(Buf.data(), 100), 40);
}

TEST_F(FileServicesTest, AFileThatGrewAfterTheOpenYieldsAtMostCount) {
  const std::string Name = WriteFile("grows", std::string(10, 'g'));
  auto F = TReadOnlyFile::Open(Name);
  ASSERT_TRUE(F);
  {
    const int Fd = ::open(Name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(Fd, 0);
    ASSERT_EQ(::write(Fd, std::string(90, 'G').data(), 90), 90);
    ::close(Fd);
  }
  EXPECT_EQ(F->Size(), 10);
  std::vector<char> Buf(100, '#');
  EXPECT_EQ(F->Read(Buf.data(), 50), 50);
  EXPECT_EQ(std::string(Buf.data(), 50), std::string(10, 'g') + std::string(40, 'G'));
  EXPECT_EQ(Buf[50], '#');
}

TEST_F(FileServicesTest, OpenRefusesWhatIsNotARegularFile) {
  fs::create_directory(Path("folder"));
  // No writer is ever attached: an open that waited for one would never return.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  MakeSocket("socket");
  const std::string Plain = WriteFile("plain", "x");
  fs::create_symlink(Path("nowhere"), Path("dangling"));
  const std::vector<std::pair<std::string, std::string>> Cases = {
      {"directory", Path("folder")},
      {"FIFO without a writer", Path("fifo")},
      {"socket", Path("socket")},
      {"endless device", "/dev/zero"},
      {"null device", "/dev/null"},
      {"missing file", Path("missing")},
      {"dangling symlink", Path("dangling")},
      {"NUL after an existing name", Plain + std::string("\0tail", 5)},
      {"empty name", ""},
  };
  for (const auto& [Label, Name] : Cases)
    EXPECT_FALSE(TReadOnlyFile::Open(Name).has_value()) << Label;
}

TEST_F(FileServicesTest, SizesAndReadsBeyondFourGigabytes) {
  const std::string Name = WriteFile("sparse", "");
  constexpr std::int64_t Size = (std::int64_t{1} << 32) + 1;
  {
    const int Fd = ::open(Name.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(Fd, 0);
    const int Rc = ::ftruncate(Fd, Size);
    ::close(Fd);
    if (Rc != 0)
      GTEST_SKIP() << "the temporary folder cannot hold a sparse file of 4 GiB";
  }
  EXPECT_TRUE(FileExists(Name));
  auto F = TReadOnlyFile::Open(Name);
  ASSERT_TRUE(F);
  EXPECT_EQ(F->Size(), 4294967297);
  constexpr std::int64_t MiB = 1 << 20;
  std::vector<char> Buf(MiB, '#');
  EXPECT_EQ(F->Read(Buf.data(), MiB), MiB);
  EXPECT_TRUE(std::all_of(Buf.begin(), Buf.end(), [](char B) { return B == 0; }));
}

TEST_F(FileServicesTest, CloseIsIdempotentAndMovingHandsTheFileOver) {
  auto F = TReadOnlyFile::Open(WriteFile("abc", "abc"));
  ASSERT_TRUE(F);
  TReadOnlyFile Moved = std::move(*F);
  EXPECT_FALSE(F->IsOpen());
  ASSERT_TRUE(Moved.IsOpen());
  EXPECT_EQ(Moved.Size(), 3);
  char Buf[3];
  EXPECT_EQ(Moved.Read(Buf, 1), 1);
  *F = std::move(Moved); // the position travels with the file
  EXPECT_EQ(F->Read(Buf, 3), 2);
  F->Close();
  F->Close();
  EXPECT_FALSE(F->IsOpen());
  EXPECT_THROW(F->Read(Buf, 1), EFileReadError);
}

TEST_F(FileServicesTest, PermissionDenialIsQuiet) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads and searches regardless of permissions";
  const std::string Locked = WriteFile("locked", "x");
  ASSERT_EQ(::chmod(Locked.c_str(), 0), 0);
  EXPECT_FALSE(TReadOnlyFile::Open(Locked).has_value());

  fs::create_directory(Path("closed"));
  const std::string Inside = WriteFile("closed/inside", "x");
  ASSERT_EQ(::chmod(Path("closed").c_str(), 0), 0);
  EXPECT_FALSE(FileExists(Inside));
  EXPECT_FALSE(TReadOnlyFile::Open(Inside).has_value());
  ::chmod(Path("closed").c_str(), 0700); // so that the folder can be removed
}

TEST(FileServicesReadErrorTest, NamesTheFileAsGiven) {
  const EFileReadError E("/tmp/d\xC3\xA9j\xC3\xA0.bin");
  EXPECT_EQ(E.FileName(), "/tmp/d\xC3\xA9j\xC3\xA0.bin");
  EXPECT_EQ(E.Message(), "cannot read the file \"/tmp/d\xC3\xA9j\xC3\xA0.bin\"");
}

TEST(FileServicesReadErrorTest, AFailingReadRaisesIt) {
  // Our own memory seen as a file: a regular file whose first page is unmapped, so reading it
  // from offset 0 fails with EIO.
  auto F = TReadOnlyFile::Open("/proc/self/mem");
  if (!F)
    GTEST_SKIP() << "/proc/self/mem cannot be opened here";
  char Buf[16];
  try {
    F->Read(Buf, sizeof Buf);
    FAIL() << "reading unmapped memory succeeded";
  } catch (const EFileReadError& E) {
    EXPECT_EQ(E.FileName(), "/proc/self/mem");
  }
}

// --- Mapped windows.

// Collects what ConsumeMapped hands over.
struct TCollector {
  std::string Bytes;
  int Calls = 0;

  static void Consume(void* Self, const std::uint8_t* Bytes, std::size_t Count) {
    auto& C = *static_cast<TCollector*>(Self);
    ++C.Calls;
    C.Bytes.append(reinterpret_cast<const char*>(Bytes), Count);
  }
};

TEST_F(FileServicesTest, MappedWindowsHoldTheFileBytesAndLeaveTheReadPosition) {
  const auto Page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
  std::string Content(static_cast<std::size_t>(3 * Page + 123), '\0');
  for (std::size_t I = 0; I < Content.size(); ++I)
    Content[I] = static_cast<char>(I * 7 + I / 251);
  const auto Size = static_cast<std::int64_t>(Content.size());
  auto F = TReadOnlyFile::Open(WriteFile("mapped", Content));
  ASSERT_TRUE(F);
  struct TCase {
    std::int64_t Offset, Length;
    bool Mapped;
  };
  const TCase Cases[] = {
      {0, Size, true},      {Page + 1, Page + 5, true}, {Size - 1, 1, true},
      {0, Size + 1, false}, {Size, 1, false},           {-1, 2, false},
      {5, 0, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << "offset " << C.Offset << ", length " << C.Length);
    TCollector Got;
    EXPECT_EQ(F->ConsumeMapped(C.Offset, C.Length, TCollector::Consume, &Got), C.Mapped);
    if (C.Mapped)
      EXPECT_EQ(Got.Bytes, Content.substr(static_cast<std::size_t>(C.Offset),
                                          static_cast<std::size_t>(C.Length)));
    else
      EXPECT_EQ(Got.Calls, 0);
  }
  char First[4] = {};
  EXPECT_EQ(F->Read(First, 4), 4);
  EXPECT_EQ(std::string(First, 4), Content.substr(0, 4));
  F->Rewind();
  EXPECT_EQ(F->Read(First, 4), 4);
  EXPECT_EQ(std::string(First, 4), Content.substr(0, 4));
}

// Truncated while its window is consumed, the file's vanished pages fault: the consume ends with
// false instead of the process, and mapping goes on working afterwards.
TEST_F(FileServicesTest, AFileThatShrinksWhileMappedEndsTheConsumeNotTheProcess) {
  const std::string Name = WriteFile("shrinking", std::string(1 << 20, 'x'));
  auto F = TReadOnlyFile::Open(Name);
  ASSERT_TRUE(F);
  // Owns nothing while it touches the bytes: the fault jumps straight out of it.
  struct TShrinkThenSum {
    const char* Name;
    int Calls = 0;
    unsigned Sum = 0;
    static void Consume(void* Self, const std::uint8_t* Bytes, std::size_t Count) {
      auto& S = *static_cast<TShrinkThenSum*>(Self);
      ++S.Calls;
      if (::truncate(S.Name, 0) != 0)
        return;
      for (std::size_t I = 0; I < Count; I += 512)
        S.Sum += static_cast<const volatile std::uint8_t*>(Bytes)[I];
    }
  } Shrink{Name.c_str()};
  EXPECT_FALSE(F->ConsumeMapped(0, 1 << 20, TShrinkThenSum::Consume, &Shrink));
  EXPECT_EQ(Shrink.Calls, 1);
  EXPECT_EQ(std::filesystem::file_size(Name), 0u) << "the file was not shrunk";

  auto Other = TReadOnlyFile::Open(WriteFile("steady", "steady bytes"));
  ASSERT_TRUE(Other);
  TCollector Again;
  EXPECT_TRUE(Other->ConsumeMapped(0, 12, TCollector::Consume, &Again));
  EXPECT_EQ(Again.Bytes, "steady bytes");
}

// A fault outside the window being consumed is not taken for a shrinking file: it still ends the
// process as it would without the handler.
TEST_F(FileServicesTest, AFaultOutsideTheConsumedWindowIsNotCaught) {
  const std::string Name = WriteFile("outside", std::string(1 << 16, 'o'));
  auto F = TReadOnlyFile::Open(WriteFile("installs", "x"));
  ASSERT_TRUE(F);
  TCollector Installs;
  ASSERT_TRUE(F->ConsumeMapped(0, 1, TCollector::Consume, &Installs));
  EXPECT_DEATH(
      {
        const int Fd = ::open(Name.c_str(), O_RDONLY);
        auto* Bytes =
            static_cast<volatile char*>(::mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, Fd, 0));
        if (::ftruncate(::open(Name.c_str(), O_WRONLY), 0) == 0)
          std::printf("%d", Bytes[1 << 15]);
      },
      "");
}

} // namespace
} // namespace Sumtide
