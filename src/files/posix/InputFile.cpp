#include "files/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide {

namespace {

TInputError ErrorOf(int Code) {
  return {std::strerror(Code), Code == ENOENT};
}

bool IsRegularFile(int Fd) {
  struct stat Info {};
  return ::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode);
}

} // namespace

TInputFile TInputFile::StandardInput() {
  return TInputFile(STDIN_FILENO, false, IsRegularFile(STDIN_FILENO));
}

std::optional<TInputFile> TInputFile::Open(const std::string& Name, TInputError& Error) {
  if (Name.find('\0') != std::string::npos) {
    Error = ErrorOf(ENOENT);
    return std::nullopt;
  }
  int Fd;
  do
    Fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0) {
    Error = ErrorOf(errno);
    return std::nullopt;
  }
  ::posix_fadvise(Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return TInputFile(Fd, true, IsRegularFile(Fd));
}

void TInputFile::Close() noexcept {
  if (FOwned && FHandle != ClosedHandle)
    ::close(static_cast<int>(FHandle));
  FHandle = ClosedHandle;
}

std::int64_t TInputFile::Read(void* Buffer, std::size_t Count, TInputError& Error) {
  ssize_t Got;
  do
    Got = ::read(static_cast<int>(FHandle), Buffer, Count);
  while (Got < 0 && errno == EINTR);
  if (Got < 0)
    Error = ErrorOf(errno);
  return Got;
}

std::optional<TFileStamp> TInputFile::Stamp() const {
  struct stat Info {};
  if (::fstat(static_cast<int>(FHandle), &Info) != 0)
    return std::nullopt;
  constexpr std::int64_t Billion = 1'000'000'000;
  return TFileStamp{static_cast<std::int64_t>(Info.st_size),
                    Info.st_mtim.tv_sec * Billion + Info.st_mtim.tv_nsec,
                    Info.st_ctim.tv_sec * Billion + Info.st_ctim.tv_nsec};
}

} // namespace Sumtide
