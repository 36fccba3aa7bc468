// The engines behind sumtide-sum: whatever the digest, the number of threads and lanes, every
// outcome is the single-stream one and comes back in the order of the names. (CTest runs this
// again with the library's many-message hashing forced to streams.)

#include "TempDir.h"
#include "cli/FileDigest.h"
#include "cli/LaneEngine.h"
#include "cli/SumProgram.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Sumtide;
using namespace Sumtide::Cli;

namespace {

std::vector<std::pair<std::string, TDigestOutcome>>
RunEngine(IDigestEngine& Engine, const std::vector<std::string>& Names,
          const TDigestKind& Kind = *FindDigestKind("md5")) {
  std::vector<std::pair<std::string, TDigestOutcome>> Delivered;
  std::size_t Next = 0;
  Engine.Run(
      Kind,
      [&](std::string& Name, bool) {
        if (Next == Names.size())
          return IDigestEngine::TNames::End;
        Name = Names[Next++];
        return IDigestEngine::TNames::Name;
      },
      [&](const std::string& Name, TDigestOutcome& Outcome) {
        Delivered.emplace_back(Name, Outcome);
      });
  return Delivered;
}

void WriteFile(const std::filesystem::path& Path, std::size_t Size, std::mt19937& Random) {
  std::string Bytes(Size, '\0');
  for (char& C : Bytes)
    C = static_cast<char>(Random());
  std::ofstream(Path, std::ios::binary) << Bytes;
}

// Feeds the FIFOs among Names, in the order of the names, each with its bytes, as one writer that
// feeds them in turn: each open waits until the reader opens that FIFO.
class TFifoFeeder {
public:
  TFifoFeeder(const std::vector<std::string>& Names,
              const std::map<std::string, std::string>& Contents)
      : FThread([Names, Contents] {
          for (const std::string& Name : Names)
            if (const auto It = Contents.find(Name); It != Contents.end())
              std::ofstream(Name, std::ios::binary) << It->second;
        }) {}

private:
  std::jthread FThread;
};

class DigestEngineTest : public ::testing::Test {
protected:
  std::string MakeFifo(const std::string& Name) const {
    const std::string Path = (Dir.Path() / Name).string();
    if (::mkfifo(Path.c_str(), 0600) != 0)
      throw std::runtime_error("cannot make the FIFO " + Path);
    return Path;
  }

