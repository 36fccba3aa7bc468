#include "WindowFixture.h"
#include "app/ChecksumDisplay.h"
#include "files/ReadingSizes.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Sumtide::Test {
namespace {

using namespace std::chrono_literals;

constexpr const char* AbcSum = "900150983CD24FB0D6963F7D28E17F72";
constexpr std::int64_t MiB = std::int64_t{1} << 20;
constexpr std::int64_t GiB = std::int64_t{1} << 30;
const std::string DisplayText = "Calcul de la somme de contr\xC3\xB4le MD5\xE2\x80\xA6";

using TSteps = std::vector<std::pair<std::int64_t, std::int64_t>>; // Done, Total

class ChecksumCommandTest : public WindowFixture {
protected:
  // The clock the runs are timed by is the test's: it stands still unless a test sets the time
  // or lets it move by PerReading at each reading (a run reads it as it starts and at each
  // piece), so that no run here shows the progress display because the machine is slow.
  void SetUp() override {
    WindowFixture::SetUp();
    TChecksumDisplay::SetClock([this] { return Now += PerReading; });
  }
  void TearDown() override {
    TChecksumDisplay::SetClock({});
    WindowFixture::TearDown();
  }
  TChecksumDisplay::TClock::time_point Now{};
  TChecksumDisplay::TClock::duration PerReading{};

  // Runs "Calculer" on Name and checks it ends silently, the window as it was.
  void ExpectRefused(const std::string& Name) {
    SCOPED_TRACE("refused: " + Name);
    const TWindowState Before = State();
    Calculate(Name);
    EXPECT_EQ(State(), Before);
    EXPECT_EQ(Text("Edit3"), Name);
    EXPECT_EQ(Kit.BusyDepth, 0);
  }

  // Runs "Calculer" on Name and checks it shows Sum, under a wait cursor, with no extra component
  // left behind.
  void ExpectHashed(const std::string& Name, const std::string& Sum) {
    SCOPED_TRACE("hashed: " + Name);
    const int Components = Form1->ComponentCount();
    const int Cursors = Kit.BusyCursorsShown;
    Calculate(Name);
    EXPECT_EQ(Text("Edit1"), Sum);
    EXPECT_TRUE(Enabled("Button3"));
    EXPECT_TRUE(Kit.MessageBoxes.empty());
    EXPECT_EQ(Form1->ComponentCount(), Components);
    EXPECT_EQ(Kit.BusyCursorsShown, Cursors + 1);
    EXPECT_EQ(Kit.BusyDepth, 0);
    EXPECT_TRUE(Kit.Progress.empty());
  }

