#pragma once

// Every SHA-2 variant, private to the library: the initial hash values of SHA-224, SHA-256,
// SHA-384 and SHA-512; the block functions that hash one message (SHA-256: portable, on the x86
// SHA extensions; SHA-512: portable, with its message schedule on AVX2 or AVX-512); the SHA-256
// lane kernels that hash several messages at once (portable, AVX2, AVX-512); and the candidate
// table of each from which the one in use is chosen (FunctionChoice.h). SHA-224 runs SHA-256's
// functions and SHA-384 SHA-512's, each from initial values of its own. The components and
// TSha256Lanes, TSha224Lanes (Sha256Lanes.h) use them; the tests and the benchmarks reach each
// one directly.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"
#include "scl/sha/ShaCommon.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Sumtide::ShaInternal {

inline constexpr std::uint32_t Sha224Initial[8] = {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939,
                                                   0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};

inline constexpr std::uint32_t Sha256Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline constexpr std::uint64_t Sha384Initial[8] = {
    0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17, 0x152fecd8f70e5939,
    0x67332667ffc00b31, 0x8eb44a8768581511, 0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4};

inline constexpr std::uint64_t Sha512Initial[8] = {
    0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
    0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};

// Each adds Block, read as words high byte first from any address, into State.
void Sha256CompressPortable(std::uint32_t State[8], const std::uint8_t Block[64]);
void Sha512CompressPortable(std::uint64_t State[8], const std::uint8_t Block[128]);

#ifdef SUMTIDE_SHA_NI_COMPRESS
// Adds Count consecutive 64-byte blocks, read as words high byte first, into State, and leaves
// the blocks as they are. The state stays in registers from one block to the next. Blocks and
// State may lie at any address; a Count of 0 leaves State as it is. Needs HasShaExtensions().
void Sha256CompressShaNi(std::uint32_t State[8], const std::uint8_t* Blocks, std::size_t Count);
#endif

// Whether this processor, and its operating system, can run Sha512CompressAvx2 (AVX2 and BMI2)
// and Sha512CompressAvx512 (AVX-512F, AVX-512VL and BMI2). Both false where the functions are not
// compiled in.
inline bool HasSha512Avx2() {
#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx2, TFeature::Bmi1, TFeature::Bmi2);
#else
  return false;
#endif
}
inline bool HasSha512Avx512() {
#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Vl, TFeature::Bmi1, TFeature::Bmi2);
#else
  return false;
#endif
}

#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
// SHA-512 block functions (SHA-384's too) that build the message schedule in vector registers:
// the words W[t] + K[t] are made four at a time beside the steps, which stay in general registers
// and read them from a small array on the stack. Each adds Count consecutive 128-byte blocks, read
// as words high byte first from any address, into State, as Sha512CompressPortable does one block
// at a time.
void Sha512CompressAvx2(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);
void Sha512CompressAvx512(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);
#endif

// The block functions of each, the portable one first: SHA-256's "portable", "shani"; SHA-512's
// "portable", "avx2", "avx512".
std::span<const TBlockCandidate<std::uint32_t>> Sha256Candidates();
std::span<const TBlockCandidate<std::uint64_t>> Sha512Candidates();

// The environment variables that force a block function by name, for tests and benchmarks; one
// this processor cannot run forces the portable one, any other value nothing.
inline constexpr const char* Sha256BlockVariable = "SUMTIDE_SHA256_BLOCK";
inline constexpr const char* Sha512BlockVariable = "SUMTIDE_SHA512_BLOCK";

// The row each uses in this process.
std::size_t Sha256BlocksInUse();
std::size_t Sha512BlocksInUse();

// The chaining words of every lane, one array per word: a vector register loads one word of many
// lanes at once.
struct alignas(64) TSha256LaneState {
  std::uint32_t H[8][MaxLanes];
};

// Every lane kernel has this shape: for each lane whose bit is set in Active, it adds BlockCount
// consecutive 64-byte blocks, starting at Data[Lane] at any address, into that lane's chaining
// words. The other lanes keep theirs, and their pointers are never read (they may be null). Bits
// at and above the kernel's lane count must be clear.
using TSha256LaneBlocks = void (*)(TSha256LaneState& State,
                                   const std::uint8_t* const Data[MaxLanes], std::size_t BlockCount,
                                   TLaneMask Active);

void Sha256LaneBlocksPortable(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                              std::size_t BlockCount, TLaneMask Active);
#ifdef SUMTIDE_SHA_LANES_X86
void Sha256LaneBlocksAvx2(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
void Sha256LaneBlocksAvx512(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);
#endif

// The lane kernels as candidates, "portable", "avx2", "avx512" (ShaCommon.h); a kernel is named
// by its row.
std::span<const FunctionChoice::TCandidate<TSha256LaneBlocks>> Sha256LaneCandidates();

// The environment variable that forces a kernel by its name, for tests and benchmarks. A kernel
// this processor cannot run forces the portable one; any other value forces nothing.
inline constexpr const char* Sha256LaneKernelVariable = "SUMTIDE_SHA256_LANES";

// What each kernel hashes in the same time, by row (LaneChoice.h); 0 for one that does not run.
std::vector<double> MeasureSha256LaneKernels();

// The row of the kernel the SHA-256 and SHA-224 lanes use by default in this process: chosen the
// first time it is asked and kept.
std::size_t Sha256LaneKernelInUse();

} // namespace Sumtide::ShaInternal
