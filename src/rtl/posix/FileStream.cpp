#include "rtl/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Sumtide {

namespace {

int OpenFlags(TFileMode Mode) {
  switch (Mode) {
  case TFileMode::fmOpenRead:
    return O_RDONLY;
  case TFileMode::fmOpenWrite:
    return O_WRONLY;
  case TFileMode::fmOpenReadWrite:
    return O_RDWR;
  case TFileMode::fmCreate:
    return O_RDWR | O_CREAT | O_TRUNC;
  }
  return O_RDONLY;
}

std::string SystemMessage(int Error) {
  return std::strerror(Error);
}

// read and write are only defined for counts up to SSIZE_MAX; larger requests move less.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

} // namespace

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  int Fd;
  do
    Fd = ::open(FileName.c_str(), OpenFlags(Mode) | O_CLOEXEC, 0666);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0) {
    const char* What =
        Mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw EFOpenError(What + FileName + "\". " + SystemMessage(errno));
  }
  FHandle = Fd;
}

TFileStream::~TFileStream() {
  ::close(static_cast<int>(FHandle));
}

std::size_t TFileStream::Read(void* Buffer, std::size_t Count) {
  for (;;) {
    const ssize_t N = ::read(static_cast<int>(FHandle), Buffer, std::min(Count, MaxTransfer));
    if (N >= 0)
      return static_cast<std::size_t>(N);
    if (errno != EINTR)
      throw EStreamError("Cannot read from file \"" + FFileName + "\". " + SystemMessage(errno));
  }
}

std::size_t TFileStream::Write(const void* Buffer, std::size_t Count) {
  for (;;) {
    const ssize_t N = ::write(static_cast<int>(FHandle), Buffer, std::min(Count, MaxTransfer));
    if (N >= 0)
      return static_cast<std::size_t>(N);
    if (errno != EINTR)
      throw EStreamError("Cannot write to file \"" + FFileName + "\". " + SystemMessage(errno));
  }
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int Whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : Origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  const off_t Pos = ::lseek(static_cast<int>(FHandle), static_cast<off_t>(Offset), Whence);
  if (Pos < 0)
    throw EStreamError("Cannot seek in file \"" + FFileName + "\". " + SystemMessage(errno));
  return static_cast<std::int64_t>(Pos);
}

} // namespace Sumtide