  // Runs "Calculer" on Name, a run slow enough for the display, and cancels at the display's
  // first step: nothing changes. Returns that step.
  std::pair<std::int64_t, std::int64_t> ExpectCancelled(const std::string& Name) {
    SCOPED_TRACE("cancelled: " + Name);
    ExpectHashed(MakeFile("abc.txt", "abc"), AbcSum);
    const TWindowState Before = State();
    const int Cursors = Kit.BusyCursorsShown;
    PerReading = 250ms;
    Kit.CancelProgressAtStep = 0;
    Calculate(Name);
    EXPECT_EQ(State(), Before);
    EXPECT_EQ(Kit.BusyCursorsShown, Cursors + 1);
    EXPECT_EQ(Kit.BusyDepth, 0);
    if (Kit.Progress.size() != 1u || Kit.Progress[0].Steps.size() != 1u) {
      ADD_FAILURE() << "expected one display cancelled at its first step";
      return {};
    }
    const auto& Progress = Kit.Progress[0];
    EXPECT_EQ(Progress.Caption, "Sumtide");
    EXPECT_EQ(Progress.Text, DisplayText);
    EXPECT_TRUE(Progress.Closed);
    return Progress.Steps[0];
  }
};

// Names are taken literally: wildcards, blanks at the ends, control characters and bytes that are
// no UTF-8 are all part of the name.
TEST_F(ChecksumCommandTest, HashesTheFileTheNameSpellsOut) {
  struct TCase {
    std::string Name, Content;
    const char* Sum;
  };
  const TCase Cases[] = {
      {"empty", "", "D41D8CD98F00B204E9800998ECF8427E"},
      {"abc.txt", "abc", AbcSum},
      {"leading zeros", "1970", "0004D0B59E19461FF126E3A08A814C33"},
      {"star*.txt", "star", "8FF953DD97C4405234A04291DEE39E0B"},
      {"what?.txt", "question", "5494AF1F14A8C19939968C3E9E2D4F79"},
      {"  spaced  ", "spaces", "717E5E6763EFA99E70C9069F3E621FCB"},
      {"line\nbreak", "newline", "85A422CA8625A1F6325C2E044756B4E3"},
      {"\xC3\xA9t\xC3\xA9.txt", "utf8", "30DF7F629FCF6B940BCAEF5FAF2490BB"},
      {"\xFF\xFE.bin", "bytes", "4B3A6218BB3E3A7303E8A171A60FCF92"},
  };
  EXPECT_FALSE(Enabled("Button3")); // until a first checksum
  for (const TCase& C : Cases)
    ExpectHashed(MakeFile(C.Name, C.Content), C.Sum);
}

// Files larger than any read the command makes at once, or than one mapped window, of sizes no
// power of two divides: every byte is hashed once, in order, and none past the end.
TEST_F(ChecksumCommandTest, HashesEveryByteOfAFileTakenInPieces) {
  const struct {
    std::size_t Size;
    const char* Sum;
  } Cases[] = {
      {(std::size_t{1} << 20) + 37, "E42818040DC757EA1520869E78E473DD"},  // read in pieces
      {(std::size_t{16} << 20) + 37, "506E2B760BAAAA40FF8BCAD0350DE9F5"}, // mapped windows
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Size);
    std::string Content(C.Size, '\0');
    std::uint32_t X = 0x9E3779B9; // xorshift32
    for (char& Byte : Content) {
      X ^= X << 13;
      X ^= X >> 17;
      X ^= X << 5;
      Byte = static_cast<char>(X & 0xFF);
    }
    ExpectHashed(MakeFile("pieces.bin", Content), C.Sum);
  }
}

TEST_F(ChecksumCommandTest, FollowsASymbolicLinkToAFile) {
  const std::string Target = MakeFile("target", "linked");
  ASSERT_EQ(::symlink(Target.c_str(), PathOf("link").c_str()), 0);
  ExpectHashed(PathOf("link"), "D48E37BC19B9FE2C72923C30FD7A4152");
}

TEST_F(ChecksumCommandTest, ResolvesARelativeNameAgainstTheCurrentDirectory) {
  MakeFile("relative.txt", "relative");
  struct TWorkIn {
    const std::filesystem::path Previous = std::filesystem::current_path();
    explicit TWorkIn(const std::filesystem::path& Folder) { std::filesystem::current_path(Folder); }
    ~TWorkIn() { std::filesystem::current_path(Previous); }
  } WorkIn(Dir);
  ExpectHashed("relative.txt", "99C483E1D11B1A279A2A1A3960528487");
}

// The last-write time plays no part, however far it lies outside the usual range.
TEST_F(ChecksumCommandTest, IgnoresTheLastWriteTime) {
  struct TCase {
    std::int64_t Seconds; // since 1970-01-01 UTC
    const char* Content;
    const char* Sum;
  };
  const TCase Cases[] = {
      {0, "1970", "0004D0B59E19461FF126E3A08A814C33"},
      {157766400, "1975", "7D2B92B6726C241134DAE6CD3FB8C182"},  // 1975-01-01
      {7258118400, "2200", "5249EE8E0CFF02AD6B4CC0EE0E50B7D1"}, // 2200-01-01
  };
  for (const TCase& C : Cases) {
    const std::string Path = MakeFile(C.Content, C.Content);
    const timeval Times[2] = {{static_cast<time_t>(C.Seconds), 0},
                              {static_cast<time_t>(C.Seconds), 0}};
    ASSERT_EQ(::utimes(Path.c_str(), Times), 0) << std::strerror(errno);
    struct stat Info;
    ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
    ASSERT_EQ(Info.st_mtime, static_cast<time_t>(C.Seconds))
        << "the file system keeps no such date";
    ExpectHashed(Path, C.Sum);
  }
}

