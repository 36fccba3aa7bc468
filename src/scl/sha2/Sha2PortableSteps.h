#pragma once

// The portable SHA-256 and SHA-512 block functions (Sha256CompressPortable.cpp,
// Sha512CompressPortable.cpp): the same steps over words of 32 or 64 bits, with the rotations,
// shifts, constants and step count of each. Each of those files instantiates them for its digest,
// in a file of its own so that its build options stay its own. Private to the library.
//
// TSha2 (TSha256Shape, TSha512Shape) gives: TWord; K (the step constants); Steps; Load(Bytes) (a
// word read high byte first); the rotation counts of the big sigmas (Sigma0, Sigma1: three each,
// rising) and of the small ones with their shifts (Small0, Small1: two rotations and a shift).

#include "scl/sha/ShaWords.h"
#include "scl/sha2/Sha2Constants.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace Sumtide::ShaInternal::Sha2Portable {

// rotr(X, R[0]) ^ rotr(X, R[1]) ^ rotr(X, R[2]), nested so that each rotation works on the
// previous result and X is copied only once: with GCC 12 on x86-64 the SHA-512 block function
// runs about 9% faster than with three rotations of X.
template <class TWord, int R1, int R2, int R3> [[gnu::always_inline]] inline TWord Sigma(TWord X) {
  static_assert(0 < R1 && R1 < R2 && R2 < R3);
  return std::rotr(X ^ std::rotr(X ^ std::rotr(X, R3 - R2), R2 - R1), R1);
}

template <class TWord, int R1, int R2, int S> [[gnu::always_inline]] inline TWord Small(TWord X) {
  return std::rotr(X, R1) ^ std::rotr(X, R2) ^ (X >> S);
}

// The two digests' shapes.
struct TSha256Shape {
  using TWord = std::uint32_t;
  static constexpr const auto& K = Sha256StepConstant;
  static constexpr int Steps = 64;
  static constexpr int Sigma0[] = {2, 13, 22}, Sigma1[] = {6, 11, 25};
  static constexpr int Small0[] = {7, 18, 3}, Small1[] = {17, 19, 10};
  static TWord Load(const std::uint8_t* Bytes) { return LoadBig32(Bytes); }
};
struct TSha512Shape {
  using TWord = std::uint64_t;
  static constexpr const auto& K = Sha512StepConstant;
  static constexpr int Steps = 80;
  static constexpr int Sigma0[] = {28, 34, 39}, Sigma1[] = {14, 18, 41};
  static constexpr int Small0[] = {1, 8, 7}, Small1[] = {19, 61, 6};
  static TWord Load(const std::uint8_t* Bytes) { return LoadBig64(Bytes); }
};

// Message word T (T >= 16) from the words 16, 15, 7 and 2 steps before it.
template <class TSha2, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline TWord NextWord(TWord W16, TWord W15, TWord W7, TWord W2) {
  constexpr auto S0 = TSha2::Small0, S1 = TSha2::Small1;
  return W16 +
         (Small<TWord, S1[0], S1[1], S1[2]>(W2) + W7 + Small<TWord, S0[0], S0[1], S0[2]>(W15));
}

// Step T with its message word X: adds into D and leaves the new first word in H. Each call
// names the eight words in the roles they play at its step, so the words stay where they are and
// never move between registers; eight calls bring the roles back to where they started. The
// block function below and the portable lane kernel (Sha256LanesPortable.cpp) both take it.
template <class TSha2, int T, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline void StepWith(TWord A, TWord B, TWord C, TWord& D, TWord E, TWord F,
                                            TWord G, TWord& H, TWord X) {
  constexpr auto B0 = TSha2::Sigma0, B1 = TSha2::Sigma1;
  H += Sigma<TWord, B1[0], B1[1], B1[2]>(E) + (G ^ (E & (F ^ G))) + TSha2::K[T] + X;
  D += H;
  H += Sigma<TWord, B0[0], B0[1], B0[2]>(A) + ((A & B) | (C & (A | B)));
}

// Step T of one block, reading its message word from Block or making it from W, which holds the
// last 16 message words: word T replaces word T - 16.
template <class TSha2, int T, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline void Step(TWord A, TWord B, TWord C, TWord& D, TWord E, TWord F,
                                        TWord G, TWord& H, TWord W[16], const std::uint8_t* Block) {
  TWord X;
  if constexpr (T < 16)
    X = W[T] = TSha2::Load(Block + sizeof(TWord) * T);
  else
    X = W[T % 16] = NextWord<TSha2>(W[T % 16], W[(T + 1) % 16], W[(T + 9) % 16], W[(T + 14) % 16]);
  StepWith<TSha2, T>(A, B, C, D, E, F, G, H, X);
}

template <class TSha2, int T, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline void EightSteps(TWord& A, TWord& B, TWord& C, TWord& D, TWord& E,
                                              TWord& F, TWord& G, TWord& H, TWord W[16],
                                              const std::uint8_t* Block) {
  Step<TSha2, T>(A, B, C, D, E, F, G, H, W, Block);
  Step<TSha2, T + 1>(H, A, B, C, D, E, F, G, W, Block);
  Step<TSha2, T + 2>(G, H, A, B, C, D, E, F, W, Block);
  Step<TSha2, T + 3>(F, G, H, A, B, C, D, E, W, Block);
  Step<TSha2, T + 4>(E, F, G, H, A, B, C, D, W, Block);
  Step<TSha2, T + 5>(D, E, F, G, H, A, B, C, W, Block);
  Step<TSha2, T + 6>(C, D, E, F, G, H, A, B, W, Block);
  Step<TSha2, T + 7>(B, C, D, E, F, G, H, A, W, Block);
}

// The steps written out, each with its word indices and constant fixed at compile time.
template <class TSha2, int... Group, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline void
AllSteps(std::integer_sequence<int, Group...>, TWord& A, TWord& B, TWord& C, TWord& D, TWord& E,
         TWord& F, TWord& G, TWord& H, TWord W[16], const std::uint8_t* Block) {
  (EightSteps<TSha2, 8 * Group>(A, B, C, D, E, F, G, H, W, Block), ...);
}

// Adds one block into State.
template <class TSha2, class TWord = typename TSha2::TWord>
[[gnu::always_inline]] inline void Compress(TWord State[8], const std::uint8_t* Block) {
  TWord W[16];
  TWord A = State[0], B = State[1], C = State[2], D = State[3];
  TWord E = State[4], F = State[5], G = State[6], H = State[7];
  AllSteps<TSha2>(std::make_integer_sequence<int, TSha2::Steps / 8>{}, A, B, C, D, E, F, G, H, W,
                  Block);
  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
  State[4] += E;
  State[5] += F;
  State[6] += G;
  State[7] += H;
}

} // namespace Sumtide::ShaInternal::Sha2Portable
