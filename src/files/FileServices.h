#pragma once

#include "rtl/Exception.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace Sumtide {

// File services: an existence test and a file opened for reading only, its bytes read in pieces
// or handed over from a memory mapping. Names are UTF-8 paths taken literally: nothing is
// trimmed, unquoted or expanded, a relative name resolves against the current directory, and a
// name holding a NUL byte names no file at all (cutting it at the NUL would name another one).
//
// On POSIX:
// - `*` and `?` are ordinary characters; there is no wildcard expansion.
// - Only regular files count (symbolic links are followed). A FIFO, socket or device is neither
//   an existing file nor openable, so nothing the user names can block the window or stream
//   endless data. The open itself does not block, and the opened descriptor is checked again,
//   so an object swapped in after the existence test is still refused.
// - POSIX offers no way to deny other writers while the file is open, so a file being written
//   meanwhile is hashed over whatever the reads return: the size taken at the open is only a
//   hint, and a read stops at the real end of file.

// A read that failed on an open file. It names the file; what the user is told is the caller's.
class EFileReadError : public Exception {
public:
  explicit EFileReadError(const std::string& FileName)
      : Exception("cannot read the file \"" + FileName + "\""), FFileName(FileName) {}

  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};

// True when Name names an existing regular file, or a symbolic link that leads to one. Any
// failure to look it up (no such entry, access denied on a directory on the way, a link loop, a
// name too long) is a plain false, never an error.
bool FileExists(const std::string& Name);

// What tells that a file changed: its size, the time of its last content change and the time of
// its last change of any kind (metadata too), as the system keeps them for the open file. Two
// stamps of the same file differ when it was written, truncated, extended, renamed over or
// removed between them, except for a change that falls within the clock tick of the last one.
struct TFileStamp {
  std::int64_t Size = 0;
  std::int64_t Modified = 0; // nanoseconds (POSIX) or 100-nanosecond units (Windows)
  std::int64_t Changed = 0;
  friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// A file opened for reading only; closed when the object is destroyed.
class TReadOnlyFile {
public:
  // The file opened, or nothing when it cannot be opened or is not a regular file.
  static std::optional<TReadOnlyFile> Open(const std::string& Name);

  TReadOnlyFile(TReadOnlyFile&& Other) noexcept
      : FName(std::move(Other.FName)), FHandle(std::exchange(Other.FHandle, ClosedHandle)),
        FSize(Other.FSize) {}
  TReadOnlyFile& operator=(TReadOnlyFile&& Other) noexcept {
    if (this != &Other) {
      Close();
      FName = std::move(Other.FName);
      FHandle = std::exchange(Other.FHandle, ClosedHandle);
      FSize = Other.FSize;
    }
    return *this;
  }
  TReadOnlyFile(const TReadOnlyFile&) = delete;
  TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;
  ~TReadOnlyFile() { Close(); }

  const std::string& Name() const { return FName; }
  bool IsOpen() const { return FHandle != ClosedHandle; }
  // The size in bytes when the file was opened.
  std::int64_t Size() const { return FSize; }

  // Reads up to Count bytes from the current position into Buffer, stopping early only at the
  // end of file, and returns how many it read (0 for Count <= 0 or at the end). A failing read,
  // or a read on a closed file, raises EFileReadError.
  std::int64_t Read(void* Buffer, std::int64_t Count);

  // The open file's stamp now. A failure raises EFileReadError.
  TFileStamp Stamp() const;

  // Moves the position Read starts from back to the start of the file. A failure raises
  // EFileReadError.
  void Rewind();

  // Hands the Length bytes from Offset on to Consume in one call, straight from the system's
  // file cache and without copying them, where the platform allows (a memory mapping on POSIX).
  // Returns true when Consume took them all. Returns false when the file no longer holds them
  // (it shrank, before or while Consume ran), cannot be mapped, or the platform maps no files;
  // Consume may then have taken only some of them, and the caller reads instead. Leaves the
  // position Read uses where it was. Consume must hold no resource of its own while it touches
  // the bytes (no allocation, no lock): a fault on a vanished page jumps straight out of it.
  using TConsume = void (*)(void* Context, const std::uint8_t* Bytes, std::size_t Count);
  bool ConsumeMapped(std::int64_t Offset, std::int64_t Length, TConsume Consume, void* Context);

  // Closes the file; harmless when it is already closed. Errors on closing are ignored: nothing
  // was written through the file.
  void Close() noexcept;

private:
  static constexpr std::intptr_t ClosedHandle = -1;

  TReadOnlyFile(std::string Name, std::intptr_t Handle, std::int64_t Size)
      : FName(std::move(Name)), FHandle(Handle), FSize(Size) {}

  std::string FName;
  std::intptr_t FHandle; // a file descriptor or a HANDLE, by platform; ClosedHandle when closed
  std::int64_t FSize;
};

} // namespace Sumtide
