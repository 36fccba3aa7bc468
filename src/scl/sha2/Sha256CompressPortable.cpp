#include "scl/sha2/Sha2Kernels.h"
#include "scl/sha2/Sha2PortableSteps.h"

namespace Sumtide::ShaInternal {

void Sha256CompressPortable(std::uint32_t State[8], const std::uint8_t Block[64]) {
  Sha2Portable::Compress<Sha2Portable::TSha256Shape>(State, Block);
}

} // namespace Sumtide::ShaInternal
