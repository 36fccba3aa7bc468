// The MD5 block function on AVX-512VL: the same 64 steps as the portable one, with each value
// held in the low lane of an xmm register.

#include "scl/cpu/RegisterPin.h"
#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5StepTable.h"

#ifdef SUMTIDE_MD5_AVX512_COMPRESS

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

__attribute__((target("avx512f,avx512vl"))) void CompressAvx512(std::uint32_t State[4],
                                                                const std::uint8_t Block[64]) {
  const std::uint8_t* M = Block;
  __m128i A = _mm_cvtsi32_si128(static_cast<int>(State[0]));
  __m128i B = _mm_cvtsi32_si128(static_cast<int>(State[1]));
  __m128i C = _mm_cvtsi32_si128(static_cast<int>(State[2]));
  __m128i D = _mm_cvtsi32_si128(static_cast<int>(State[3]));

  A = StepF<StepConstant[0], 7>(A, B, C, D, M + 0);
  D = StepF<StepConstant[1], 12>(D, A, B, C, M + 4);
  C = StepF<StepConstant[2], 17>(C, D, A, B, M + 8);
  B = StepF<StepConstant[3], 22>(B, C, D, A, M + 12);
  A = StepF<StepConstant[4], 7>(A, B, C, D, M + 16);
  D = StepF<StepConstant[5], 12>(D, A, B, C, M + 20);
  C = StepF<StepConstant[6], 17>(C, D, A, B, M + 24);
  B = StepF<StepConstant[7], 22>(B, C, D, A, M + 28);
  A = StepF<StepConstant[8], 7>(A, B, C, D, M + 32);
  D = StepF<StepConstant[9], 12>(D, A, B, C, M + 36);
  C = StepF<StepConstant[10], 17>(C, D, A, B, M + 40);
  B = StepF<StepConstant[11], 22>(B, C, D, A, M + 44);
  A = StepF<StepConstant[12], 7>(A, B, C, D, M + 48);
  D = StepF<StepConstant[13], 12>(D, A, B, C, M + 52);
  C = StepF<StepConstant[14], 17>(C, D, A, B, M + 56);
  B = StepF<StepConstant[15], 22>(B, C, D, A, M + 60);

  // Where M points is hidden at each round, so each round loads its words afresh instead of
  // keeping them from the round before: sixteen words kept across rounds do not fit the general
  // registers, and the ones the compiler parked on the stack would stay there after the call.
  M = PinInRegister(M);
  A = StepG<StepConstant[16], 5>(A, B, C, D, M + 4);
  D = StepG<StepConstant[17], 9>(D, A, B, C, M + 24);
  C = StepG<StepConstant[18], 14>(C, D, A, B, M + 44);
  B = StepG<StepConstant[19], 20>(B, C, D, A, M + 0);
  A = StepG<StepConstant[20], 5>(A, B, C, D, M + 20);
  D = StepG<StepConstant[21], 9>(D, A, B, C, M + 40);
  C = StepG<StepConstant[22], 14>(C, D, A, B, M + 60);
  B = StepG<StepConstant[23], 20>(B, C, D, A, M + 16);
  A = StepG<StepConstant[24], 5>(A, B, C, D, M + 36);
  D = StepG<StepConstant[25], 9>(D, A, B, C, M + 56);
  C = StepG<StepConstant[26], 14>(C, D, A, B, M + 12);
  B = StepG<StepConstant[27], 20>(B, C, D, A, M + 32);
  A = StepG<StepConstant[28], 5>(A, B, C, D, M + 52);
  D = StepG<StepConstant[29], 9>(D, A, B, C, M + 8);
  C = StepG<StepConstant[30], 14>(C, D, A, B, M + 28);
  B = StepG<StepConstant[31], 20>(B, C, D, A, M + 48);

  M = PinInRegister(M);
  A = StepH<StepConstant[32], 4>(A, B, C, D, M + 20);
  D = StepH<StepConstant[33], 11>(D, A, B, C, M + 32);
  C = StepH<StepConstant[34], 16>(C, D, A, B, M + 44);
  B = StepH<StepConstant[35], 23>(B, C, D, A, M + 56);
  A = StepH<StepConstant[36], 4>(A, B, C, D, M + 4);
  D = StepH<StepConstant[37], 11>(D, A, B, C, M + 16);
  C = StepH<StepConstant[38], 16>(C, D, A, B, M + 28);
  B = StepH<StepConstant[39], 23>(B, C, D, A, M + 40);
  A = StepH<StepConstant[40], 4>(A, B, C, D, M + 52);
  D = StepH<StepConstant[41], 11>(D, A, B, C, M + 0);
  C = StepH<StepConstant[42], 16>(C, D, A, B, M + 12);
  B = StepH<StepConstant[43], 23>(B, C, D, A, M + 24);
  A = StepH<StepConstant[44], 4>(A, B, C, D, M + 36);
  D = StepH<StepConstant[45], 11>(D, A, B, C, M + 48);
  C = StepH<StepConstant[46], 16>(C, D, A, B, M + 60);
  B = StepH<StepConstant[47], 23>(B, C, D, A, M + 8);

  M = PinInRegister(M);
  A = StepI<StepConstant[48], 6>(A, B, C, D, M + 0);
  D = StepI<StepConstant[49], 10>(D, A, B, C, M + 28);
  C = StepI<StepConstant[50], 15>(C, D, A, B, M + 56);
  B = StepI<StepConstant[51], 21>(B, C, D, A, M + 20);
  A = StepI<StepConstant[52], 6>(A, B, C, D, M + 48);
  D = StepI<StepConstant[53], 10>(D, A, B, C, M + 12);
  C = StepI<StepConstant[54], 15>(C, D, A, B, M + 40);
  B = StepI<StepConstant[55], 21>(B, C, D, A, M + 4);
  A = StepI<StepConstant[56], 6>(A, B, C, D, M + 32);
  D = StepI<StepConstant[57], 10>(D, A, B, C, M + 60);
  C = StepI<StepConstant[58], 15>(C, D, A, B, M + 24);
  B = StepI<StepConstant[59], 21>(B, C, D, A, M + 52);
  A = StepI<StepConstant[60], 6>(A, B, C, D, M + 16);
  D = StepI<StepConstant[61], 10>(D, A, B, C, M + 44);
  C = StepI<StepConstant[62], 15>(C, D, A, B, M + 8);
  B = StepI<StepConstant[63], 21>(B, C, D, A, M + 36);

  State[0] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(A));
  State[1] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(B));
  State[2] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(C));
  State[3] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(D));
}

} // namespace Sumtide::Md5Internal

#endif
