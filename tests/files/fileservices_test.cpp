#include "TempDir.h"
#include "files/FileServices.h"
#include "files/InputFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
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
  TInputError Error;
  EXPECT_TRUE(TInputFile::Open("sub/inner", TFileKinds::RegularOnly, Error).has_value());
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
  for (const auto& [Label, Name] : Cases) {
    TInputError Error;
    EXPECT_FALSE(TInputFile::Open(Name, TFileKinds::RegularOnly, Error).has_value()) << Label;
    EXPECT_FALSE(Error.Text.empty()) << Label;
  }
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
  TInputError Error;
  auto F = TInputFile::Open(Name, TFileKinds::RegularOnly, Error);
  ASSERT_TRUE(F);
  ASSERT_TRUE(F->OpenedStamp());
  EXPECT_EQ(F->OpenedStamp()->Size, 4294967297);
  constexpr std::int64_t MiB = 1 << 20;
  std::vector<char> Buf(MiB, '#');
  EXPECT_EQ(F->Read(Buf.data(), MiB, Error), MiB);
  EXPECT_TRUE(std::all_of(Buf.begin(), Buf.end(), [](char B) { return B == 0; }));
}

TEST_F(FileServicesTest, MovingHandsTheFileAndItsPositionOver) {
  TInputError Error;
  auto F = TInputFile::Open(WriteFile("abc", "abc"), TFileKinds::RegularOnly, Error);
  ASSERT_TRUE(F);
  TInputFile Moved = std::move(*F);
  char Buf[3];
  EXPECT_EQ(Moved.Read(Buf, 1, Error), 1);
  *F = std::move(Moved);
  EXPECT_EQ(F->Read(Buf, 3, Error), 2);
  EXPECT_EQ(std::string(Buf, 2), "bc");
}

TEST_F(FileServicesTest, PermissionDenialIsQuiet) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads and searches regardless of permissions";
  const std::string Locked = WriteFile("locked", "x");
  ASSERT_EQ(::chmod(Locked.c_str(), 0), 0);
  TInputError Error;
  EXPECT_FALSE(TInputFile::Open(Locked, TFileKinds::RegularOnly, Error).has_value());
  EXPECT_EQ(Error.Text, "Permission denied");

  fs::create_directory(Path("closed"));
  const std::string Inside = WriteFile("closed/inside", "x");
  ASSERT_EQ(::chmod(Path("closed").c_str(), 0), 0);
  EXPECT_FALSE(FileExists(Inside));
  EXPECT_FALSE(TInputFile::Open(Inside, TFileKinds::RegularOnly, Error).has_value());
  ::chmod(Path("closed").c_str(), 0700); // so that the folder can be removed
}

TEST(FileServicesReadErrorTest, AFailingReadGivesTheSystemsWords) {
  // Our own memory seen as a file: a regular file whose first page is unmapped, so reading it
  // from offset 0 fails with EIO.
  TInputError Error;
  auto F = TInputFile::Open("/proc/self/mem", TFileKinds::RegularOnly, Error);
  if (!F)
    GTEST_SKIP() << "/proc/self/mem cannot be opened here";
  char Buf[16];
  EXPECT_EQ(F->Read(Buf, sizeof Buf, Error), -1);
  EXPECT_EQ(Error.Text, "Input/output error");
  EXPECT_FALSE(Error.Missing);
}

} // namespace
} // namespace Sumtide
