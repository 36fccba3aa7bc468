#include "files/InputFile.h"

#include "files/posix/StatStamp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide {

// Sizes beyond 4 GiB need a 64-bit off_t (a 32-bit build must define _FILE_OFFSET_BITS=64).
static_assert(sizeof(off_t) >= sizeof(std::int64_t), "off_t must be 64 bits wide");

namespace {

TInputError ErrorOf(int Code) {
  return {std::strerror(Code), Code == ENOENT};
}

// The stamp of a regular file; nothing for any other kind.
std::optional<TFileStamp> RegularStamp(int Fd) {
  struct stat Info {};
  if (::fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode))
    return std::nullopt;
  return StampOf(Info);
}

// Below this size the system's read-ahead has nothing to gain from the advice.
constexpr std::int64_t SequentialAdvice = 256 * 1024;

// Linux moves at most about 2 GiB per read call; asking for 1 GiB at a time stays under every
// system's limit.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

void CloseDescriptor(int Fd) noexcept {
  // Not retried on EINTR: Linux releases the descriptor even then, and a second close could hit
  // a descriptor that another thread has just been given.
  ::close(Fd);
}

} // namespace

std::size_t OpenFileAllowance() {
  constexpr rlim_t Margin = 16;
  struct rlimit Limit {};
  if (::getrlimit(RLIMIT_NOFILE, &Limit) != 0 || Limit.rlim_cur == RLIM_INFINITY)
    return 4096;
  return Limit.rlim_cur > Margin + 1 ? static_cast<std::size_t>(Limit.rlim_cur - Margin) : 1;
}

std::optional<std::int64_t> RegularFileSize(const std::string& Name) {
  struct stat Info {};
  if (Name.find('\0') != std::string::npos || ::stat(Name.c_str(), &Info) != 0 ||
      !S_ISREG(Info.st_mode))
    return std::nullopt;
  return static_cast<std::int64_t>(Info.st_size);
}

TNameKind LookUpName(const std::string& Name, TFileStamp& Stamp) {
  struct stat Info {};
  if (Name.empty() || Name.find('\0') != std::string::npos || ::stat(Name.c_str(), &Info) != 0)
    return TNameKind::Unknown;
  if (!S_ISREG(Info.st_mode))
    return TNameKind::Other;
  Stamp = StampOf(Info);
  return TNameKind::Regular;
}

TInputFile TInputFile::StandardInput() {
  return TInputFile(STDIN_FILENO, false, RegularStamp(STDIN_FILENO));
}

std::optional<TInputFile> TInputFile::Open(const std::string& Name, TFileKinds Kinds,
                                           TInputError& Error, const TFileStamp* Known) {
  if (Name.empty() || Name.find('\0') != std::string::npos) {
    Error = ErrorOf(ENOENT);
    return std::nullopt;
  }
  // O_NONBLOCK keeps the open of a FIFO without a writer (or of a slow device) from waiting, and
  // O_NOCTTY keeps a terminal from becoming ours.
  const bool AtOnce = Kinds != TFileKinds::Any;
  const int Flags = O_RDONLY | O_CLOEXEC | (AtOnce ? O_NONBLOCK | O_NOCTTY : 0);
  int Fd;
  do
    Fd = ::open(Name.c_str(), Flags);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0) {
    Error = ErrorOf(errno);
    return std::nullopt;
  }
  if (Kinds == TFileKinds::RegularOnly && !RegularStamp(Fd)) {
    CloseDescriptor(Fd);
    Error = {"Not a regular file", false};
    return std::nullopt;
  }
  TInputFile File = Adopt(Fd, Known);
  // Reads of anything but a regular file wait for their bytes, as they would after a plain open
  // (a regular file's reads never wait, whatever the flag says).
  if (AtOnce && !File.OpenedStamp())
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
  return File;
}

TInputFile TInputFile::Adopt(std::intptr_t Handle, const TFileStamp* Known) {
  const int Fd = static_cast<int>(Handle);
  const std::optional<TFileStamp> Stamp = Known ? std::optional(*Known) : RegularStamp(Fd);
  if (!Stamp || Stamp->Size >= SequentialAdvice)
    ::posix_fadvise(Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return TInputFile(Fd, true, Stamp);
}

void TInputFile::Close() noexcept {
  if (FOwned && FHandle != ClosedHandle)
    CloseDescriptor(static_cast<int>(FHandle));
  FHandle = ClosedHandle;
}

std::int64_t TInputFile::Read(void* Buffer, std::size_t Count, TInputError& Error) {
  if (FOwned && SlowReadMilliseconds() > 0)
    ::usleep(static_cast<useconds_t>(SlowReadMilliseconds()) * 1000);
  ssize_t Got;
  do
    Got = ::read(static_cast<int>(FHandle), Buffer, std::min(Count, MaxTransfer));
  while (Got < 0 && errno == EINTR);
  if (Got < 0)
    Error = ErrorOf(errno);
  return Got;
}

bool TInputFile::SeekTo(std::int64_t Offset) {
  return ::lseek(static_cast<int>(FHandle), static_cast<off_t>(Offset), SEEK_SET) == Offset;
}

bool TInputFile::ReadWouldWait() const {
  if (FOpened)
    return false;
  pollfd Poll{static_cast<int>(FHandle), POLLIN, 0};
  int Ready;
  do
    Ready = ::poll(&Poll, 1, 0);
  while (Ready < 0 && errno == EINTR);
  // Nothing ready and no hang-up: a read would wait. A failed poll leaves it to the read.
  return Ready == 0;
}

void TInputFile::Prefetch(std::int64_t Offset, std::int64_t Length) const {
  ::posix_fadvise(static_cast<int>(FHandle), static_cast<off_t>(Offset), static_cast<off_t>(Length),
                  POSIX_FADV_WILLNEED);
}

std::optional<TFileStamp> TInputFile::Stamp() const {
  struct stat Info {};
  if (::fstat(static_cast<int>(FHandle), &Info) != 0)
    return std::nullopt;
  return StampOf(Info);
}

} // namespace Sumtide
