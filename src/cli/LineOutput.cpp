#include "cli/LineOutput.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Sumtide::Cli {

namespace {

// As large as the writes were when all output went out in blocks.
constexpr std::size_t GatherSize = 64 * 1024;

#ifdef _WIN32
int WriteSome(int Descriptor, const char* Data, std::size_t Count) {
  constexpr std::size_t Most = std::size_t{1} << 30;
  return ::_write(Descriptor, Data, static_cast<unsigned>(Count < Most ? Count : Most));
}
int CloseDescriptor(int Descriptor) {
  return ::_close(Descriptor);
}
bool GathersInto(int Descriptor) {
  struct _stat64 Info {};
  return ::_fstat64(Descriptor, &Info) == 0 && (Info.st_mode & _S_IFMT) == _S_IFREG;
}
#else
ssize_t WriteSome(int Descriptor, const char* Data, std::size_t Count) {
  return ::write(Descriptor, Data, Count);
}
int CloseDescriptor(int Descriptor) {
  return ::close(Descriptor);
}
// A regular file, or /dev/null, where nobody can watch the lines come.
bool GathersInto(int Descriptor) {
  struct stat Info {};
  if (::fstat(Descriptor, &Info) != 0)
    return false;
  if (S_ISREG(Info.st_mode))
    return true;
  struct stat Null {};
  return S_ISCHR(Info.st_mode) && ::stat("/dev/null", &Null) == 0 && S_ISCHR(Null.st_mode) &&
         Info.st_rdev == Null.st_rdev;
}
#endif

} // namespace

TLineOutput::TLineOutput(int Descriptor)
    : FDescriptor(Descriptor), FGathers(GathersInto(Descriptor)) {
  if (FGathers)
    FHeld.reserve(GatherSize);
}

TLineOutput::~TLineOutput() {
  if (!FFinished)
    Flush();
}

void TLineOutput::Write(std::string_view Text) {
  if (FFailed || FFinished)
    return;
  if (!FGathers) {
    Send(Text);
    return;
  }
  if (FHeld.size() + Text.size() > GatherSize)
    Flush();
  // A text larger than the whole space goes out on its own, still in one piece.
  if (Text.size() >= GatherSize)
    Send(Text);
  else
    FHeld.append(Text);
}

void TLineOutput::Flush() {
  if (FHeld.empty())
    return;
  Send(FHeld);
  FHeld.clear();
}

bool TLineOutput::Send(std::string_view Text) {
  while (!FFailed && !Text.empty()) {
    const auto Wrote = WriteSome(FDescriptor, Text.data(), Text.size());
    if (Wrote < 0 && errno == EINTR)
      continue;
    if (Wrote <= 0)
      FFailed = true;
    else
      Text.remove_prefix(static_cast<std::size_t>(Wrote));
  }
  return !FFailed;
}

std::optional<std::string> TLineOutput::Finish() {
  if (FFinished)
    return std::nullopt;
  Flush();
  FFinished = true;
  // As the GNU tools judge the close of their standard output: a write that failed is reported,
  // with the system's words only when the close fails too; a close that fails is reported unless
  // the output was never open and nothing was written to it.
  const bool CloseFailed = CloseDescriptor(FDescriptor) != 0;
  const int Code = errno;
  if (!FFailed && (!CloseFailed || Code == EBADF))
    return std::nullopt;
  std::string Message = "write error";
  if (CloseFailed)
    Message += std::string(": ") + std::strerror(Code);
  return Message;
}

} // namespace Sumtide::Cli
