#include "TempDir.h"
#include "files/FileReader.h"
#include "files/MappedWindow.h"
#include "files/ReadingSizes.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Sumtide {
namespace {

using TVerdict = TFileReader::TVerdict;
using TPace = TFileReader::TPace;

std::string Pattern(std::size_t Size) {
  std::string Bytes(Size, '\0');
  std::uint32_t X = 2463534242u;
  for (char& B : Bytes) {
    X ^= X << 13, X ^= X >> 17, X ^= X << 5;
    B = static_cast<char>(X);
  }
  return Bytes;
}

class FileReaderTest : public ::testing::Test {
protected:
  std::string MakeFile(const std::string& Name, const std::string& Content) const {
    const std::string Path = (Temp.Path() / Name).string();
    std::ofstream(Path, std::ios::binary) << Content;
    return Path;
  }

  static TInputFile OpenOrFail(const std::string& Name, TFileKinds Kinds = TFileKinds::Any) {
    TInputError Error;
    std::optional<TInputFile> File = TInputFile::Open(Name, Kinds, Error);
    if (!File)
      throw std::runtime_error(Name + ": " + Error.Text);
    return std::move(*File);
  }

  // Everything the reader gives, piece after piece; After runs once the first piece has come.
  static std::string ReadAll(TFileReader& Reader, const std::function<void()>& After = {}) {
    std::string Got;
    std::span<const std::uint8_t> Piece;
    while (Reader.Next(Piece)) {
      EXPECT_FALSE(Piece.empty());
      Got.append(reinterpret_cast<const char*>(Piece.data()), Piece.size());
      EXPECT_EQ(Reader.Done(), static_cast<std::int64_t>(Got.size()));
      if (After && Got.size() == Piece.size())
        After();
    }
    return Got;
  }

  Sumtide::Test::TTempDir Temp{"sumtide-reader"};
};

// Every size around the pieces of each way of reading gives the file's bytes in order, once.
TEST_F(FileReaderTest, GivesEveryByteOfTheFileInOrder) {
  const std::size_t Sizes[] = {0,
                               1,
                               Reading::LanePiece - 1,
                               Reading::LanePiece,
                               Reading::LanePiece + 1,
                               Reading::StreamPiece + 7,
                               static_cast<std::size_t>(Reading::ReadAheadFrom) - 1,
                               static_cast<std::size_t>(Reading::ReadAheadFrom),
                               Reading::AheadPiece * (Reading::AheadPieces + 3) + 5,
                               static_cast<std::size_t>(Reading::PrefetchDistance) +
                                   Reading::AheadPiece * 2 + 3,
                               static_cast<std::size_t>(Reading::MapFrom) - 1,
                               static_cast<std::size_t>(Reading::MapFrom),
                               Reading::MapWindow,
                               Reading::MapWindow * 2 + 4097};
  for (const TPace Pace : {TPace::Stream, TPace::Lane, TPace::Mapped}) {
    for (const std::size_t Size : Sizes) {
      SCOPED_TRACE(testing::Message() << "size " << Size << ", pace " << static_cast<int>(Pace));
      const std::string Content = Pattern(Size);
      TFileReader Reader(OpenOrFail(MakeFile("f.bin", Content)), Pace);
      EXPECT_EQ(Reader.Total(), static_cast<std::int64_t>(Size));
      EXPECT_EQ(ReadAll(Reader) == Content, true);
      EXPECT_EQ(Reader.Verdict(), TVerdict::Done);
      std::span<const std::uint8_t> Piece;
      EXPECT_FALSE(Reader.Next(Piece)); // and stays at the end
    }
  }
}

// A lane learns that a regular file is complete from its size, without a read that returns 0, and
// its last piece stays readable after the verdict.
TEST_F(FileReaderTest, ARegularFileEndsAtItsSizeWithoutAnotherRead) {
  const std::string Content = Pattern(Reading::LanePiece);
  TFileReader Reader(OpenOrFail(MakeFile("one.bin", Content)), TPace::Lane);
  std::span<const std::uint8_t> Piece;
  ASSERT_TRUE(Reader.Next(Piece));
  EXPECT_TRUE(Reader.AtEnd());
  const std::span<const std::uint8_t> Last = Piece;
  EXPECT_FALSE(Reader.Next(Piece));
  EXPECT_EQ(Reader.Verdict(), TVerdict::Done);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Last.data()), Last.size()), Content);
}

