#pragma once

// Every BLAKE2b variant, private to the library: the block functions that hash one message
// (portable, AVX2, AVX-512VL) and their candidate table, from which the one in use is chosen
// (FunctionChoice.h). A function for other instructions is one more row of the table. TSCL_blake2b
// uses them; the tests reach each one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The x86 block functions are compiled beside the portable one whatever the target flags say,
// each with its own target attribute, and used only where the processor runs them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_BLAKE2B_X86 1
#endif

namespace Sumtide::Blake2Internal {

// The message bytes hashed so far, 128 bits as two words, the low one first, grown by Bytes.
inline void AddToCounter(std::uint64_t Counter[2], std::uint64_t Bytes) {
  Counter[0] += Bytes;
  if (Counter[0] < Bytes)
    ++Counter[1];
}

// Every block function has this shape: it compresses Count consecutive 128-byte blocks, each read
// as sixteen words low byte first from any address, into State, and leaves the blocks as they
// are. Counter holds the message bytes hashed so far (AddToCounter): before each block it grows by
// Step, which is 128 for a block inside the message and, for the last one, the message bytes that
// block holds (0 to 128, the rest of it zero). With Last set, the last of the Count blocks is
// compressed as the message's final block; TSCL_blake2b hands that one over on its own, once it
// knows no byte follows. A Count of 0 changes nothing.
using TBlocks = void (*)(std::uint64_t State[8], std::uint64_t Counter[2],
                         const std::uint8_t* Blocks, std::size_t Count, std::uint32_t Step,
                         bool Last);

// One block, with Counter already grown by what it holds: the twelve rounds in general registers.
void Blake2bCompressPortable(std::uint64_t State[8], const std::uint64_t Counter[2],
                             const std::uint8_t Block[128], bool Last);
// Blake2bCompressPortable over a run of blocks.
void Blake2bBlocksPortable(std::uint64_t State[8], std::uint64_t Counter[2],
                           const std::uint8_t* Blocks, std::size_t Count, std::uint32_t Step,
                           bool Last);

#ifdef SUMTIDE_BLAKE2B_X86
// The working vector as four rows of four words in 256-bit registers (Blake2bRows.h): on AVX2,
// and on AVX-512VL with its 64-bit rotate. Same arguments as TBlocks.
void Blake2bBlocksAvx2(std::uint64_t State[8], std::uint64_t Counter[2], const std::uint8_t* Blocks,
                       std::size_t Count, std::uint32_t Step, bool Last);
void Blake2bBlocksAvx512(std::uint64_t State[8], std::uint64_t Counter[2],
                         const std::uint8_t* Blocks, std::size_t Count, std::uint32_t Step,
                         bool Last);
#endif

// Whether this processor (and its operating system) runs each; false where they are not
// compiled in.
inline bool RunsBlake2bAvx2() {
#ifdef SUMTIDE_BLAKE2B_X86
  return Processor::Has(Processor::TFeature::Avx2);
#else
  return false;
#endif
}
inline bool RunsBlake2bAvx512() {
#ifdef SUMTIDE_BLAKE2B_X86
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx2, TFeature::Avx512F, TFeature::Avx512Vl);
#else
  return false;
#endif
}

// The candidates TSCL_blake2b chooses among: "portable", "avx2", "avx512".
std::span<const FunctionChoice::TCandidate<TBlocks>> Blake2bCandidates();

// The environment variable that forces a block function by its name, for tests and benchmarks.
// A function this processor cannot run forces the portable one; any other value nothing.
inline constexpr const char* Blake2bBlockVariable = "SUMTIDE_BLAKE2B_BLOCK";

// The rate of each candidate over the same 8 KiB, several times in turns (FunctionChoice.h); 0 for
// one this processor cannot run.
std::vector<double> MeasureBlake2bBlocks();

// The row TSCL_blake2b uses in this process: chosen the first time it is asked, which is when the
// first block is hashed, and kept. A later row replaces an earlier one only when it is faster by
// FunctionChoice's default margin.
std::size_t Blake2bBlocksInUse();

// The block function in use, with the arguments of TBlocks.
void Blake2bBlocks(std::uint64_t State[8], std::uint64_t Counter[2], const std::uint8_t* Blocks,
                   std::size_t Count, std::uint32_t Step, bool Last);

} // namespace Sumtide::Blake2Internal
