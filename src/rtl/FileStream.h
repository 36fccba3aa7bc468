#pragma once

#include "rtl/Stream.h"

#include <cstdint>
#include <string>

namespace Sumtide {

enum class TFileMode {
  fmOpenRead,      // an existing file, for reading
  fmOpenWrite,     // an existing file, for writing
  fmOpenReadWrite, // an existing file, for both
  fmCreate,        // a new or emptied file, for both
};

// A stream over a file named by a UTF-8 path. The file is closed when the stream is destroyed.
// Failing to open raises EFOpenError; a failing read, write or seek raises EStreamError.
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

class TFileStream : public TStream {
public:
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream() override;

  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  std::intptr_t FHandle; // a file descriptor or a HANDLE, by platform
};

} // namespace Sumtide
