#pragma once

#include <cstddef>
#include <cstring>

namespace Sumtide {

// Overwrites Size bytes at Data with Value. The empty asm statement tells the compiler the memory
// is read afterwards, so the stores survive even when the object dies right after the wipe.
inline void SecureFill(void* Data, std::size_t Size, unsigned char Value) noexcept {
  if (Size == 0)
    return; // an empty area may come with a null pointer, which memset must not be given
  std::memset(Data, Value, Size);
  __asm__ __volatile__("" : : "r"(Data) : "memory");
}

inline void SecureZero(void* Data, std::size_t Size) noexcept {
  SecureFill(Data, Size, 0);
}

} // namespace Sumtide