// A buffer given to the reader takes its pieces when it holds a whole one, and is left alone
// (not overrun) when the file's pieces are larger.
TEST_F(FileReaderTest, UsesAGivenBufferOnlyWhenAPieceFitsIt) {
  std::vector<std::uint8_t> Given(Reading::LanePiece);
  const auto InGiven = [&](std::span<const std::uint8_t> Piece) {
    return Piece.data() >= Given.data() &&
           Piece.data() + Piece.size() <= Given.data() + Given.size();
  };
  const struct {
    std::size_t Size;
    bool Fits;
  } Cases[] = {{Reading::LanePiece + 3, true},
               {static_cast<std::size_t>(Reading::LargeLaneFrom) + 3, false}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << "size " << C.Size);
    const std::string Content = Pattern(C.Size);
    TFileReader Reader(OpenOrFail(MakeFile("given.bin", Content)), TPace::Lane, Given);
    std::string Got;
    std::span<const std::uint8_t> Piece;
    while (Reader.Next(Piece)) {
      EXPECT_EQ(InGiven(Piece), C.Fits);
      Got.append(reinterpret_cast<const char*>(Piece.data()), Piece.size());
    }
    EXPECT_EQ(Reader.Verdict(), TVerdict::Done);
    EXPECT_TRUE(Got == Content);
  }
}

// A file cut short under a mapped window loses the pages past its new end: reading them gives
// zeros instead of ending the process, and the window says so; a fault elsewhere is not taken for
// one of the window's.
TEST_F(FileReaderTest, AMappedWindowSurvivesTheFileCutShort) {
  const std::size_t Size = 1 << 20;
  const std::string Path = MakeFile("cut.bin", Pattern(Size));
  const TInputFile File = OpenOrFail(Path);
  const std::unique_ptr<TMappedWindow> Window = TMappedWindow::Map(File.Handle(), 0, Size);
#ifdef _WIN32
  EXPECT_EQ(Window, nullptr);
#else
  ASSERT_NE(Window, nullptr);
  EXPECT_FALSE(Window->LostPages());
  ASSERT_EQ(::truncate(Path.c_str(), 4097), 0);
  const std::span<const std::uint8_t> Bytes = Window->Bytes();
  // Read as the hash reads: every page, through a pointer the compiler cannot skip.
  const volatile std::uint8_t* Read = Bytes.data();
  std::size_t Zeros = 0;
  for (std::size_t I = 0; I < Bytes.size(); I += 512)
    Zeros += Read[I] == 0 ? 1 : 0;
  EXPECT_TRUE(Window->LostPages());
  EXPECT_GE(Zeros, (Size - 8192) / 512);
  EXPECT_EQ(Read[0], static_cast<std::uint8_t>(Pattern(1)[0]));
#endif
}

// Where the system maps no more windows half way through a file (here every slot of the guard is
// taken by other windows), the rest is read from where the windows ended: the same bytes.
TEST_F(FileReaderTest, AMappedFileReadsOnWhereNoWindowIsLeft) {
  const std::string Content = Pattern(Reading::MapWindow * 2 + 5);
  const std::string Path = MakeFile("half.bin", Content);
  const TInputFile Other = OpenOrFail(MakeFile("other.bin", Pattern(4096)));
  TFileReader Reader(OpenOrFail(Path), TPace::Mapped);
  std::vector<std::unique_ptr<TMappedWindow>> Taken;
  const std::string Got = ReadAll(Reader, [&] {
    while (auto Window = TMappedWindow::Map(Other.Handle(), 0, 4096))
      Taken.push_back(std::move(Window));
  });
  EXPECT_EQ(Reader.Verdict(), TVerdict::Done);
  EXPECT_TRUE(Got == Content);
#ifndef _WIN32
  EXPECT_FALSE(Taken.empty());
#endif
}

