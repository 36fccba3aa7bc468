#include "TempDir.h"
#include "files/FileBatch.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Sumtide {
namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

class FileBatchTest : public ::testing::Test {
protected:
  void SetUp() override {
    Batch = TFileBatch::Create();
    if (!Batch)
      GTEST_SKIP() << "this system hands over no batches (no io_uring, or it is refused)";
  }
  std::string MakeFile(const std::string& Name, const std::string& Content) const {
    const std::string Path = (Temp.Path() / Name).string();
    std::ofstream(Path, std::ios::binary) << Content;
    return Path;
  }

  Sumtide::Test::TTempDir Temp{"sumtide-batch"};
  std::unique_ptr<TFileBatch> Batch;
};

// A group opens, reads and closes as the plain calls would: the same bytes, the same errors, and
// no descriptor left once the batch is gone.
TEST_F(FileBatchTest, OpensReadsAndClosesAsThePlainCallsDo) {
  const std::size_t Before = OpenDescriptors();
  fs::create_directory(Temp.Path() / "folder");
  const std::string Names[] = {MakeFile("a", "abc"),
                               (Temp.Path() / "missing").string(),
                               MakeFile("b", std::string(100'000, 'b')),
                               "",
                               (Temp.Path() / "folder").string(),
                               MakeFile("empty", "")};
  constexpr std::size_t Count = std::size(Names);
  std::array<const std::string*, Count> Pointers{};
  for (std::size_t I = 0; I < Count; ++I)
    Pointers[I] = &Names[I];
  std::array<std::optional<TInputFile>, Count> Files;
  std::array<TInputError, Count> Errors;
  const std::array<const TFileStamp*, Count> Known{};
  Batch->Open(Pointers, Known, Files, Errors);
  for (std::size_t I = 0; I < Count; ++I) {
    SCOPED_TRACE(Names[I]);
    TInputError Plain;
    const std::optional<TInputFile> Expected = TInputFile::Open(Names[I], TFileKinds::Any, Plain);
    ASSERT_EQ(Files[I].has_value(), Expected.has_value());
    if (!Expected) {
      EXPECT_EQ(Errors[I].Text, Plain.Text);
      EXPECT_EQ(Errors[I].Missing, Plain.Missing);
    } else {
      EXPECT_EQ(Files[I]->OpenedStamp(), Expected->OpenedStamp());
    }
  }

  // Every regular file, read through the batch to its end in lane pieces.
  std::vector<std::unique_ptr<TFileReader>> Readers;
  std::vector<std::string> Got;
  for (std::size_t I : {0u, 2u, 5u}) {
    Readers.push_back(
        std::make_unique<TFileReader>(std::move(*Files[I]), TFileReader::TPace::Lane));
    Got.emplace_back();
  }
  for (;;) {
    std::vector<TFileReader*> Reading;
    std::vector<std::size_t> Which;
    for (std::size_t R = 0; R < Readers.size(); ++R) {
      if (Readers[R]->Verdict() == TFileReader::TVerdict::Reading && !Readers[R]->AtEnd()) {
        Reading.push_back(Readers[R].get());
        Which.push_back(R);
      }
    }
    if (Reading.empty())
      break;
    std::vector<std::span<const std::uint8_t>> Pieces(Reading.size());
    const auto Gave = std::make_unique<bool[]>(Reading.size());
    Batch->Read(Reading, Pieces, {Gave.get(), Reading.size()});
    for (std::size_t K = 0; K < Reading.size(); ++K)
      if (Gave[K])
        Got[Which[K]].append(reinterpret_cast<const char*>(Pieces[K].data()), Pieces[K].size());
  }
  EXPECT_EQ(Got[0], "abc");
  EXPECT_EQ(Got[1], std::string(100'000, 'b'));
  EXPECT_EQ(Got[2], "");
  for (auto& Reader : Readers) {
    std::span<const std::uint8_t> None;
    Reader->Next(None);
    EXPECT_EQ(Reader->Verdict(), TFileReader::TVerdict::Done);
    Batch->Close(std::move(Reader->File()));
  }
  Readers.clear();
  Batch.reset();
  EXPECT_EQ(OpenDescriptors(), Before);
}

// A FIFO is opened once, at once: a writer waiting for a reader is let go, and what it sends is
// read from the descriptor the batch gave, not lost to a second open.
TEST_F(FileBatchTest, AFifoIsOpenedOnceAndKeepsWhatItsWriterSent) {
  const std::string Fifo = (Temp.Path() / "fifo").string();
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  std::thread Writer([&] { std::ofstream(Fifo, std::ios::binary) << "sent"; });
  // The writer waits in its open for a reader.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string* Names[] = {&Fifo};
  const TFileStamp* Known[] = {nullptr};
  std::optional<TInputFile> Files[1];
  TInputError Errors[1];
  Batch->Open(Names, Known, Files, Errors);
  ASSERT_TRUE(Files[0]);
  Writer.join();
  TFileReader Reader(std::move(*Files[0]), TFileReader::TPace::Lane);
  std::string Got;
  std::span<const std::uint8_t> Piece;
  while (Reader.Next(Piece))
    Got.append(reinterpret_cast<const char*>(Piece.data()), Piece.size());
  EXPECT_EQ(Got, "sent");
  EXPECT_EQ(Reader.Verdict(), TFileReader::TVerdict::Done);
}

} // namespace
} // namespace Sumtide
