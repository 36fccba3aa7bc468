#pragma once

// The Base64 coders behind SCLbase64.h, private to the library: the plain rules that define the
// results, the fast ways to the same results, and which of them the public functions use. The
// tests and the benchmark reach each one directly.
//
// Every coder here takes a size_t count and follows the same bounds as the public functions:
// encoding reads Size bytes and writes EncodedLength(Size) characters; decoding reads the first
// Size / 4 * 4 characters and writes exactly the count it returns (at most Size / 4 * 3), and not
// a byte more: the bytes after that count are left as they were.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"

#include <cstddef>
#include <span>
#include <vector>

// Vector coders for x86 (AVX2, and AVX-512 VBMI), compiled beside the portable ones whatever the
// target flags say and used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_BASE64_X86 1
#endif

namespace Sumtide::Base64Internal {

constexpr std::size_t EncodedLength(std::size_t Size) {
  // Same as (Size + 2) / 3 * 4, without the addition that could wrap for a huge Size.
  return Size / 3 * 4 + (Size % 3 != 0 ? 4 : 0);
}

// The rules written plainly, one group at a time: the reference for every other coder, and what
// the fast decoders fall back to for a quartet that is not four alphabet characters.
void EncodeSlow(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodeSlow(const unsigned char* Source, unsigned char* Dest, std::size_t Size);

// Table-driven scalar coders, for any C++20 target: two characters per table entry when
// encoding; when decoding, one 32-bit table per quartet position whose entries combine into the
// three bytes, with a flag bit for every byte outside the alphabet.
void EncodePortable(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodePortable(const unsigned char* Source, unsigned char* Dest, std::size_t Size);

#ifdef SUMTIDE_BASE64_X86
// The vector kernels, for the coders below. From the start of Source they take as many whole
// blocks as lie within Size (24 bytes or 32 characters for AVX2, 48 bytes or 64 characters for
// VBMI), a decoder only blocks that are all alphabet characters, stopping at the first that is
// not; they return how many bytes (encoding) or characters (decoding) they took, and write
// exactly their characters (4 per 3 bytes) or bytes (3 per 4 characters).
std::size_t EncodeBlocksAvx2(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodeBlocksAvx2(const unsigned char* Source, unsigned char* Dest, std::size_t Size);
std::size_t EncodeBlocksVbmi(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodeBlocksVbmi(const unsigned char* Source, unsigned char* Dest, std::size_t Size);

// The whole coders: the kernels, then the portable ones for what they leave. Need AVX2.
void EncodeAvx2(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodeAvx2(const unsigned char* Source, unsigned char* Dest, std::size_t Size);
// Need AVX-512F, AVX-512BW and AVX-512 VBMI.
void EncodeVbmi(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t DecodeVbmi(const unsigned char* Source, unsigned char* Dest, std::size_t Size);
#endif

// Whether this processor (and its operating system) can run the AVX2 coders, and the VBMI ones;
// false where they are not compiled in.
inline bool HasAvx2() {
#ifdef SUMTIDE_BASE64_X86
  return Processor::Has(Processor::TFeature::Avx2);
#else
  return false;
#endif
}
inline bool HasVbmi() {
#ifdef SUMTIDE_BASE64_X86
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Bw, TFeature::Avx512Vbmi);
#else
  return false;
#endif
}

// A way to encode and decode: one row of the table the public functions' coders are chosen from.
struct TCoders {
  void (*Encode)(const unsigned char* Source, char* Dest, std::size_t Size);
  std::size_t (*Decode)(const unsigned char* Source, unsigned char* Dest, std::size_t Size);
};
using TCodersRow = FunctionChoice::TCandidate<TCoders>;

// Every way this library has, in order of preference where they run about equally fast: the
// portable coders ("portable"), the AVX2 ones ("avx2"), the VBMI ones ("vbmi"). A row not compiled
// in for this target has no functions and does not run.
std::span<const TCodersRow> Coders();

// The environment variable that forces the coders by a row's name, for tests and benchmarks;
// coders this processor cannot run force the portable ones, any other value nothing.
inline constexpr const char* CodersVariable = "SUMTIDE_BASE64";
// How much faster a later row has to be to replace the one chosen before it.
inline constexpr double CodersMargin = FunctionChoice::DefaultMargin;

// The rate of each row of Coders(), 0 for coders this processor cannot run: bytes and characters
// handled per tick (FunctionChoice::Ticks) in the best of a few passes that each encode 3 KiB and
// decode the text. The choice times the same passes.
std::vector<double> MeasureCoders();
// The row of Coders() the public functions use, chosen once per process on first use, and its
// coders.
std::size_t RowInUse();
void Encode(const unsigned char* Source, char* Dest, std::size_t Size);
std::size_t Decode(const unsigned char* Source, unsigned char* Dest, std::size_t Size);

} // namespace Sumtide::Base64Internal
