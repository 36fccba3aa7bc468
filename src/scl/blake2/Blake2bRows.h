#pragma once

// The BLAKE2b block function with the working vector as four rows of four words, one 256-bit
// register each: a round mixes the four columns at once, turns rows B, C and D so that the
// diagonals line up as columns, mixes them, and turns the rows back. The message words of each
// round are gathered into four registers in the round's order, fixed at compile time, each by one
// gather instruction (a gather beat building each register from four loads by about a tenth on
// AVX2 here).
//
// Private to the library; included by the block function files only. Each defines
// SUMTIDE_BLAKE2B_TARGET (its target, at least "avx2") and SUMTIDE_BLAKE2B_ROTATE_AVX512 where it
// has AVX-512VL's 64-bit rotate, before including this. The functions have internal linkage:
// each file compiles its own.

#ifndef SUMTIDE_BLAKE2B_TARGET
#error "define SUMTIDE_BLAKE2B_TARGET, the block function's target, before including this"
#endif

#include "scl/blake2/Blake2Kernels.h"
#include "scl/blake2/Blake2bConstants.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <utility>

namespace Sumtide::Blake2Internal {
namespace {

#define SUMTIDE_BLAKE2B_INLINE __attribute__((always_inline, target(SUMTIDE_BLAKE2B_TARGET))) inline

// Each 64-bit word turned right by N.
template <int N> SUMTIDE_BLAKE2B_INLINE __m256i Rotr(__m256i X) {
#ifdef SUMTIDE_BLAKE2B_ROTATE_AVX512
  return _mm256_ror_epi64(X, N);
#else
  if constexpr (N == 32) {
    return _mm256_shuffle_epi32(X, _MM_SHUFFLE(2, 3, 0, 1));
  } else if constexpr (N == 24) {
    const __m256i Order = _mm256_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10, 3,
                                           4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10);
    return _mm256_shuffle_epi8(X, Order);
  } else if constexpr (N == 16) {
    const __m256i Order = _mm256_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9, 2,
                                           3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9);
    return _mm256_shuffle_epi8(X, Order);
  } else {
    static_assert(N == 63);
    return _mm256_or_si256(_mm256_srli_epi64(X, 63), _mm256_add_epi64(X, X));
  }
#endif
}

// The mix of four columns (or diagonals) at once, with message words X and Y for each.
SUMTIDE_BLAKE2B_INLINE void Mix(__m256i& A, __m256i& B, __m256i& C, __m256i& D, __m256i X,
                                __m256i Y) {
  A = _mm256_add_epi64(_mm256_add_epi64(A, B), X);
  D = Rotr<32>(_mm256_xor_si256(D, A));
  C = _mm256_add_epi64(C, D);
  B = Rotr<24>(_mm256_xor_si256(B, C));
  A = _mm256_add_epi64(_mm256_add_epi64(A, B), Y);
  D = Rotr<16>(_mm256_xor_si256(D, A));
  C = _mm256_add_epi64(C, D);
  B = Rotr<63>(_mm256_xor_si256(B, C));
}

// Message words S[I], S[I + 2], S[I + 4], S[I + 6] of the round's order, the first in the low lane.
template <int R, int I> SUMTIDE_BLAKE2B_INLINE __m256i Gather(const std::uint64_t (&M)[16]) {
  constexpr const std::uint8_t* S = Blake2bSigma[R % 10];
  return _mm256_i64gather_epi64(reinterpret_cast<const long long*>(M),
                                _mm256_setr_epi64x(S[I], S[I + 2], S[I + 4], S[I + 6]), 8);
}

template <int R>
SUMTIDE_BLAKE2B_INLINE void Round(__m256i& A, __m256i& B, __m256i& C, __m256i& D,
                                  const std::uint64_t (&M)[16]) {
  Mix(A, B, C, D, Gather<R, 0>(M), Gather<R, 1>(M));
  // Row B one word to the left, C two, D three: the diagonals (0, 5, 10, 15) ... become columns.
  B = _mm256_permute4x64_epi64(B, _MM_SHUFFLE(0, 3, 2, 1));
  C = _mm256_permute4x64_epi64(C, _MM_SHUFFLE(1, 0, 3, 2));
  D = _mm256_permute4x64_epi64(D, _MM_SHUFFLE(2, 1, 0, 3));
  Mix(A, B, C, D, Gather<R, 8>(M), Gather<R, 9>(M));
  B = _mm256_permute4x64_epi64(B, _MM_SHUFFLE(2, 1, 0, 3));
  C = _mm256_permute4x64_epi64(C, _MM_SHUFFLE(1, 0, 3, 2));
  D = _mm256_permute4x64_epi64(D, _MM_SHUFFLE(0, 3, 2, 1));
}

template <int... R>
SUMTIDE_BLAKE2B_INLINE void AllRounds(__m256i& A, __m256i& B, __m256i& C, __m256i& D,
                                      const std::uint64_t (&M)[16],
                                      std::integer_sequence<int, R...>) {
  (Round<R>(A, B, C, D, M), ...);
}

// One block, with Counter already grown by what it holds.
SUMTIDE_BLAKE2B_INLINE void CompressRows(std::uint64_t State[8], const std::uint64_t Counter[2],
                                         const std::uint8_t* Block, bool Last) {
  std::uint64_t M[16];
  std::memcpy(M, Block, sizeof M); // x86 reads the words low byte first
  const __m256i Low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(State));
  const __m256i High = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(State + 4));
  __m256i A = Low, B = High;
  __m256i C = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Blake2bInitial));
  __m256i D =
      _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Blake2bInitial + 4)),
                       _mm256_set_epi64x(0, Last ? -1 : 0, static_cast<long long>(Counter[1]),
                                         static_cast<long long>(Counter[0])));
  AllRounds(A, B, C, D, M, std::make_integer_sequence<int, Blake2bRounds>{});
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(State),
                      _mm256_xor_si256(Low, _mm256_xor_si256(A, C)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(State + 4),
                      _mm256_xor_si256(High, _mm256_xor_si256(B, D)));
}

// Count blocks, as TBlocks takes them.
SUMTIDE_BLAKE2B_INLINE void BlocksRows(std::uint64_t State[8], std::uint64_t Counter[2],
                                       const std::uint8_t* Blocks, std::size_t Count,
                                       std::uint32_t Step, bool Last) {
  for (std::size_t I = 0; I < Count; ++I, Blocks += 128) {
    AddToCounter(Counter, Step);
    CompressRows(State, Counter, Blocks, Last && I + 1 == Count);
  }
}

} // namespace
} // namespace Sumtide::Blake2Internal
