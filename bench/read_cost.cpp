// One way of taking a file's bytes for MD5, as a whole process to be timed from outside beside
// the others and beside md5sum, on a file in whichever state of the page cache is being measured
// (bench/compare_tools.sh prepares the states):
//
//   read_cost WAY FILE
//
// WAY is one of:
//   hash    the hash alone: as many bytes as FILE holds, from one buffer already in the cache
//   read    this thread reads 256 KiB pieces into one buffer and hashes each
//   reader  the file reader the programs use (read ahead on a second thread from 2 MiB on)
//   map     8 MiB windows mapped from the page cache and hashed in place, one at a time
// Prints the digest in lower case. Exits with 1 when FILE cannot be opened or read.

#include "files/FileReader.h"
#include "files/ReadingSizes.h"
#include "scl/SCLmd5.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace Sumtide;

int Fail(const char* Path, const char* What) {
  std::fprintf(stderr, "read_cost: %s: %s\n", Path, What);
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s hash|read|reader|map FILE\n", argc > 0 ? argv[0] : "read_cost");
    return 2;
  }
  const std::string Way = argv[1];
  const char* Path = argv[2];
  TInputError Error;
  std::optional<TInputFile> File = TInputFile::Open(Path, TFileKinds::RegularOnly, Error);
  if (!File)
    return Fail(Path, Error.Text.c_str());
  const std::int64_t Size = File->OpenedStamp()->Size;
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  constexpr std::size_t Piece = Reading::StreamPiece;

  if (Way == "hash") {
    const auto Buffer = std::make_unique<std::uint8_t[]>(Piece);
    for (std::int64_t Done = 0; Done < Size; Done += static_cast<std::int64_t>(Piece))
      Hash.Update(Buffer.get(), static_cast<std::uint32_t>(std::min<std::int64_t>(
                                    static_cast<std::int64_t>(Piece), Size - Done)));
  } else if (Way == "read") {
    const auto Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(Piece);
    while (const std::int64_t Got = File->Read(Buffer.get(), Piece, Error)) {
      if (Got < 0)
        return Fail(Path, Error.Text.c_str());
      Hash.Update(Buffer.get(), static_cast<std::uint32_t>(Got));
    }
  } else if (Way == "reader") {
    TFileReader Reader(std::move(*File), TFileReader::TPace::Stream);
    std::span<const std::uint8_t> Bytes;
    while (Reader.Next(Bytes))
      Hash.Update(Bytes.data(), static_cast<std::uint32_t>(Bytes.size()));
    if (Reader.Verdict() != TFileReader::TVerdict::Done)
      return Fail(Path, "read failed or the file changed");
  } else if (Way == "map") {
    const int Fd = ::open(Path, O_RDONLY | O_CLOEXEC);
    constexpr std::int64_t Window = std::int64_t{8} << 20;
    for (std::int64_t Done = 0; Fd >= 0 && Done < Size; Done += Window) {
      const auto Length = static_cast<std::size_t>(std::min(Window, Size - Done));
      void* Bytes = ::mmap(nullptr, Length, PROT_READ, MAP_SHARED, Fd, Done);
      if (Bytes == MAP_FAILED)
        return Fail(Path, "cannot be mapped");
      Hash.Update(Bytes, static_cast<std::uint32_t>(Length));
      ::munmap(Bytes, Length);
    }
    if (Fd < 0)
      return Fail(Path, std::strerror(errno));
    ::close(Fd);
  } else {
    std::fprintf(stderr, "read_cost: no way called %s\n", Way.c_str());
    return 2;
  }
  std::uint8_t Digest[16];
  Hash.Final(Digest);
  for (const std::uint8_t Byte : Digest)
    std::printf("%02x", Byte);
  std::printf("  %s\n", Path);
  return 0;
}
