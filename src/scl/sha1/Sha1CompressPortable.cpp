#include "scl/sha/ShaWords.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha1/Sha1Step.h"

#include <bit>
#include <utility>

namespace Sumtide::ShaInternal {

namespace {

// Step T adds the new word into E and turns B. Each call names the five words in the roles they
// play at its step, so the words stay where they are and never move between registers; five calls
// bring the roles back to where they started.
template <int T>
[[gnu::always_inline]] inline void Step(std::uint32_t A, std::uint32_t& B, std::uint32_t C,
                                        std::uint32_t D, std::uint32_t& E, std::uint32_t W[16],
                                        const std::uint8_t* Block) {
  // W holds the last 16 message words: word T replaces word T - 16.
  std::uint32_t X;
  if constexpr (T < 16)
    X = W[T] = LoadBig32(Block + 4 * T);
  else
    X = W[T % 16] = std::rotl(W[(T + 13) % 16] ^ W[(T + 8) % 16] ^ W[(T + 2) % 16] ^ W[T % 16], 1);
  Sha1Step<T>(A, B, C, D, E, X);
}

template <int T>
[[gnu::always_inline]] inline void FiveSteps(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C,
                                             std::uint32_t& D, std::uint32_t& E,
                                             std::uint32_t W[16], const std::uint8_t* Block) {
  Step<T>(A, B, C, D, E, W, Block);
  Step<T + 1>(E, A, B, C, D, W, Block);
  Step<T + 2>(D, E, A, B, C, W, Block);
  Step<T + 3>(C, D, E, A, B, W, Block);
  Step<T + 4>(B, C, D, E, A, W, Block);
}

// The 80 steps written out, each with its word indices and constant fixed at compile time.
template <int... Group>
[[gnu::always_inline]] inline void
AllSteps(std::integer_sequence<int, Group...>, std::uint32_t& A, std::uint32_t& B, std::uint32_t& C,
         std::uint32_t& D, std::uint32_t& E, std::uint32_t W[16], const std::uint8_t* Block) {
  (FiveSteps<5 * Group>(A, B, C, D, E, W, Block), ...);
}

} // namespace

void Sha1CompressPortable(std::uint32_t State[5], const std::uint8_t Block[64]) {
  std::uint32_t W[16];
  std::uint32_t A = State[0], B = State[1], C = State[2], D = State[3], E = State[4];
  AllSteps(std::make_integer_sequence<int, 16>{}, A, B, C, D, E, W, Block);
  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
  State[4] += E;
}

} // namespace Sumtide::ShaInternal
