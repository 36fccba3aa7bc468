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

// The size of the regular file Name, looked up without opening it (opening a FIFO would wait for
// a writer, or take its bytes); nothing for any other kind of file or when it cannot be looked up.
std::optional<std::int64_t> RegularFileSize(const std::string& Name);

// How many files the process may hold open at once beyond the few it keeps anyway (standard
// streams, a list being read): the system's limit for the process, less a margin; at least 1.
std::size_t OpenFileAllowance();

class TInputFile {
public:
  // Standard input, which the object does not close.
  static TInputFile StandardInput();
  // The file Name opened for reading, or nothing with Error set.
  static std::optional<TInputFile> Open(const std::string& Name, TInputError& Error);

  TInputFile(TInputFile&& Other) noexcept
      : FHandle(std::exchange(Other.FHandle, ClosedHandle)), FOwned(Other.FOwned),
        FOpened(Other.FOpened) {}
  TInputFile& operator=(TInputFile&& Other) noexcept {
    if (this != &Other) {
      Close();
      FHandle = std::exchange(Other.FHandle, ClosedHandle);
      FOwned = Other.FOwned;
      FOpened = Other.FOpened;
    }
    return *this;
  }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  ~TInputFile() { Close(); }

  // Reads up to Count bytes (a pipe may give fewer before its end); 0 at the end; -1 with
  // Error set when the read fails.
  std::int64_t Read(void* Buffer, std::size_t Count, TInputError& Error);

  // The stamp taken when the file was opened: for a regular file only, whose stamp tells whether
  // it changed while it was read.
  const std::optional<TFileStamp>& OpenedStamp() const { return FOpened; }
  // The stamp now, or nothing when the system cannot tell.
  std::optional<TFileStamp> Stamp() const;

private:
  static constexpr std::intptr_t ClosedHandle = -1;
  void Close() noexcept;
  TInputFile(std::intptr_t Handle, bool Owned, std::optional<TFileStamp> Opened)
      : FHandle(Handle), FOwned(Owned), FOpened(Opened) {}

  std::intptr_t FHandle;
  bool FOwned;
  std::optional<TFileStamp> FOpened;
};

} // namespace Sumtide
