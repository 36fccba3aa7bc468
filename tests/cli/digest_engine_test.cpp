// The engines behind sumtide-sum: whatever the digest, the number of threads and lanes, every
// outcome is the single-stream one and comes back in the order of the names. (CTest runs this
// again with the library's many-message hashing forced to streams.)

#include "TempDir.h"
#include "cli/FileDigest.h"
#include "cli/LaneEngine.h"
#include "cli/SumProgram.h"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <set>
#include <thread>

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
      [&](std::string& Name) {
        if (Next == Names.size())
          return false;
        Name = Names[Next++];
        return true;
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

class DigestEngineTest : public ::testing::Test {
protected:
  Sumtide::Test::TTempDir Dir{"digest-engine"};
};

// Files of every size class, a name given twice, failures of every kind among them: the lane
// engine's outcomes are the sequential engine's, in order, for every digest; and for MD5 with
// more names than the window holds.
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
    const auto Expected = RunEngine(Sequential, Run, Kind);
    for (unsigned Workers : {1u, 2u, 3u}) {
      if (!Md5 && Workers != 2)
        continue;
      TLaneEngine Lanes(Workers);
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
    EXPECT_EQ(Expected[40].second.Error, "Is a directory");
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

} // namespace
