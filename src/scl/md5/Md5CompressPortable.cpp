#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5PortableSteps.h"

namespace Sumtide::Md5Internal {

void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]) {
  PortableSteps(State, Block);
}

void BlocksPortable(std::uint32_t State[4], const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    PortableSteps(State, Blocks);
}

} // namespace Sumtide::Md5Internal