  Sumtide::Test::TTempDir Dir{"digest-engine"};
};

// Files of every size class, a name given twice, failures of every kind among them, FIFOs fed by
// one writer in turn (one with more than a pipe holds): the lane engine's outcomes are the
// sequential engine's, in order, for every digest; and for MD5 with more names than the window
// holds.
TEST_F(DigestEngineTest, LanesGiveTheSequentialOutcomesInOrder) {
  std::mt19937 Random(7);
  std::vector<std::string> Names;
  for (int I = 0; I < 300; ++I) {
    const std::size_t Size = I % 50 == 0 ? 0 : I % 7 == 0 ? Random() % 300'000 : Random() % 5'000;
    const auto Path = Dir.Path() / ("f" + std::to_string(I));
    WriteFile(Path, Size, Random);
    Names.push_back(Path);
  }
  const auto Large = Dir.Path() / "large";
  WriteFile(Large, 17 * 1024 * 1024 + 3, Random);
  std::filesystem::create_directory(Dir.Path() / "folder");
  Names.insert(Names.begin() + 5, Large);
  Names.insert(Names.begin() + 9, (Dir.Path() / "missing").string());
  Names.insert(Names.begin() + 40, (Dir.Path() / "folder").string());
  Names.insert(Names.begin() + 41, "/dev/null");
  // Never the same FIFO twice in a row, even across the repeats below: a writer that opens it
  // again before the reader closed it would add to the bytes the reader still reads.
  const std::string LargeFifo = MakeFifo("fifo-large"), Small = MakeFifo("fifo-small"),
                    Empty = MakeFifo("fifo-empty");
  const std::map<std::string, std::string> Fifos{
      {LargeFifo, std::string(200'000, 'x')}, {Small, "abc"}, {Empty, ""}};
  Names.insert(Names.begin() + 20, LargeFifo);
  Names.insert(Names.begin() + 150, Small);
  Names.insert(Names.begin() + 151, Empty);
  Names.push_back(Names[3]);
  const std::vector<std::string> Unique = Names;
  // Past the window: the same names again and again.
  std::vector<std::string> Many = Names;
  while (Many.size() < 9000)
    Many.push_back(Unique[Many.size() % Unique.size()]);

  for (const TDigestKind& Kind : DigestKinds()) {
    const bool Md5 = Kind.Name == "md5";
    const std::vector<std::string>& Run = Md5 ? Many : Unique;
    TSequentialEngine Sequential;
    const auto Expected = [&] {
      TFifoFeeder Feeder(Run, Fifos);
      return RunEngine(Sequential, Run, Kind);
    }();
    for (unsigned Workers : {1u, 2u, 3u}) {
      if (!Md5 && Workers != 2)
        continue;
      TLaneEngine Lanes(Workers);
      TFifoFeeder Feeder(Run, Fifos);
      const auto Got = RunEngine(Lanes, Run, Kind);
      ASSERT_EQ(Got.size(), Expected.size()) << Workers << " workers";
      for (std::size_t I = 0; I < Got.size(); ++I) {
        SCOPED_TRACE(Got[I].first + " with " + std::string(Kind.Name) + " on " +
                     std::to_string(Workers) + " workers");
        ASSERT_EQ(Got[I].first, Expected[I].first);
        ASSERT_EQ(Got[I].second.Kind, Expected[I].second.Kind);
        ASSERT_EQ(Got[I].second.Digest, Expected[I].second.Digest);
        ASSERT_EQ(Got[I].second.Error, Expected[I].second.Error);
      }
    }
    EXPECT_EQ(Expected[9].second.Kind, TDigestOutcome::TKind::Missing);
    EXPECT_EQ(Expected[41].second.Error, "Is a directory");
    EXPECT_EQ(Expected[20].second.Bytes, 200'000);
    EXPECT_EQ(Expected[0].second.Digest.View().size(), Kind.DigestBytes);
  }
}

// Files larger than a piece hold their lanes a while: a worker takes no more of them than its
// lanes can start, so a folder of such files keeps every worker busy. The first file opened
// waits until another worker has opened one.
TEST_F(DigestEngineTest, AFolderOfLargerFilesIsSharedByTheWorkers) {
  std::mt19937 Random(3);
  std::vector<std::string> Names;
  for (int I = 0; I < 24; ++I) {
    const auto Path = Dir.Path() / ("large" + std::to_string(I));
    WriteFile(Path, 64 * 1024, Random);
    Names.push_back(Path);
  }
  std::mutex Lock;
  std::condition_variable Opened;
  std::set<std::thread::id> Openers;
  TLaneEngine Lanes(2);
  Lanes.SetOpenedHook([&](const std::string&) {
    std::unique_lock Guard(Lock);
    const bool First = Openers.empty();
    Openers.insert(std::this_thread::get_id());
    Opened.notify_all();
    if (First)
      Opened.wait_for(Guard, std::chrono::seconds(10), [&] { return Openers.size() > 1; });
  });
  const auto Got = RunEngine(Lanes, Names);
  EXPECT_EQ(Got.size(), Names.size());
  EXPECT_EQ(Openers.size(), 2u);
}

// A file written after it was opened gets no checksum, whatever the change: more bytes, other
// bytes of the same size, fewer bytes.
TEST_F(DigestEngineTest, AFileWrittenWhileReadGetsNone) {
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> Changes{
      {"appended",
       [](const std::string& Name) {
         std::ofstream(Name, std::ios::binary | std::ios::app) << "more";
       }},
      {"rewritten",
       [](const std::string& Name) {
         std::ofstream(Name, std::ios::binary | std::ios::in) << "other";
       }},
      {"truncated", [](const std::string& Name) { std::filesystem::resize_file(Name, 10); }},
  };
  for (const auto& [What, Change] : Changes) {
    SCOPED_TRACE(What);
    std::mt19937 Random(1);
    const auto Path = Dir.Path() / What;
    WriteFile(Path, 100'000, Random);
    // Coarse file system clocks: the change must fall in another tick than the writing.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    TLaneEngine Lanes(2);
    Lanes.SetOpenedHook(Change);
    const auto Got = RunEngine(Lanes, std::vector<std::string>{Path.string()});
    ASSERT_EQ(Got.size(), 1u);
    EXPECT_EQ(Got[0].second.Kind, TDigestOutcome::TKind::Failed);
    EXPECT_EQ(Got[0].second.Error, ChangedWhileRead);
  }
}

// A FIFO is opened only once every name before it was delivered: a program that read one file
// after the other would not have opened it sooner, and its writer may be waiting on those lines.
TEST_F(DigestEngineTest, NothingButARegularFileIsOpenedBeforeItsTurn) {
  std::mt19937 Random(5);
  std::vector<std::string> Names;
  for (int I = 0; I < 40; ++I) {
    const auto Path = Dir.Path() / ("f" + std::to_string(I));
    WriteFile(Path, Random() % 3'000, Random);
    Names.push_back(Path);
  }
  const std::string Fifo = MakeFifo("fifo");
  Names.insert(Names.begin() + 30, Fifo);
  TFifoFeeder Feeder(Names, {{Fifo, "late"}});
  TLaneEngine Lanes(2);
  std::size_t Delivered = 0;
  bool OpenedEarly = false;
  std::size_t Next = 0;
  Lanes.Run(
      *FindDigestKind("md5"),
      [&](std::string& Name, bool) {
        if (Next == Names.size())
          return IDigestEngine::TNames::End;
        Name = Names[Next++];
        return IDigestEngine::TNames::Name;
      },
      [&](const std::string&, TDigestOutcome& Outcome) {
        EXPECT_EQ(Outcome.Kind, TDigestOutcome::TKind::Done);
        if (++Delivered < 30) {
          // A writer's open that does not wait fails while the FIFO has no reader.
          const int Probe = ::open(Fifo.c_str(), O_WRONLY | O_NONBLOCK);
          OpenedEarly = OpenedEarly || Probe >= 0 || errno != ENXIO;
          if (Probe >= 0)
            ::close(Probe);
        }
      });
  EXPECT_EQ(Delivered, Names.size());
  EXPECT_FALSE(OpenedEarly);
}

// Names that come from a pipe: when Next has none ready, every outcome before is delivered, and
// the program told to write it out, before Next is let wait for more.
TEST_F(DigestEngineTest, NamesAreWaitedForOnlyOnceEverythingBeforeIsDelivered) {
  std::mt19937 Random(9);
  std::vector<std::string> Names;
  for (int I = 0; I < 600; ++I) {
    const auto Path = Dir.Path() / ("f" + std::to_string(I));
    WriteFile(Path, I % 100 == 0 ? 1'000'000 : Random() % 3'000, Random);
    Names.push_back(Path);
  }
  const std::set<std::size_t> Stalls{0, 17, 300, 599};
  for (unsigned Workers : {1u, 2u}) {
    SCOPED_TRACE(std::to_string(Workers) + " workers");
    TLaneEngine Lanes(Workers);
    std::size_t Next = 0, Delivered = 0, WrittenOut = 0, Waits = 0;
    bool Stalled = false;
    Lanes.SetBeforeWait([&] { WrittenOut = Delivered; });
    Lanes.Run(
        *FindDigestKind("md5"),
        [&](std::string& Name, bool MayWait) {
          if (Stalls.contains(Next) && !Stalled && !MayWait) {
            Stalled = true;
            return IDigestEngine::TNames::NotYet;
          }
          if (MayWait) {
            ++Waits;
            EXPECT_EQ(Delivered, Next) << "a name was waited for before the ones given were out";
            EXPECT_EQ(WrittenOut, Delivered) << "a wait came before the output was written";
          }
          Stalled = false;
          if (Next == Names.size())
            return IDigestEngine::TNames::End;
          Name = Names[Next++];
          return IDigestEngine::TNames::Name;
        },
        [&](const std::string& Name, TDigestOutcome&) { EXPECT_EQ(Name, Names[Delivered++]); });
    EXPECT_EQ(Delivered, Names.size());
    EXPECT_EQ(Waits, Stalls.size());
  }
}

} // namespace
