#pragma once

#include <cstdint>
#include <string>

namespace Sumtide {

// File services: an existence test, a file's change stamp, and files opened for reading
// (InputFile.h) and read for hashing (FileReader.h). Names are UTF-8 paths taken literally:
// nothing is trimmed, unquoted or expanded, a relative name resolves against the current
// directory, and a name holding a NUL byte names no file at all (cutting it at the NUL would name
// another one).
//
// On POSIX:
// - `*` and `?` are ordinary characters; there is no wildcard expansion.
// - POSIX offers no way to deny other writers while the file is open, so a file being written
//   meanwhile is read over whatever the reads return; its stamp tells afterwards.

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

} // namespace Sumtide
