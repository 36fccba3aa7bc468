#include "files/FileServices.h"

#include <csetjmp>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide {

// A mapped file that shrinks while it is mapped makes the pages past its new end fault with
// SIGBUS, which would end the process. While Consume runs over a mapping, a SIGBUS handler of our
// own turns a fault inside that mapping into a jump back out, and ConsumeMapped returns false.
// Faults anywhere else are handed back to whatever handled SIGBUS before.

namespace {

struct TBusGuard {
  sigjmp_buf Resume;
  const std::uint8_t* Begin;
  const std::uint8_t* End;
};

// The guard of the mapping this thread is consuming, if any. Constant-initialised, so the signal
// handler reads it without any lazy set-up.
constinit thread_local TBusGuard* ActiveGuard = nullptr;
struct sigaction PreviousBusAction;

extern "C" void OnBusError(int, siginfo_t* Info, void*) {
  TBusGuard* Guard = ActiveGuard;
  const auto* At = static_cast<const std::uint8_t*>(Info->si_addr);
  if (Guard && At >= Guard->Begin && At < Guard->End)
    siglongjmp(Guard->Resume, 1);
  // Not ours: put the previous action back; the faulting instruction runs again and faults
  // under it.
  sigaction(SIGBUS, &PreviousBusAction, nullptr);
}

bool InstallBusHandler() {
  static std::once_flag Once;
  static bool Installed = false;
  std::call_once(Once, [] {
    struct sigaction Action {};
    Action.sa_sigaction = OnBusError;
    Action.sa_flags = SA_SIGINFO;
    sigemptyset(&Action.sa_mask);
    Installed = sigaction(SIGBUS, &Action, &PreviousBusAction) == 0;
  });
  return Installed;
}

// Runs Consume over the mapped bytes; false when a page of them faulted. Nothing here or in
// what Consume runs may own a resource: the jump back skips whatever was under way.
bool ConsumeGuarded(const std::uint8_t* Bytes, std::size_t Count, TReadOnlyFile::TConsume Consume,
                    void* Context) {
  TBusGuard Guard;
  Guard.Begin = Bytes;
  Guard.End = Bytes + Count;
  if (sigsetjmp(Guard.Resume, 1) != 0) {
    ActiveGuard = nullptr;
    return false;
  }
  ActiveGuard = &Guard;
  try {
    Consume(Context, Bytes, Count);
  } catch (...) {
    ActiveGuard = nullptr;
    throw;
  }
  ActiveGuard = nullptr;
  return true;
}

class TMapping {
public:
  TMapping(int Fd, off_t Start, std::size_t Length)
      : FLength(Length), FAddress(mmap(nullptr, Length, PROT_READ, MAP_SHARED, Fd, Start)) {}
  ~TMapping() {
    if (IsMapped())
      munmap(FAddress, FLength);
  }
  TMapping(const TMapping&) = delete;
  TMapping& operator=(const TMapping&) = delete;

  bool IsMapped() const { return FAddress != MAP_FAILED; }
  const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(FAddress); }

private:
  std::size_t FLength;
  void* FAddress;
};

} // namespace

bool TReadOnlyFile::ConsumeMapped(std::int64_t Offset, std::int64_t Length, TConsume Consume,
                                  void* Context) {
  if (!IsOpen() || Offset < 0 || Length <= 0 || !InstallBusHandler())
    return false;
  const int Fd = static_cast<int>(FHandle);
  // A file already shorter than asked is not mapped at all: most files that shrink have done so
  // by now, and the pages past the end would fault at once.
  struct stat Info;
  if (fstat(Fd, &Info) != 0 || Info.st_size < Offset || Info.st_size - Offset < Length)
    return false;
  const auto Page = static_cast<std::int64_t>(sysconf(_SC_PAGESIZE));
  const std::int64_t Start = Offset - Offset % Page;
  const auto Lead = static_cast<std::size_t>(Offset - Start);
  const TMapping Mapping(Fd, static_cast<off_t>(Start), Lead + static_cast<std::size_t>(Length));
  if (!Mapping.IsMapped())
    return false;
  return ConsumeGuarded(Mapping.Bytes() + Lead, static_cast<std::size_t>(Length), Consume, Context);
}

} // namespace Sumtide
