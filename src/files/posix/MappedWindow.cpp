// Mapped windows and the SIGBUS guard that keeps a file cut short from ending the process.

#include "files/MappedWindow.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace Sumtide {

namespace {

// The windows mapped now, for the signal handler: each slot's range is set before its window is
// read and cleared before it is unmapped. A few windows at once are plenty (one per file hashed
// on its own); with every slot taken, Map gives nothing and the caller reads.
struct TSlot {
  std::atomic<std::uintptr_t> Begin{0}, End{0};
  std::atomic<bool> Lost{false};
  std::atomic<bool> Taken{false};
};
std::array<TSlot, 16> Slots;

struct sigaction Previous {};
std::uintptr_t PageSize = 4096; // read once, before the handler is installed
std::once_flag Installed;

void OnBus(int Signal, siginfo_t* Info, void* Context) {
  const auto Address = reinterpret_cast<std::uintptr_t>(Info->si_addr);
  for (TSlot& Slot : Slots) {
    const std::uintptr_t Begin = Slot.Begin.load(std::memory_order_acquire);
    if (Begin == 0 || Address < Begin || Address >= Slot.End.load(std::memory_order_acquire))
      continue;
    // A zero page in place of the one the file lost, so the read goes on; the window says so.
    const std::uintptr_t Page = PageSize;
    void* At = reinterpret_cast<void*>(Address & ~(Page - 1));
    if (::mmap(At, Page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
      break;
    Slot.Lost.store(true, std::memory_order_release);
    return;
  }
  // Not ours: as the handler before would have it.
  if (Previous.sa_flags & SA_SIGINFO) {
    if (Previous.sa_sigaction) {
      Previous.sa_sigaction(Signal, Info, Context);
      return;
    }
  } else if (Previous.sa_handler != SIG_DFL && Previous.sa_handler != SIG_IGN) {
    Previous.sa_handler(Signal);
    return;
  }
  ::signal(SIGBUS, SIG_DFL); // the fault comes again and ends the process as it would have
}

void InstallGuard() {
  PageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction Action {};
  Action.sa_sigaction = OnBus;
  Action.sa_flags = SA_SIGINFO;
  sigemptyset(&Action.sa_mask);
  ::sigaction(SIGBUS, &Action, &Previous);
}

} // namespace

std::unique_ptr<TMappedWindow> TMappedWindow::Map(std::intptr_t Handle, std::int64_t Offset,
                                                  std::size_t Length) {
  if (Length == 0)
    return nullptr;
  std::call_once(Installed, InstallGuard);
  std::size_t Slot = 0;
  for (; Slot < Slots.size(); ++Slot) {
    bool Free = false;
    if (Slots[Slot].Taken.compare_exchange_strong(Free, true))
      break;
  }
  if (Slot == Slots.size())
    return nullptr;
  void* At = ::mmap(nullptr, Length, PROT_READ, MAP_SHARED, static_cast<int>(Handle),
                    static_cast<off_t>(Offset));
  if (At == MAP_FAILED) {
    Slots[Slot].Taken.store(false);
    return nullptr;
  }
  ::madvise(At, Length, MADV_SEQUENTIAL);
  const auto Begin = reinterpret_cast<std::uintptr_t>(At);
  Slots[Slot].Lost.store(false);
  Slots[Slot].End.store(Begin + Length, std::memory_order_release);
  Slots[Slot].Begin.store(Begin, std::memory_order_release);
  return std::make_unique<TMappedWindow>(TKey{}, static_cast<const std::uint8_t*>(At), Length,
                                         Slot);
}

TMappedWindow::~TMappedWindow() {
  TSlot& Slot = Slots[FSlot];
  Slot.Begin.store(0, std::memory_order_release);
  Slot.End.store(0, std::memory_order_release);
  ::munmap(const_cast<std::uint8_t*>(FBytes), FLength);
  Slot.Taken.store(false, std::memory_order_release);
}

bool TMappedWindow::LostPages() const {
  return Slots[FSlot].Lost.load(std::memory_order_acquire);
}

} // namespace Sumtide