// Anything that is not a readable regular file ends the command without a word, both before any
// checksum was shown and after one.
TEST_F(ChecksumCommandTest, EndsSilentlyWhenTheNameIsNoReadableFile) {
  const std::string Abc = MakeFile("abc.txt", "abc");
  MakeFile("star*.txt", "star");
  std::filesystem::create_directory(PathOf("folder"));
  ASSERT_EQ(::mkfifo(PathOf("fifo").c_str(), 0600), 0);
  {
    const int Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(Socket, 0);
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    const std::string Path = PathOf("socket");
    ASSERT_LT(Path.size(), sizeof Address.sun_path);
    std::memcpy(Address.sun_path, Path.c_str(), Path.size() + 1);
    ASSERT_EQ(::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
    ::close(Socket);
  }
  ASSERT_EQ(::symlink("loop-b", PathOf("loop-a").c_str()), 0);
  ASSERT_EQ(::symlink("loop-a", PathOf("loop-b").c_str()), 0);

  std::vector<std::string> Names = {
      "",
      PathOf("missing"),
      PathOf("folder"),
      PathOf("fifo"),
      PathOf("socket"),
      "/dev/zero",
      PathOf("loop-a"),
      '"' + Abc + '"',
      " " + Abc,
      Abc + " ",
      PathOf("ab?.txt"),
      PathOf("*.txt"),
      PathOf("sta?*.txt"),
      Abc + std::string(1, '\0') + "x",
  };
  // A file that cannot be opened for reading: one without read permission or, as root reads
  // those anyway, a write-only attribute of the kernel.
  std::string Locked = MakeFile("locked", "locked");
  ASSERT_EQ(::chmod(Locked.c_str(), 0), 0);
  if (::geteuid() == 0)
    Locked = "/sys/bus/cpu/uevent";
  struct stat Info;
  const int Fd = ::open(Locked.c_str(), O_RDONLY);
  if (Fd >= 0)
    ::close(Fd);
  else if (::stat(Locked.c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
    Names.push_back(Locked);

  for (const std::string& Name : Names)
    ExpectRefused(Name);
  EXPECT_EQ(Text("Edit1"), "");
  EXPECT_FALSE(Enabled("Button3"));

  ExpectHashed(Abc, AbcSum);
  for (const std::string& Name : Names)
    ExpectRefused(Name);
  EXPECT_EQ(Text("Edit1"), AbcSum);
  EXPECT_TRUE(Enabled("Button3"));
}

TEST_F(ChecksumCommandTest, ReadsAFileThatReportsNoSizeToItsEnd) {
  // The kernel's pseudo-files report a size of 0 but have content: their checksum is the one of
  // that content, not the empty file's.
  const std::string Name = "/proc/sys/kernel/ostype";
  struct stat Info {};
  if (::stat(Name.c_str(), &Info) != 0 || Info.st_size != 0)
    GTEST_SKIP() << Name << " is not a pseudo-file of size 0 here";
  std::ifstream In(Name, std::ios::binary);
  const std::string Content((std::istreambuf_iterator<char>(In)), {});
  ASSERT_FALSE(Content.empty());
  ExpectHashed(Name, Md5Text(Content));
}

TEST_F(ChecksumCommandTest, ASecondRunOnAnUnchangedFileLeavesTheChecksumAlone) {
  const std::string Abc = MakeFile("abc.txt", "abc");
  ExpectHashed(Abc, AbcSum);
  const int WritesBefore = Writes("Edit1");
  ExpectHashed(Abc, AbcSum);
  EXPECT_EQ(Writes("Edit1"), WritesBefore);
}

// A file that opens but fails to read: the standard error display names it as typed (and adds
// no period after the closing quote), and the window keeps what it showed.
TEST_F(ChecksumCommandTest, ShowsAReadFailureAndKeepsTheWindow) {
  if (UnreadableFile().empty())
    GTEST_SKIP() << "no regular file here that fails to read";
  const std::string Unreadable = PathOf("d\xC3\xA9j\xC3\xA0 lu.bin");
  ASSERT_EQ(::symlink(UnreadableFile().c_str(), Unreadable.c_str()), 0);
  ExpectHashed(MakeFile("abc.txt", "abc"), AbcSum);
  TWindowState Expected = State();
  const int Cursors = Kit.BusyCursorsShown;

  Calculate(Unreadable);

  ++Expected.MessageBoxes;
  EXPECT_EQ(State(), Expected);
  ASSERT_EQ(Kit.MessageBoxes.size(), 1u);
  EXPECT_EQ(Kit.MessageBoxes[0],
            (Headless::TMessageBoxRecord{"Impossible de lire le fichier \"" + Unreadable + "\"",
                                         "Sumtide", Toolkit::TMessageKind::Error}));
  EXPECT_EQ(Kit.BusyCursorsShown, Cursors + 1);
  EXPECT_EQ(Kit.BusyDepth, 0);
}

// The display's rule, read against the clock: nothing for the first second, whatever the size;
// from then on a step at once and then at most one every 40 ms, so that pieces that come fast
// are not slowed down by the toolkit.
TEST_F(ChecksumCommandTest, TheDisplayComesAfterASecondAndStepsAFewDozenTimesASecond) {
  struct TReading {
    int Milliseconds; // since the start
    std::int64_t Done;
  };
  struct TCase {
    const char* Label;
    std::int64_t Total;
    std::vector<TReading> Readings;
    std::vector<std::int64_t> Steps; // Done at each step; empty: no display
  };
  const TCase Cases[] = {
      {"quick, however large", 8 * GiB, {{1, MiB}, {500, 4 * GiB}, {999, 8 * GiB}}, {}},
      {"slow, however small", 3, {{400, 1}, {1000, 2}, {3000, 3}}, {2, 3}},
      {"a single slow piece", 5, {{4000, 5}}, {5}},
      {"pieces that come fast",
       100,
       {{990, 1}, {1000, 2}, {1010, 3}, {1039, 4}, {1040, 5}, {1070, 6}, {1080, 7}, {1200, 8}},
       {2, 5, 7, 8}},
      {"no total", 0, {{1200, 65536}, {1220, 131072}, {1300, 196608}}, {65536, 196608}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Label);
    Kit.Progress.clear();
    const auto Start = Now;
    {
      TChecksumDisplay Display;
      Display.Started(C.Total);
      EXPECT_EQ(Kit.BusyDepth, 1);
      for (const TReading& R : C.Readings) {
        Now = Start + std::chrono::milliseconds(R.Milliseconds);
        EXPECT_TRUE(Display.Reached(R.Done, C.Total));
      }
    }
    EXPECT_EQ(Kit.BusyDepth, 0);
    if (C.Steps.empty()) {
      EXPECT_TRUE(Kit.Progress.empty());
      continue;
    }
    ASSERT_EQ(Kit.Progress.size(), 1u);
    TSteps Expected;
    for (const std::int64_t Done : C.Steps)
      Expected.emplace_back(Done, C.Total);
    EXPECT_EQ(Kit.Progress[0].Steps, Expected);
    EXPECT_EQ(Kit.Progress[0].Caption, "Sumtide");
    EXPECT_EQ(Kit.Progress[0].Text, DisplayText);
    EXPECT_TRUE(Kit.Progress[0].Closed);
  }
}

// Through "Calculer": a run that takes a second gets the display, a small file as a large one,
// and the checksum comes as usual; a quick run shows nothing but the wait cursor.
TEST_F(ChecksumCommandTest, HashesUnderTheDisplayOnceARunTakesASecond) {
  const std::int64_t Piece = static_cast<std::int64_t>(Reading::AheadPiece);
  const std::int64_t SmallPiece = static_cast<std::int64_t>(Reading::StreamPiece);
  struct TCase {
    const char* Label;
    std::int64_t Size; // zero bytes
    std::chrono::milliseconds PerPiece;
    std::vector<std::int64_t> Steps; // Done at each step; empty: no display
  };
  const TCase Cases[] = {
      {"quick", 6 * MiB, 0ms, {}},
      {"slow: from the piece read after a second", 6 * MiB, 250ms, {4 * Piece, 5 * Piece, 6 * MiB}},
      {"small and slow", SmallPiece + 1000, 700ms, {SmallPiece + 1000}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Label);
    Kit.Progress.clear();
    PerReading = C.PerPiece;
    const std::string Path = MakeSparseFile("zeros.bin", C.Size);
    const int Components = Form1->ComponentCount();
    const int Cursors = Kit.BusyCursorsShown;
    Calculate(Path);
    EXPECT_EQ(Text("Edit1"), Md5Text(std::string(static_cast<std::size_t>(C.Size), '\0')));
    EXPECT_TRUE(Kit.MessageBoxes.empty());
    EXPECT_EQ(Form1->ComponentCount(), Components);
    EXPECT_EQ(Kit.BusyCursorsShown, Cursors + 1);
    EXPECT_EQ(Kit.BusyDepth, 0);
    if (C.Steps.empty()) {
      EXPECT_TRUE(Kit.Progress.empty());
      continue;
    }
    ASSERT_EQ(Kit.Progress.size(), 1u);
    TSteps Expected;
    for (const std::int64_t Done : C.Steps)
      Expected.emplace_back(Done, C.Size);
    EXPECT_EQ(Kit.Progress[0].Steps, Expected);
    EXPECT_TRUE(Kit.Progress[0].Closed);
  }
}

#ifdef NDEBUG
// Sizes past what 32 bits hold, signed and unsigned, are hashed whole. Hashing gigabytes takes
// too long under the sanitizers: release builds only.
TEST_F(ChecksumCommandTest, HashesFilesOfTwoGiBAndBeyond) {
  constexpr std::int64_t TwoGiB = std::int64_t{1} << 31;
  const std::pair<std::int64_t, const char*> Cases[] = {
      {TwoGiB - 1, "B3DC5E51B0698DDF18D48BBF16C1153F"},
      {TwoGiB, "A981130CF2B7E09F4686DC273CF7187E"},
      {2 * TwoGiB + 1, "F18C798FF5D450DFE4D3ACDC12B621FF"},
  };
  for (const auto& [Size, Sum] : Cases) {
    SCOPED_TRACE(Size);
    const std::string Path = MakeSparseFile("large", Size);
    Calculate(Path);
    std::filesystem::remove(Path);
    EXPECT_EQ(Text("Edit1"), Sum);
    EXPECT_TRUE(Kit.MessageBoxes.empty());
    EXPECT_EQ(Kit.BusyDepth, 0);
  }
}
#endif

TEST_F(ChecksumCommandTest, CancellingTheDisplayChangesNothing) {
  const std::int64_t Size = 6 * MiB;
  const auto Step = ExpectCancelled(MakeSparseFile("slow.bin", Size));
  EXPECT_EQ(Step, std::make_pair(4 * static_cast<std::int64_t>(Reading::AheadPiece), Size));
}

// A regular file that reports size 0 and never ends: the process's page map yields 8 bytes for
// each page of its address space, 256 GiB in all. It gets the display, without a total, once it
// has been read for a second, and cancelling it changes nothing.
TEST_F(ChecksumCommandTest, AFileThatNeverEndsCanBeCancelled) {
  const std::string Endless = "/proc/self/pagemap";
  struct stat Info {};
  if (::stat(Endless.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode) || Info.st_size != 0)
    GTEST_SKIP() << Endless << " is no regular file of size 0 here";
  const auto [Done, Total] = ExpectCancelled(Endless);
  EXPECT_GT(Done, 0);
  EXPECT_EQ(Total, 0); // no total to show
}

// A file written by another program while the display is up gets no checksum: the window says
// the file changed, and nothing else changes.
TEST_F(ChecksumCommandTest, AFileRewrittenUnderTheDisplayIsReported) {
  ExpectHashed(MakeFile("abc.txt", "abc"), AbcSum);
  const std::string Path = MakeFile("rewritten.bin", std::string(6 << 20, 'r'));
  // The file system stamps changes with a coarse clock: the change comes a tick later.
  std::this_thread::sleep_for(30ms);
  TWindowState Expected = State();
  PerReading = 250ms;
  Kit.OnProgressStep = [&](const Headless::THeadlessToolkit::TProgressRecord& Progress) {
    if (Progress.Steps.size() == 1)
      std::fstream(Path, std::ios::binary | std::ios::in | std::ios::out) << "rewritten";
  };
  Calculate(Path);
  ++Expected.MessageBoxes;
  EXPECT_EQ(State(), Expected);
  EXPECT_EQ(Kit.MessageBoxes, (std::vector<Headless::TMessageBoxRecord>{
                                  {"Le fichier \"" + Path +
                                       "\" a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 pendant le calcul.",
                                   "Sumtide", Toolkit::TMessageKind::Error}}));
  ASSERT_EQ(Kit.Progress.size(), 1u);
  EXPECT_EQ(Kit.Progress[0].Steps.back().first, 6 * MiB); // read to the end
  EXPECT_TRUE(Kit.Progress[0].Closed);
  EXPECT_EQ(Kit.BusyDepth, 0);
}

} // namespace
} // namespace Sumtide::Test
