#pragma once

#include "rtl/Stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Sumtide::Test {

// A stream that passes everything to another one and notes the size of every read asked for.
class TCountingStream : public TStream {
public:
  explicit TCountingStream(TStream& Inner) : FInner(Inner) {}
  std::size_t Read(void* Buffer, std::size_t Count) override {
    Reads.push_back(Count);
    return FInner.Read(Buffer, Count);
  }
  std::size_t Write(const void* Buffer, std::size_t Count) override {
    return FInner.Write(Buffer, Count);
  }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    return FInner.Seek(Offset, Origin);
  }

  std::vector<std::size_t> Reads;

private:
  TStream& FInner;
};

} // namespace Sumtide::Test
