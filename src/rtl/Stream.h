#pragma once

#include "rtl/Exception.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Sumtide {

class EStreamError : public Exception {
public:
  using Exception::Exception;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// An abstract byte stream. Read and Write move up to Count bytes and return how many moved;
// a failure raises EStreamError, never a short count in disguise of an error.
class TStream {
public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  virtual std::size_t Read(void* Buffer, std::size_t Count) = 0;
  virtual std::size_t Write(const void* Buffer, std::size_t Count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();

  // Move exactly Count bytes or raise EStreamError.
  void ReadBuffer(void* Buffer, std::size_t Count);
  void WriteBuffer(const void* Buffer, std::size_t Count);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> Data) : FData(std::move(Data)) {}

  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

  void SetSize(std::size_t NewSize);
  const std::vector<std::uint8_t>& Data() const { return FData; }

private:
  std::vector<std::uint8_t> FData;
  std::size_t FPosition = 0;
};

} // namespace Sumtide
