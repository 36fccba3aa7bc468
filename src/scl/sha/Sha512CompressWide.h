#pragma once

// SHA-512 block functions (SHA-384's too) that build the message schedule in vector registers:
// the words W[t] + K[t] are made four at a time beside the steps, which stay in general registers
// and read them from a small array on the stack. Each is compiled in whatever the target flags
// say and runs only where the processor has what it needs. Private to the library.

#include "scl/cpu/Processor.h"
#include "scl/sha/Sha2Constants.h"

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA512_VECTOR_COMPRESS 1
#endif

namespace Sumtide::ShaInternal {

// Whether this processor, and its operating system, can run Sha512CompressAvx2 (AVX2 and BMI2)
// and Sha512CompressAvx512 (AVX-512F, AVX-512VL and BMI2). Both false where the functions are not
// compiled in.
inline bool HasSha512Avx2() {
#ifdef SUMTIDE_SHA512_VECTOR_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx2, TFeature::Bmi1, TFeature::Bmi2);
#else
  return false;
#endif
}
inline bool HasSha512Avx512() {
#ifdef SUMTIDE_SHA512_VECTOR_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Vl, TFeature::Bmi1, TFeature::Bmi2);
#else
  return false;
#endif
}

#ifdef SUMTIDE_SHA512_VECTOR_COMPRESS
// Each adds Count consecutive 128-byte blocks, read as words high byte first from any address,
// into State, as Sha512CompressPortable does one block at a time.
void Sha512CompressAvx2(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);
void Sha512CompressAvx512(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);

#endif

} // namespace Sumtide::ShaInternal
