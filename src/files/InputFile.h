#pragma once

// A file opened for reading, as the system gives it. The window takes regular files only and
// never waits at the open; the command-line tool takes whatever the user names, as the system's
// own tools do: a pipe, a device, standard input. Failures carry the system's own description of
// the error, in the POSIX words on every system.

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

// What Open accepts.
enum class TFileKinds : std::uint8_t {
  // Whatever opens: a FIFO waits for a writer; a folder opens on POSIX and fails at its first
  // read.
  Any,
  // Regular files only (symbolic links followed), checked on what was actually opened, so an
  // object swapped in after a look-up by name is still refused. The open never waits: a FIFO or a
  // slow device is refused, not waited for.
  RegularOnly,
  // Whatever opens, without waiting at the open: a FIFO opens at once (with no writer, its reads
  // find the end) and a terminal does not become the process's own. For names that a look-up
  // (LookUpName) found to be regular files, opened ahead of their turn: should another object be
  // swapped in meanwhile, its open cannot hang the reader.
  AnyAtOnce,
};

enum class TNameKind : std::uint8_t {
  Regular, // a regular file, or a symbolic link that leads to one
  Other,   // anything else that exists: a folder, a FIFO, a device, a socket
  Unknown, // the look-up failed; the open will tell why
};
// What Name names, looked up without opening it (opening a FIFO would release its writer, opening
// a device may act on it); for a regular file, Stamp gets its stamp.
TNameKind LookUpName(const std::string& Name, TFileStamp& Stamp);

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
  // The file Name opened for reading, or nothing with Error set. A name holding a NUL byte names
  // no file (cutting it at the NUL would name another one).
  // Known, where given, is the stamp a look-up by name took of the regular file just before (see
  // Adopt).
  static std::optional<TInputFile> Open(const std::string& Name, TFileKinds Kinds,
                                        TInputError& Error, const TFileStamp* Known = nullptr);

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

  // A file another way of opening gave (many files opened at once, TFileBatch), taken over as
  // Open(Name, Any) would: its stamp, the system's advice for reading it. Closed by the object.
  // Known, where given, is the stamp a look-up by name took of the regular file just before the
  // open, which then saves asking the system again (POSIX): should the open have found another
  // object under the name, its stamp at the end of the reading differs from this one and the
  // reader reports the file changed.
  static TInputFile Adopt(std::intptr_t Handle, const TFileStamp* Known = nullptr);
  // The handle, for reads made elsewhere; still owned by the object.
  std::intptr_t Handle() const { return FHandle; }
  // Gives the handle up, for a close made elsewhere; the object then holds none.
  std::intptr_t Release() { return std::exchange(FHandle, ClosedHandle); }

  // Reads up to Count bytes with one call of the system (a pipe may give fewer before its end,
  // and at most 1 GiB is asked for at a time); 0 at the end; -1 with Error set when the read
  // fails. Safe to call from another thread than the one that opened the file.
  std::int64_t Read(void* Buffer, std::size_t Count, TInputError& Error);

  // Sets where the next Read starts, from the file's start; false where the system refuses.
  bool SeekTo(std::int64_t Offset);

  // True when a read now would wait for bytes that have not come yet (a pipe, a FIFO or a
  // terminal with nothing to read and a writer still there); false for a regular file, and
  // wherever the system cannot tell without reading (Windows).
  bool ReadWouldWait() const;

  // Asks the system to bring Length bytes from Offset into its cache, without waiting for them;
  // a hint that may do nothing (Windows reads ahead on its own).
  void Prefetch(std::int64_t Offset, std::int64_t Length) const;

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

  std::intptr_t FHandle; // a file descriptor or a HANDLE, by platform
  bool FOwned;
  std::optional<TFileStamp> FOpened;
};

// For tests of what the user sees on a slow medium: every read of a file opened by name first
// waits this long (a group of reads made together, TFileBatch, as long as its reads one by one).
// Set from the environment variable SUMTIDE_SLOW_READS (milliseconds, at most 1000) when the first
// file is read; 0, the default, waits not at all.
int SlowReadMilliseconds();

} // namespace Sumtide
