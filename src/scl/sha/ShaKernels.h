#pragma once

// Every variant of the SHA family (FIPS 180-4), private to the library: the initial hash values;
// the block functions that hash one message (portable; SHA-1 and SHA-256 on the x86 SHA
// extensions; SHA-512, and so SHA-384, with its message schedule on AVX2 or AVX-512); the
// SHA-256 and SHA-1 lane kernels that hash several messages at once (portable, AVX2, AVX-512);
// and the candidate table of each from which the one in use is chosen (FunctionChoice.h).
// SHA-224 runs SHA-256's functions and SHA-384 SHA-512's, each from initial values of its own.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneTypes.h"
#include "scl/sha/Sha2Constants.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace Sumtide::ShaInternal {

// Each adds Block, read as words high byte first, into State, and leaves Block as it is. Block
// may lie at any address.
void Sha1CompressPortable(std::uint32_t State[5], const std::uint8_t Block[64]);
void Sha256CompressPortable(std::uint32_t State[8], const std::uint8_t Block[64]);
void Sha512CompressPortable(std::uint64_t State[8], const std::uint8_t Block[128]);

inline constexpr std::uint32_t Sha1Initial[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476,
                                                 0xc3d2e1f0};

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

} // namespace Sumtide::ShaInternal

// Compiled beside the portable functions whatever the target flags say, on x86-64 only, and used
// only where HasShaExtensions() holds.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_NI_COMPRESS 1
#endif

namespace Sumtide::ShaInternal {

// Whether this processor (and its operating system) runs the functions below: SHA, SSSE3 and
// SSE4.1. False where they are not compiled in.
inline bool HasShaExtensions() {
#ifdef SUMTIDE_SHA_NI_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Sha, TFeature::Ssse3, TFeature::Sse41);
#else
  return false;
#endif
}

#ifdef SUMTIDE_SHA_NI_COMPRESS
// Each adds Count consecutive 64-byte blocks, read as words high byte first, into State, and
// leaves the blocks as they are. The state stays in registers from one block to the next. Blocks
// and State may lie at any address; a Count of 0 leaves State as it is.
void Sha1CompressShaNi(std::uint32_t State[5], const std::uint8_t* Blocks, std::size_t Count);
void Sha256CompressShaNi(std::uint32_t State[8], const std::uint8_t* Blocks, std::size_t Count);
#endif

} // namespace Sumtide::ShaInternal

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA512_WIDE_SCHEDULE 1
#endif

namespace Sumtide::ShaInternal {

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
// Each adds Count consecutive 128-byte blocks, read as words high byte first from any address,
// into State, as Sha512CompressPortable does one block at a time.
void Sha512CompressAvx2(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);
void Sha512CompressAvx512(std::uint64_t State[8], const std::uint8_t* Blocks, std::size_t Count);

#endif

} // namespace Sumtide::ShaInternal

namespace Sumtide::ShaInternal {

// Adds Count consecutive blocks, at any address, into State.
template <class TWord>
using TBlocks = void (*)(TWord* State, const std::uint8_t* Blocks, std::size_t Count);

// A row of a digest's candidate table (FunctionChoice.h).
template <class TWord> using TBlockCandidate = FunctionChoice::TCandidate<TBlocks<TWord>>;

// The candidates of each digest, the portable function first; SHA-224 uses SHA-256's, SHA-384
// SHA-512's.
std::span<const TBlockCandidate<std::uint32_t>> Sha1Candidates();
std::span<const TBlockCandidate<std::uint32_t>> Sha256Candidates();
std::span<const TBlockCandidate<std::uint64_t>> Sha512Candidates();

// The environment variables that force a candidate by name, for tests and benchmarks; a
// candidate this processor cannot run forces the portable one, any other value nothing.
inline constexpr const char* Sha1BlockVariable = "SUMTIDE_SHA1_BLOCK";
inline constexpr const char* Sha256BlockVariable = "SUMTIDE_SHA256_BLOCK";
inline constexpr const char* Sha512BlockVariable = "SUMTIDE_SHA512_BLOCK";

// The index of the candidate each digest uses in this process.
std::size_t Sha1BlocksInUse();
std::size_t Sha256BlocksInUse();
std::size_t Sha512BlocksInUse();

} // namespace Sumtide::ShaInternal

