#pragma once

// What SHA-1 and SHA-2 (sha1/, sha2/) share, private to the library: where their x86 code is
// compiled in, the SHA extensions check, the shape of their block functions and candidate rows,
// how a block function is chosen, and the lane counts of their lane kernels.

#include "scl/cpu/FunctionChoice.h"
#include "scl/cpu/Processor.h"
#include "scl/lanes/LaneTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The block functions on the SHA extensions (SHA-1 and SHA-256) and SHA-512's with its message
// schedule on AVX2 or AVX-512 are compiled beside the portable ones whatever the target flags
// say, on x86-64 only, and used only where the processor runs them.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_NI_COMPRESS 1
#define SUMTIDE_SHA512_WIDE_SCHEDULE 1
#endif

// The x86 lane kernels (AVX2; AVX-512F with AVX-512BW for the byte shuffle) likewise, each
// function with its own target attribute.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_SHA_LANES_X86 1
#endif

namespace Sumtide::ShaInternal {

// Whether this processor (and its operating system) runs the block functions on the SHA
// extensions: SHA, SSSE3 and SSE4.1. False where they are not compiled in.
inline bool HasShaExtensions() {
#ifdef SUMTIDE_SHA_NI_COMPRESS
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Sha, TFeature::Ssse3, TFeature::Sse41);
#else
  return false;
#endif
}

// Adds Count consecutive blocks, at any address, into State.
template <class TWord>
using TBlocks = void (*)(TWord* State, const std::uint8_t* Blocks, std::size_t Count);

// A row of a digest's block function table (FunctionChoice.h).
template <class TWord> using TBlockCandidate = FunctionChoice::TCandidate<TBlocks<TWord>>;

// The row of Candidates a digest uses: forced by Variable, or the fastest over the same 8 KiB (a
// few microseconds each) by FunctionChoice's default margin.
template <class TWord>
std::size_t ChooseBlocks(std::span<const TBlockCandidate<TWord>> Candidates, std::size_t BlockSize,
                         const char* Variable) {
  return FunctionChoice::ChooseRow(
      Candidates, FunctionChoice::Forced(Variable), FunctionChoice::DefaultMargin, [&] {
        std::vector<std::uint8_t> Data(8192);
        for (std::size_t I = 0; I < Data.size(); ++I)
          Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
        std::array<TWord, 8> State{};
        return FunctionChoice::MeasureRows(
            Candidates, static_cast<double>(Data.size()), [&](const TBlockCandidate<TWord>& Row) {
              const double Start = FunctionChoice::Ticks();
              Row.Function(State.data(), Data.data(), Data.size() / BlockSize);
              return FunctionChoice::Ticks() - Start;
            });
      });
}

using Lanes::LanePointers;
using Lanes::MaxLanes;
using Lanes::TLaneMask;

// The lane kernels of both, in their tables in this order of preference where they run about
// equally fast (no more lanes than the one before, so fewer messages have to be in flight to keep
// every lane busy, and the plainer code first): "portable", plain C++ with eight lanes side by
// side, which the compiler puts in whatever vector registers the target has; "avx2", eight lanes
// in 256-bit registers; "avx512", sixteen lanes in 512-bit registers with vprord and vpternlogd.
inline constexpr std::size_t PortableLanes = 8;
inline constexpr std::size_t Avx2Lanes = 8;
inline constexpr std::size_t Avx512Lanes = 16;

inline bool RunsLanesAvx2() {
#ifdef SUMTIDE_SHA_LANES_X86
  return Processor::Has(Processor::TFeature::Avx2);
#else
  return false;
#endif
}
inline bool RunsLanesAvx512() {
#ifdef SUMTIDE_SHA_LANES_X86
  using Processor::TFeature;
  return Processor::HasAll(TFeature::Avx512F, TFeature::Avx512Bw);
#else
  return false;
#endif
}

} // namespace Sumtide::ShaInternal
