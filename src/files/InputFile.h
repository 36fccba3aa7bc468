#pragma once

// Any file a command-line tool reads, as the system gives it: a regular file, a pipe, a device,
// standard input. Unlike TReadOnlyFile, nothing is refused for its kind; a folder opens on POSIX
// and fails at its first read. Failures carry the system's own description of the error.

#include "files/FileServices.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace Sumtide {

struct TInputError {
  std::string Text;     // "No such file or directory", ...: the system's words
  bool Missing = false; // the name names no entry
};

class TInputFile {
public:
  // Standard input, which the object does not close.
  static TInputFile StandardInput();
  // The file Name opened for reading, or nothing with Error set.
  static std::optional<TInputFile> Open(const std::string& Name, TInputError& Error);

  TInputFile(TInputFile&& Other) noexcept
      : FHandle(std::exchange(Other.FHandle, ClosedHandle)), FOwned(Other.FOwned),
        FRegular(Other.FRegular) {}
  TInputFile& operator=(TInputFile&& Other) noexcept {
    if (this != &Other) {
      Close();
      FHandle = std::exchange(Other.FHandle, ClosedHandle);
      FOwned = Other.FOwned;
      FRegular = Other.FRegular;
    }
    return *this;
  }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  ~TInputFile() { Close(); }

  // Reads up to Count bytes (a pipe may give fewer before its end); 0 at the end; -1 with
  // Error set when the read fails.
  std::int64_t Read(void* Buffer, std::size_t Count, TInputError& Error);

  // A regular file: its stamp tells whether it changed while it was read.
  bool IsRegular() const { return FRegular; }
  std::optional<TFileStamp> Stamp() const;

private:
  static constexpr std::intptr_t ClosedHandle = -1;
  void Close() noexcept;
  TInputFile(std::intptr_t Handle, bool Owned, bool Regular)
      : FHandle(Handle), FOwned(Owned), FRegular(Regular) {}

  std::intptr_t FHandle;
  bool FOwned;
  bool FRegular;
};

} // namespace Sumtide
