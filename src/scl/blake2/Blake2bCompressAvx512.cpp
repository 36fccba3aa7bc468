// The BLAKE2b block function on AVX-512VL: as the AVX2 one (Blake2bRows.h), with every rotation
// one vprorq.

#include "scl/blake2/Blake2Kernels.h"

#ifdef SUMTIDE_BLAKE2B_X86

#define SUMTIDE_BLAKE2B_TARGET "avx2,avx512f,avx512vl"
#define SUMTIDE_BLAKE2B_ROTATE_AVX512 1
#include "scl/blake2/Blake2bRows.h"

namespace Sumtide::Blake2Internal {

__attribute__((target("avx2,avx512f,avx512vl"))) void
Blake2bBlocksAvx512(std::uint64_t State[8], std::uint64_t Counter[2], const std::uint8_t* Blocks,
                    std::size_t Count, std::uint32_t Step, bool Last) {
  BlocksRows(State, Counter, Blocks, Count, Step, Last);
}

} // namespace Sumtide::Blake2Internal

#endif
