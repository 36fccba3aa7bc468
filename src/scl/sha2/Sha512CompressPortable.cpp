#include "scl/sha2/Sha2Kernels.h"
#include "scl/sha2/Sha2PortableSteps.h"

namespace Sumtide::ShaInternal {

void Sha512CompressPortable(std::uint64_t State[8], const std::uint8_t Block[128]) {
  Sha2Portable::Compress<Sha2Portable::TSha512Shape>(State, Block);
}

} // namespace Sumtide::ShaInternal
