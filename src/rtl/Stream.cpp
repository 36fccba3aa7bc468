#include "rtl/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Sumtide {

std::int64_t TStream::Size() {
  const std::int64_t Here = Position();
  const std::int64_t End = Seek(0, TSeekOrigin::soEnd);
  Seek(Here, TSeekOrigin::soBeginning);
  return End;
}

void TStream::ReadBuffer(void* Buffer, std::size_t Count) {
  auto* P = static_cast<std::uint8_t*>(Buffer);
  while (Count > 0) {
    const std::size_t N = Read(P, Count);
    if (N == 0)
      throw EStreamError("Stream read error");
    P += N;
    Count -= N;
  }
}

void TStream::WriteBuffer(const void* Buffer, std::size_t Count) {
  const auto* P = static_cast<const std::uint8_t*>(Buffer);
  while (Count > 0) {
    const std::size_t N = Write(P, Count);
    if (N == 0)
      throw EStreamError("Stream write error");
    P += N;
    Count -= N;
  }
}

std::size_t TMemoryStream::Read(void* Buffer, std::size_t Count) {
  const std::size_t Available = FPosition < FData.size() ? FData.size() - FPosition : 0;
  const std::size_t N = std::min(Count, Available);
  if (N > 0)
    std::memcpy(Buffer, FData.data() + FPosition, N);
  FPosition += N;
  return N;
}

std::size_t TMemoryStream::Write(const void* Buffer, std::size_t Count) {
  if (Count == 0)
    return 0;
  if (Count > FData.max_size() - FPosition)
    throw EStreamError("Out of memory while expanding memory stream");
  if (FPosition + Count > FData.size())
    FData.resize(FPosition + Count);
  std::memcpy(FData.data() + FPosition, Buffer, Count);
  FPosition += Count;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t Base = 0;
  switch (Origin) {
  case TSeekOrigin::soBeginning:
    Base = 0;
    break;
  case TSeekOrigin::soCurrent:
    Base = static_cast<std::int64_t>(FPosition);
    break;
  case TSeekOrigin::soEnd:
    Base = static_cast<std::int64_t>(FData.size());
    break;
  }
  if ((Offset < 0 && Base < -Offset) ||
      (Offset > 0 && Base > std::numeric_limits<std::int64_t>::max() - Offset))
    throw EStreamError("Invalid stream position");
  // Seeking past the end is allowed; the next write fills the gap with zeros.
  FPosition = static_cast<std::size_t>(Base + Offset);
  return Base + Offset;
}

void TMemoryStream::SetSize(std::size_t NewSize) {
  FData.resize(NewSize);
  FPosition = std::min(FPosition, NewSize);
}

} // namespace Sumtide
