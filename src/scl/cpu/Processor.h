#pragma once

// What this processor runs, asked in one place for every fast function of the library: the
// block functions, the lane kernels and the Base64 coders each say which features they need,
// and nothing else reads the processor. On targets other than x86 every answer is false, and
// the portable functions run. Private to the library.

#include <cstdint>

namespace Sumtide::Processor {

enum class TFeature : std::uint8_t {
  Ssse3,
  Sse41,
  Sha, // the SHA extensions (SHA-1 and SHA-256 rounds)
  Avx2,
  Bmi1,
  Bmi2,
  Avx512F,
  Avx512Vl,
  Avx512Bw,
  Avx512Vbmi,
};

// True when the processor has Feature and the system saves the registers it uses.
bool Has(TFeature Feature);

// True when it has every one of Features.
template <typename... TFeatures> bool HasAll(TFeatures... Features) {
  return (Has(Features) && ...);
}

} // namespace Sumtide::Processor
