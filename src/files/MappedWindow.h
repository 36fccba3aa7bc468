#pragma once

// A window of an open regular file mapped into memory for reading, where the system can map it
// (POSIX; on Windows, and for a file the system refuses to map, Map gives nothing and the caller
// reads instead). Unmapped when the window ends.
//
// A file cut short while it is mapped takes pages from under the window; reading one would end
// the process (SIGBUS). A guard installed with the first window gives a zero page in its place
// instead and marks the window: LostPages tells the reader its bytes were not the file's. A fault
// outside every window is left to the handler that was there before.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace Sumtide {

class TMappedWindow {
public:
  // Length bytes of the file behind Handle from Offset (a multiple of the page size); nothing
  // when it cannot be mapped.
  static std::unique_ptr<TMappedWindow> Map(std::intptr_t Handle, std::int64_t Offset,
                                            std::size_t Length);
  ~TMappedWindow();
  TMappedWindow(const TMappedWindow&) = delete;
  TMappedWindow& operator=(const TMappedWindow&) = delete;

  std::span<const std::uint8_t> Bytes() const { return {FBytes, FLength}; }
  // Whether a page went missing while the window was read (the file was cut short).
  bool LostPages() const;

  // For Map alone: the key is out of reach elsewhere.
  class TKey {
    friend class TMappedWindow;
    TKey() = default;
  };
  TMappedWindow(TKey, const std::uint8_t* Bytes, std::size_t Length, std::size_t Slot)
      : FBytes(Bytes), FLength(Length), FSlot(Slot) {}

private:
  const std::uint8_t* FBytes;
  std::size_t FLength;
  std::size_t FSlot;
};

} // namespace Sumtide
