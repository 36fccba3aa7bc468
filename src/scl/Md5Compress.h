#pragma once

// The MD5 block functions, private to the library. TSCL_md5 uses the one that suits the
// processor; the tests and the benchmark reach each one directly.

#include <cstdint>

// A second block function built on AVX-512F and AVX-512VL instructions, compiled beside the
// portable one whatever the target flags say and used only where the processor has them.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SUMTIDE_MD5_VECTOR_COMPRESS 1
#endif

namespace Sumtide::Md5Internal {

// Both add the 64-byte Block, read as 16 words low byte first, into State, and leave Block as
// it is.

// The general-register steps that TSCL_md5::Compress takes inline, here as a function of its
// own. Built this way GCC keeps a few message words in stack slots while it runs (below the
// stack pointer, where they stay after the return); the inline copy in TSCL_md5 does not.
void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]);
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
// Needs AVX-512F and AVX-512VL. Keeps everything in registers: nothing goes to the stack.
void CompressVector(std::uint32_t State[4], const std::uint8_t Block[64]);
#endif

// Whether this processor (and its operating system) can run CompressVector.
bool HasVectorCompress();

// Whether TSCL_md5 uses CompressVector: decided once, as the program starts.
bool UsesVectorCompress();

} // namespace Sumtide::Md5Internal
