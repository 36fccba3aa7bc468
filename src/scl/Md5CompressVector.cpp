// The MD5 block function on AVX-512VL: the same 64 steps as the portable one, with each value
// held in the low lane of an xmm register.

#include "scl/Md5Compress.h"

#ifdef SUMTIDE_MD5_VECTOR_COMPRESS

#include <cstring>
#include <immintrin.h>

namespace Sumtide::Md5Internal {

namespace {

#define SUMTIDE_MD5_VECTOR_INLINE __attribute__((always_inline, target("avx512f,avx512vl"))) inline

// An opaque register move, as in the portable steps: the sum V holds stays as formed here and
// is not folded back into the operations that wait on the previous step.
SUMTIDE_MD5_VECTOR_INLINE __m128i Pin(__m128i V) {
  __asm__("" : "+v"(V));
  return V;
}

// Hides where P points, so each round loads its words afresh instead of keeping them from the
// round before: sixteen words kept across rounds do not fit the general registers, and the ones
// the compiler parked on the stack would stay there after the call.
SUMTIDE_MD5_VECTOR_INLINE const std::uint8_t* Reload(const std::uint8_t* P) {
  __asm__("" : "+r"(P));
  return P;
}

// The round functions as truth tables for vpternlogd, with the operands in the order D, B, C:
// bit (d << 2 | b << 1 | c) of a table is the function's value for those three input bits. D
// comes first because vpternlogd overwrites its first operand: D is the oldest of the three, read
// after this only by the next step's sum, which does not wait on the chain, so a copy the compiler
// may need to keep it is made off the chain, where a copy of B would sit on it.
constexpr int InD = 0xf0;
constexpr int InB = 0xcc;
constexpr int InC = 0xaa;
constexpr int TableF = ((InB & InC) | (~InB & InD)) & 0xff;
constexpr int TableG = ((InB & InD) | (InC & ~InD)) & 0xff;
constexpr int TableH = InB ^ InC ^ InD;
constexpr int TableI = (InC ^ (InB | ~InD)) & 0xff;

// One step updates A from B, C, D. The message word plus the constant is summed in a general
// register and moved across, then added to A, which was made four steps back: all of that runs
// beside the chain. What waits on B is one three-input logic op, an add, a rotate by an
// immediate and the add of B: four single-cycle operations.
template <std::uint32_t K, int S, int Table>
SUMTIDE_MD5_VECTOR_INLINE __m128i Step(__m128i A, __m128i B, __m128i C, __m128i D,
                                       const std::uint8_t* Word) {
  std::uint32_t X;
  std::memcpy(&X, Word, sizeof X);
  const __m128i T = Pin(_mm_add_epi32(A, _mm_cvtsi32_si128(static_cast<int>(X + K))));
  const __m128i F = _mm_ternarylogic_epi32(D, B, C, Table);
  return _mm_add_epi32(_mm_rol_epi32(_mm_add_epi32(T, F), S), B);
}

template <std::uint32_t K, int S>
SUMTIDE_MD5_VECTOR_INLINE __m128i StepF(__m128i A, __m128i B, __m128i C, __m128i D,
                                        const std::uint8_t* Word) {
  return Step<K, S, TableF>(A, B, C, D, Word);
}

template <std::uint32_t K, int S>
SUMTIDE_MD5_VECTOR_INLINE __m128i StepG(__m128i A, __m128i B, __m128i C, __m128i D,
                                        const std::uint8_t* Word) {
  return Step<K, S, TableG>(A, B, C, D, Word);
}

template <std::uint32_t K, int S>
SUMTIDE_MD5_VECTOR_INLINE __m128i StepH(__m128i A, __m128i B, __m128i C, __m128i D,
                                        const std::uint8_t* Word) {
  return Step<K, S, TableH>(A, B, C, D, Word);
}

template <std::uint32_t K, int S>
SUMTIDE_MD5_VECTOR_INLINE __m128i StepI(__m128i A, __m128i B, __m128i C, __m128i D,
                                        const std::uint8_t* Word) {
  return Step<K, S, TableI>(A, B, C, D, Word);
}

#undef SUMTIDE_MD5_VECTOR_INLINE

} // namespace

bool HasVectorCompress() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}

