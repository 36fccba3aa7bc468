#pragma once

// The checksum of one named file with a hash made from a class reference, its bytes taken through
// the file reader (files/FileReader.h), and progress. Knows no toolkit, no form and no user text:
// the caller decides what to show.

#include "scl/SCLcrypt.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Sumtide::Checksum {

enum class TStatus : std::uint8_t {
  Done,       // Digest holds the checksum
  Cancelled,  // the progress said stop; nothing is kept
  NotAFile,   // the name names no regular file (no entry, a folder, a device, a FIFO...)
  NotOpened,  // a regular file that could not be opened for reading
  ReadFailed, // the file opened but a read failed
  Changed,    // the file changed while it was hashed: no digest is right for it
};

struct TResult {
  TStatus Status = TStatus::NotAFile;
  std::vector<std::uint8_t> Digest; // GetHashSize() / 8 bytes when Done, empty otherwise
};

// What a caller hears while a file is hashed. Both calls come from the hashing thread.
class IProgress {
public:
  // Once the file is open, before its first byte is hashed: its size at the open, 0 for a file
  // that reports none (read to its end).
  virtual void Started(std::int64_t Total) = 0;
  // After every piece hashed (a MiB at most, so on a slow medium too the calls keep coming), with
  // the bytes hashed so far. Returning false cancels.
  virtual bool Reached(std::int64_t Done, std::int64_t Total) = 0;

protected:
  ~IProgress() = default;
};

// The checksum of the file Name, hashed with a new instance of HashClass owned by Owner (may be
// null) for this run and freed on every way out. Progress may be null. A hash class whose digest
// size is no positive multiple of 8 bits raises Exception; so does running out of memory
// (std::bad_alloc), and whatever the hash itself raises passes through.
TResult FileChecksum(const std::string& Name, TSCL_hashclassref HashClass, TComponent* Owner,
                     IProgress* Progress);

} // namespace Sumtide::Checksum
