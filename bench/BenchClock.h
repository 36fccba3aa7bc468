#pragma once

// What the benchmarks share: a measure of the core clock, for figures in cycles per byte.

#include <algorithm>
#include <chrono>

namespace Sumtide::Bench {

// The core clock, from the time a chain of dependent register additions takes (one cycle each).
// The clock the system reports is the nominal one, which a turbo clock can be far from. Returns
// 0 where the chain cannot be written.
inline double MeasureCoreClock() {
#if defined(__x86_64__) || defined(__i386__)
  constexpr long Rounds = 20'000'000;
  double Best = 0;
  for (int Attempt = 0; Attempt < 5; ++Attempt) {
    unsigned long X = 0;
    const unsigned long One = 1;
    const auto Start = std::chrono::steady_clock::now();
    for (long I = 0; I < Rounds; ++I)
      __asm__ volatile("add %1, %0\n\tadd %1, %0\n\tadd %1, %0\n\tadd %1, %0\n\t"
                       "add %1, %0\n\tadd %1, %0\n\tadd %1, %0\n\tadd %1, %0\n\t"
                       "add %1, %0\n\tadd %1, %0"
                       : "+r"(X)
                       : "r"(One));
    const std::chrono::duration<double> Took = std::chrono::steady_clock::now() - Start;
    Best = std::max(Best, 10.0 * Rounds / Took.count());
  }
  return Best;
#else
  return 0;
#endif
}

} // namespace Sumtide::Bench