__attribute__((target("avx512f,avx512vl"))) void CompressVector(std::uint32_t State[4],
                                                                const std::uint8_t Block[64]) {
  const std::uint8_t* M = Block;
  __m128i A = _mm_cvtsi32_si128(static_cast<int>(State[0]));
  __m128i B = _mm_cvtsi32_si128(static_cast<int>(State[1]));
  __m128i C = _mm_cvtsi32_si128(static_cast<int>(State[2]));
  __m128i D = _mm_cvtsi32_si128(static_cast<int>(State[3]));

  A = StepF<0xd76aa478, 7>(A, B, C, D, M + 0);
  D = StepF<0xe8c7b756, 12>(D, A, B, C, M + 4);
  C = StepF<0x242070db, 17>(C, D, A, B, M + 8);
  B = StepF<0xc1bdceee, 22>(B, C, D, A, M + 12);
  A = StepF<0xf57c0faf, 7>(A, B, C, D, M + 16);
  D = StepF<0x4787c62a, 12>(D, A, B, C, M + 20);
  C = StepF<0xa8304613, 17>(C, D, A, B, M + 24);
  B = StepF<0xfd469501, 22>(B, C, D, A, M + 28);
  A = StepF<0x698098d8, 7>(A, B, C, D, M + 32);
  D = StepF<0x8b44f7af, 12>(D, A, B, C, M + 36);
  C = StepF<0xffff5bb1, 17>(C, D, A, B, M + 40);
  B = StepF<0x895cd7be, 22>(B, C, D, A, M + 44);
  A = StepF<0x6b901122, 7>(A, B, C, D, M + 48);
  D = StepF<0xfd987193, 12>(D, A, B, C, M + 52);
  C = StepF<0xa679438e, 17>(C, D, A, B, M + 56);
  B = StepF<0x49b40821, 22>(B, C, D, A, M + 60);

  M = Reload(M);
  A = StepG<0xf61e2562, 5>(A, B, C, D, M + 4);
  D = StepG<0xc040b340, 9>(D, A, B, C, M + 24);
  C = StepG<0x265e5a51, 14>(C, D, A, B, M + 44);
  B = StepG<0xe9b6c7aa, 20>(B, C, D, A, M + 0);
  A = StepG<0xd62f105d, 5>(A, B, C, D, M + 20);
  D = StepG<0x02441453, 9>(D, A, B, C, M + 40);
  C = StepG<0xd8a1e681, 14>(C, D, A, B, M + 60);
  B = StepG<0xe7d3fbc8, 20>(B, C, D, A, M + 16);
  A = StepG<0x21e1cde6, 5>(A, B, C, D, M + 36);
  D = StepG<0xc33707d6, 9>(D, A, B, C, M + 56);
  C = StepG<0xf4d50d87, 14>(C, D, A, B, M + 12);
  B = StepG<0x455a14ed, 20>(B, C, D, A, M + 32);
  A = StepG<0xa9e3e905, 5>(A, B, C, D, M + 52);
  D = StepG<0xfcefa3f8, 9>(D, A, B, C, M + 8);
  C = StepG<0x676f02d9, 14>(C, D, A, B, M + 28);
  B = StepG<0x8d2a4c8a, 20>(B, C, D, A, M + 48);

  M = Reload(M);
  A = StepH<0xfffa3942, 4>(A, B, C, D, M + 20);
  D = StepH<0x8771f681, 11>(D, A, B, C, M + 32);
  C = StepH<0x6d9d6122, 16>(C, D, A, B, M + 44);
  B = StepH<0xfde5380c, 23>(B, C, D, A, M + 56);
  A = StepH<0xa4beea44, 4>(A, B, C, D, M + 4);
  D = StepH<0x4bdecfa9, 11>(D, A, B, C, M + 16);
  C = StepH<0xf6bb4b60, 16>(C, D, A, B, M + 28);
  B = StepH<0xbebfbc70, 23>(B, C, D, A, M + 40);
  A = StepH<0x289b7ec6, 4>(A, B, C, D, M + 52);
  D = StepH<0xeaa127fa, 11>(D, A, B, C, M + 0);
  C = StepH<0xd4ef3085, 16>(C, D, A, B, M + 12);
  B = StepH<0x04881d05, 23>(B, C, D, A, M + 24);
  A = StepH<0xd9d4d039, 4>(A, B, C, D, M + 36);
  D = StepH<0xe6db99e5, 11>(D, A, B, C, M + 48);
  C = StepH<0x1fa27cf8, 16>(C, D, A, B, M + 60);
  B = StepH<0xc4ac5665, 23>(B, C, D, A, M + 8);

  M = Reload(M);
  A = StepI<0xf4292244, 6>(A, B, C, D, M + 0);
  D = StepI<0x432aff97, 10>(D, A, B, C, M + 28);
  C = StepI<0xab9423a7, 15>(C, D, A, B, M + 56);
  B = StepI<0xfc93a039, 21>(B, C, D, A, M + 20);
  A = StepI<0x655b59c3, 6>(A, B, C, D, M + 48);
  D = StepI<0x8f0ccc92, 10>(D, A, B, C, M + 12);
  C = StepI<0xffeff47d, 15>(C, D, A, B, M + 40);
  B = StepI<0x85845dd1, 21>(B, C, D, A, M + 4);
  A = StepI<0x6fa87e4f, 6>(A, B, C, D, M + 32);
  D = StepI<0xfe2ce6e0, 10>(D, A, B, C, M + 60);
  C = StepI<0xa3014314, 15>(C, D, A, B, M + 24);
  B = StepI<0x4e0811a1, 21>(B, C, D, A, M + 52);
  A = StepI<0xf7537e82, 6>(A, B, C, D, M + 16);
  D = StepI<0xbd3af235, 10>(D, A, B, C, M + 44);
  C = StepI<0x2ad7d2bb, 15>(C, D, A, B, M + 8);
  B = StepI<0xeb86d391, 21>(B, C, D, A, M + 36);

  State[0] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(A));
  State[1] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(B));
  State[2] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(C));
  State[3] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(D));
}

} // namespace Sumtide::Md5Internal

#else

namespace Sumtide::Md5Internal {

bool HasVectorCompress() {
  return false;
}

} // namespace Sumtide::Md5Internal

#endif
