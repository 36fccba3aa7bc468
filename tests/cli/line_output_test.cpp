// Standard output as sumtide-sum writes it: whole lines at once to a pipe, gathered into large
// writes that end at a line's end to a regular file, and the verdict of the close at the end.

#include "TempDir.h"
#include "cli/LineOutput.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace Sumtide::Cli;

namespace {

std::string Contents(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

bool IsOpen(int Descriptor) {
  return ::fcntl(Descriptor, F_GETFD) != -1;
}

// A line of Size bytes, its line feed included.
std::string LineOf(std::size_t Size, char Fill) {
  return std::string(Size - 1, Fill) + '\n';
}

TEST(LineOutputTest, ARegularFileGetsLargeWritesThatEndAtALinesEnd) {
  Sumtide::Test::TTempDir Dir("line-output");
  const auto Path = Dir.Path() / "out";
  const int Descriptor = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(Descriptor, 0);
  std::string Expected;
  {
    TLineOutput Output(Descriptor);
    Output.Write("first line\n");
    EXPECT_EQ(Contents(Path), "") << "a line alone is held back";
    Output.Flush();
    EXPECT_EQ(Contents(Path), "first line\n");
    Expected = "first line\n";
    // Lines of odd sizes across several gatherings, one longer than a gathering among them.
    for (std::size_t Size : {1000u, 30'000u, 40'000u, 70'000u, 5u, 65'536u, 123u, 64'000u}) {
      const std::string Line = LineOf(Size, static_cast<char>('a' + Size % 26));
      Output.Write(Line);
      Expected += Line;
      const std::string Now = Contents(Path);
      ASSERT_TRUE(Now.empty() || Now.back() == '\n') << "a write ended inside a line";
      ASSERT_EQ(Expected.compare(0, Now.size(), Now), 0);
    }
    EXPECT_EQ(Output.Finish(), std::nullopt);
  }
  EXPECT_EQ(Contents(Path), Expected);
  EXPECT_FALSE(IsOpen(Descriptor)) << "Finish closes the output";
}

TEST(LineOutputTest, APipeGetsEachLineAtOnce) {
  int Ends[2];
  ASSERT_EQ(::pipe(Ends), 0);
  ::fcntl(Ends[0], F_SETFL, O_NONBLOCK);
  TLineOutput Output(Ends[1]);
  for (const std::string Line : {"900150983cd24fb0d6963f7d28e17f72  abc\n", "a: OK\n"}) {
    Output.Write(Line);
    char Got[128];
    const ssize_t Count = ::read(Ends[0], Got, sizeof Got);
    ASSERT_EQ(std::string(Got, static_cast<std::size_t>(std::max<ssize_t>(Count, 0))), Line);
  }
  EXPECT_EQ(Output.Finish(), std::nullopt);
  ::close(Ends[0]);
}

// What the end says for each output that failed, as the GNU tools say it.
TEST(LineOutputTest, FinishTellsOfOutputThatDidNotArrive) {
  const auto Closed = [] {
    const int Descriptor = ::dup(0);
    ::close(Descriptor);
    return Descriptor;
  };
  const auto PipeWithoutReader = [] {
    int Ends[2];
    if (::pipe(Ends) != 0)
      return -1;
    ::close(Ends[0]);
    return Ends[1];
  };
  const auto Full = [] { return ::open("/dev/full", O_WRONLY); };
  struct TCase {
    const char* What;
    std::function<int()> Open;
    bool Writes;
    std::optional<std::string> Message;
  };
  const TCase Cases[] = {
      {"a full device", Full, true, "write error"},
      {"a full device, nothing written", Full, false, std::nullopt},
      {"a closed output", Closed, true, "write error: Bad file descriptor"},
      {"a closed output, nothing written", Closed, false, std::nullopt},
      {"a pipe nobody reads, SIGPIPE ignored", PipeWithoutReader, true, "write error"},
  };
  const auto Previous = std::signal(SIGPIPE, SIG_IGN);
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const int Descriptor = Case.Open();
    ASSERT_NE(Descriptor, -1);
    TLineOutput Output(Descriptor);
    if (Case.Writes) {
      Output.Write("900150983cd24fb0d6963f7d28e17f72  abc\n");
      Output.Write("second\n");
    }
    EXPECT_EQ(Output.Finish(), Case.Message);
  }
  std::signal(SIGPIPE, Previous);
}

} // namespace
