#include "files/FileServices.h"

#include "files/InputFile.h"
#include "files/posix/StatStamp.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide {

// Sizes beyond 4 GiB need a 64-bit off_t (a 32-bit build must define _FILE_OFFSET_BITS=64).
static_assert(sizeof(off_t) >= sizeof(std::int64_t), "off_t must be 64 bits wide");

namespace {

// A name holding a NUL byte cannot be passed to the system without naming another file.
bool HasNul(const std::string& Name) {
  return Name.find('\0') != std::string::npos;
}

// Linux moves at most about 2 GiB per read call; asking for 1 GiB at a time stays under every
// system's limit.
constexpr std::int64_t MaxTransfer = std::int64_t{1} << 30;

void CloseDescriptor(int Fd) noexcept {
  // Not retried on EINTR: Linux releases the descriptor even then, and a second close could hit
  // a descriptor that another thread has just been given.
  ::close(Fd);
}

} // namespace

bool FileExists(const std::string& Name) {
  return RegularFileSize(Name).has_value();
}

std::optional<TReadOnlyFile> TReadOnlyFile::Open(const std::string& Name) {
  if (Name.empty() || HasNul(Name))
    return std::nullopt;
  // O_NONBLOCK keeps the open of a FIFO without a writer (or of a slow device) from waiting;
  // O_NOCTTY keeps a terminal from becoming ours.
  int Fd;
  do
    Fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0)
    return std::nullopt;
  // Check what was actually opened, not what the name named a moment ago.
  struct stat Info;
  if (::fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) {
    CloseDescriptor(Fd);
    return std::nullopt;
  }
  return TReadOnlyFile(Name, Fd, static_cast<std::int64_t>(Info.st_size));
}

void TReadOnlyFile::Close() noexcept {
  if (IsOpen())
    CloseDescriptor(static_cast<int>(std::exchange(FHandle, ClosedHandle)));
}

std::int64_t TReadOnlyFile::Read(void* Buffer, std::int64_t Count) {
  if (!IsOpen())
    throw EFileReadError(FName);
  auto* Next = static_cast<unsigned char*>(Buffer);
  std::int64_t Done = 0;
  while (Done < Count) {
    const auto Chunk = static_cast<std::size_t>(std::min(Count - Done, MaxTransfer));
    const ssize_t N = ::read(static_cast<int>(FHandle), Next + Done, Chunk);
    if (N > 0)
      Done += N;
    else if (N == 0)
      break; // end of file
    else if (errno != EINTR)
      throw EFileReadError(FName);
  }
  return Done;
}

TFileStamp TReadOnlyFile::Stamp() const {
  struct stat Info;
  if (!IsOpen() || ::fstat(static_cast<int>(FHandle), &Info) != 0)
    throw EFileReadError(FName);
  return StampOf(Info);
}

void TReadOnlyFile::Rewind() {
  if (!IsOpen() || ::lseek(static_cast<int>(FHandle), 0, SEEK_SET) != 0)
    throw EFileReadError(FName);
}

} // namespace Sumtide
