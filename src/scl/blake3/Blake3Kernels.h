#pragma once

// Every BLAKE3 variant, private to the library: the one compression in plain C++, and the
// functions that hash many inputs of the same shape at once (whole chunks, or parent nodes), one
// input per vector lane: portable, SSE4.1 (4 lanes), AVX2 (8), AVX-512 (16). TSCL_blake3 uses
// the one chosen from their candidate table (FunctionChoice.h); the tests reach each directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_BLAKE3_X86 1
#endif

namespace Sumtide::Blake3Internal {

// One compression: the chaining value Cv, a block of BlockLength bytes (zero after them), the
// counter and the flags; Out receives the sixteen output words (the first eight are the next
// chaining value; all sixteen make a root's output block).
void CompressPortable(const std::uint32_t Cv[8], const std::uint8_t Block[64],
                      std::uint64_t Counter, std::uint32_t BlockLength, std::uint32_t Flags,
                      std::uint32_t Out[16]);

// The inputs of one call to a many-input function: Count inputs at Inputs[0..Count), each Blocks
// whole blocks of 64 bytes, each hashed from the chaining value Key. Input I gets the counter
// Counter + I when IncrementCounter is set (chunks: their index), else Counter (parents: 0).
// Every block gets Flags; the first block of an input adds FirstFlags, the last LastFlags. The
// chaining value of input I goes to Out + 32 * I, low byte of each word first.
struct TManyInputs {
  const std::uint8_t* const* Inputs;
  std::size_t Count;
  std::size_t Blocks;
  const std::uint32_t* Key;
  std::uint64_t Counter;
  bool IncrementCounter;
  std::uint32_t Flags;
  std::uint32_t FirstFlags;
  std::uint32_t LastFlags;
  std::uint8_t* Out;
};

using TMany = void (*)(const TManyInputs& Work);

void ManyPortable(const TManyInputs& Work);
#ifdef SUMTIDE_BLAKE3_X86
void ManySse41(const TManyInputs& Work);
void ManyAvx2(const TManyInputs& Work);
void ManyAvx512(const TManyInputs& Work);
#endif

inline bool RunsSse41() {
#ifdef SUMTIDE_BLAKE3_X86
  return Processor::Has(Processor::TFeature::Sse41);
#else
  return false;
#endif
}
inline bool RunsAvx2() {
#ifdef SUMTIDE_BLAKE3_X86
  return Processor::Has(Processor::TFeature::Avx2);
#else
  return false;
#endif
}
inline bool RunsAvx512() {
#ifdef SUMTIDE_BLAKE3_X86
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx2, TFeature::Avx512F, TFeature::Avx512Vl);
#else
  return false;
#endif
}

// The candidates: "portable", "sse41", "avx2", "avx512"; Lanes is how many inputs each hashes at
// once.
std::span<const FunctionChoice::TCandidate<TMany>> ManyCandidates();

// Forces a many-input function by its name, for tests and benchmarks.
inline constexpr const char* ManyVariable = "SUMTIDE_BLAKE3_MANY";

// The rate of each candidate over the same 32 chunks, in turns; 0 for one that does not run.
std::vector<double> MeasureMany();

// The row in use in this process, chosen the first time it is asked and kept.
std::size_t ManyInUse();

// The many-input function in use.
void Many(const TManyInputs& Work);

} // namespace Sumtide::Blake3Internal
