#include "scl/md5/Md5Compress.h"
#include "scl/md5/Md5PortableSteps.h"

namespace Sumtide::Md5Internal {

void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]) {
  PortableSteps(State, Block);
}

} // namespace Sumtide::Md5Internal
