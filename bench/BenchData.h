#pragma once

// What the benchmarks share besides the clock: the bytes they hash and the median of a figure.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Sumtide::Bench {

// Size bytes of a fixed xorshift pattern: the same in every run, and nothing a hash could skip.
inline std::vector<std::uint8_t> PatternBytes(std::size_t Size) {
  std::vector<std::uint8_t> Buffer(Size);
  std::uint32_t X = 0x2545f491;
  for (auto& Byte : Buffer) {
    X ^= X << 13;
    X ^= X >> 17;
    X ^= X << 5;
    Byte = static_cast<std::uint8_t>(X);
  }
  return Buffer;
}

// The median of the figures, 0 when there are none.
inline double MedianOf(std::vector<double> Values) {
  if (Values.empty())
    return 0;
  std::sort(Values.begin(), Values.end());
  const std::size_t N = Values.size();
  return N % 2 ? Values[N / 2] : (Values[N / 2 - 1] + Values[N / 2]) / 2;
}

} // namespace Sumtide::Bench