// Whatever happens to the file once reading has begun, the stamp compared at the end tells: no
// verdict of Done for bytes of two versions. A file that grows is read up to its size at the
// open, so one that never stops growing still ends.
TEST_F(FileReaderTest, AFileThatChangesWhileReadIsReported) {
  struct TCase {
    const char* Label;
    std::size_t Size;
    std::function<void(const std::string&)> Change;
    TPace Pace = TPace::Stream;
  };
  const auto Rewrite = [](const std::string& P) {
    std::fstream(P, std::ios::binary | std::ios::in | std::ios::out) << std::string(4096, 'w');
  };
  const auto Grow = [](const std::string& P) { std::ofstream(P, std::ios::app) << "more"; };
  const auto Shrink = [](const std::string& P) { ASSERT_EQ(::truncate(P.c_str(), 4097), 0); };
  const auto Remove = [](const std::string& P) { ASSERT_EQ(::unlink(P.c_str()), 0); };
  const std::size_t Ahead = Reading::AheadPiece * 6 + 11;
  const std::size_t Small = Reading::StreamPiece * 3;
  const std::size_t Mapped = Reading::MapWindow * 2 + 11;
  const TCase Cases[] = {
      {"rewritten, mapped", Mapped, Rewrite, TPace::Mapped},
      {"grown, mapped", Mapped, Grow, TPace::Mapped},
      {"shrunk, mapped: the next window lies past the end", Mapped, Shrink, TPace::Mapped},
      {"removed, mapped", Mapped, Remove, TPace::Mapped},
      {"rewritten, read ahead", Ahead, Rewrite},
      {"grown, read ahead", Ahead, Grow},
      {"shrunk, read ahead", Ahead, Shrink},
      {"removed, read ahead", Ahead, Remove},
      {"rewritten", Small, Rewrite},
      {"grown", Small, Grow},
      {"shrunk", Small, Shrink},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Label);
    const std::string Path = MakeFile("changes.bin", Pattern(C.Size));
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // past the clock tick of the write
    TFileReader Reader(OpenOrFail(Path), C.Pace);
    const std::string Got = ReadAll(Reader, [&] { C.Change(Path); });
    EXPECT_EQ(Reader.Verdict(), TVerdict::Changed);
    EXPECT_LE(Got.size(), C.Size);
  }
}

TEST_F(FileReaderTest, AFailingReadGivesItsErrorAsTheVerdict) {
  // Our own memory seen as a file: its first page is unmapped, so the first read fails.
  TInputError Error;
  std::optional<TInputFile> File = TInputFile::Open("/proc/self/mem", TFileKinds::Any, Error);
  if (!File)
    GTEST_SKIP() << "/proc/self/mem cannot be opened here";
  TFileReader Reader(std::move(*File), TPace::Stream);
  std::span<const std::uint8_t> Piece;
  EXPECT_FALSE(Reader.Next(Piece));
  EXPECT_EQ(Reader.Verdict(), TVerdict::Failed);
  EXPECT_EQ(Reader.Error().Text, "Input/output error");
}

// What reports no size is read to its end: a pseudo-file of the kernel, and a pipe.
TEST_F(FileReaderTest, WhatReportsNoSizeIsReadToItsEnd) {
  TFileReader Status(OpenOrFail("/proc/self/status", TFileKinds::RegularOnly), TPace::Stream);
  EXPECT_EQ(Status.Total(), 0);
  EXPECT_NE(ReadAll(Status).find("Name:"), std::string::npos);
  EXPECT_EQ(Status.Verdict(), TVerdict::Done);

  int Ends[2];
  ASSERT_EQ(::pipe(Ends), 0);
  const std::string Content = Pattern(100'000);
  std::thread Writer([&] {
    for (std::size_t At = 0; At < Content.size(); At += 999)
      ASSERT_GT(
          ::write(Ends[1], Content.data() + At, std::min<std::size_t>(999, Content.size() - At)),
          0);
    ::close(Ends[1]);
  });
  TFileReader Pipe(OpenOrFail("/dev/fd/" + std::to_string(Ends[0])), TPace::Stream);
  ::close(Ends[0]);
  EXPECT_EQ(ReadAll(Pipe) == Content, true);
  EXPECT_EQ(Pipe.Verdict(), TVerdict::Done);
  Writer.join();
}

// A reader given up half-way (a cancelled checksum) stops its reading thread and ends.
TEST_F(FileReaderTest, AReaderLeftHalfWayEnds) {
  const std::string Path = MakeFile("big.bin", Pattern(Reading::AheadPiece * 16));
  for (int Round = 0; Round < 20; ++Round) {
    TFileReader Reader(OpenOrFail(Path), TPace::Stream);
    std::span<const std::uint8_t> Piece;
    ASSERT_TRUE(Reader.Next(Piece));
  }
}

} // namespace
} // namespace Sumtide