// The x86 kernels (AVX2; AVX-512F with AVX-512BW for the byte shuffle) are compiled beside the
// portable ones whatever the target flags say, each function with its own target attribute, and
// used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_LANES_X86 1
#endif

namespace Sumtide::ShaInternal {

using Lanes::LanePointers;
using Lanes::MaxLanes;
using Lanes::TLaneMask;

// The chaining words of every lane, one array per word: a vector register loads one word of many
// lanes at once.
struct alignas(64) TSha256LaneState {
  std::uint32_t H[8][MaxLanes];
};
struct alignas(64) TSha1LaneState {
  std::uint32_t H[5][MaxLanes];
};

// Every kernel has this shape: for each lane whose bit is set in Active, it adds BlockCount
// consecutive 64-byte blocks, starting at Data[Lane] at any address, into that lane's chaining
// words. The other lanes keep theirs, and their pointers are never read (they may be null). Bits
// at and above the kernel's lane count must be clear.
using TSha256LaneBlocks = void (*)(TSha256LaneState& State,
                                   const std::uint8_t* const Data[MaxLanes], std::size_t BlockCount,
                                   TLaneMask Active);
using TSha1LaneBlocks = void (*)(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                                 std::size_t BlockCount, TLaneMask Active);

// Plain C++ for any target: eight lanes side by side, which the compiler puts in whatever vector
// registers the target has, or interleaves in general registers.
inline constexpr std::size_t PortableLanes = 8;
void Sha256LaneBlocksPortable(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                              std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksPortable(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);

#ifdef SUMTIDE_SHA_LANES_X86
// Eight lanes in 256-bit registers. Need AVX2.
inline constexpr std::size_t Avx2Lanes = 8;
void Sha256LaneBlocksAvx2(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksAvx2(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                        std::size_t BlockCount, TLaneMask Active);

// Sixteen lanes in 512-bit registers, with vprord and vpternlogd. Need AVX-512F and AVX-512BW.
inline constexpr std::size_t Avx512Lanes = 16;
void Sha256LaneBlocksAvx512(TSha256LaneState& State, const std::uint8_t* const Data[MaxLanes],
                            std::size_t BlockCount, TLaneMask Active);
void Sha1LaneBlocksAvx512(TSha1LaneState& State, const std::uint8_t* const Data[MaxLanes],
                          std::size_t BlockCount, TLaneMask Active);
#endif

// Each algorithm's kernels as candidates (FunctionChoice.h), the same three on the same
// instructions, in this order of preference where they run about equally fast: no more lanes
// than the one before, so fewer messages have to be in flight to keep every lane busy, and the
// plainer code first: "portable", "avx2", "avx512". A kernel is named by its row in the table.
std::span<const FunctionChoice::TCandidate<TSha256LaneBlocks>> Sha256LaneCandidates();
std::span<const FunctionChoice::TCandidate<TSha1LaneBlocks>> Sha1LaneCandidates();

// The environment variables that force a kernel by its name, for tests and benchmarks. A kernel
// this processor cannot run forces the portable one; any other value forces nothing.
inline constexpr const char* Sha256LaneKernelVariable = "SUMTIDE_SHA256_LANES";
inline constexpr const char* Sha1LaneKernelVariable = "SUMTIDE_SHA1_LANES";

// What each kernel hashes in the same time, by row (LaneChoice.h); 0 for one that does not run.
std::vector<double> MeasureSha256LaneKernels();
std::vector<double> MeasureSha1LaneKernels();

// The row of the kernel each algorithm uses by default in this process: chosen the first time
// it is asked and kept.
std::size_t Sha256LaneKernelInUse();
std::size_t Sha1LaneKernelInUse();

} // namespace Sumtide::ShaInternal
