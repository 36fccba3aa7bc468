// The BLAKE2b block function on AVX2: the working vector as four rows in 256-bit registers
// (Blake2bRows.h), the rotations by 32, 24 and 16 as shuffles.

#include "scl/blake2/Blake2Kernels.h"

#ifdef SUMTIDE_BLAKE2B_X86

#define SUMTIDE_BLAKE2B_TARGET "avx2"
#include "scl/blake2/Blake2bRows.h"

namespace Sumtide::Blake2Internal {

__attribute__((target("avx2"))) void
Blake2bBlocksAvx2(std::uint64_t State[8], std::uint64_t Counter[2], const std::uint8_t* Blocks,
                  std::size_t Count, std::uint32_t Step, bool Last) {
  BlocksRows(State, Counter, Blocks, Count, Step, Last);
}

} // namespace Sumtide::Blake2Internal

#endif
