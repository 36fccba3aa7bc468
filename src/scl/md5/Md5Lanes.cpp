#include "scl/md5/Md5Lanes.h"

#include "scl/lanes/HashLanesBody.h"
#include "scl/md5/Md5Kernels.h"

namespace Sumtide {

void Md5Internal::TMd5LaneDescription::Single(std::uint32_t* Chain, const std::uint8_t* Blocks,
                                              std::size_t Count) {
  CompressBlocks(Chain, Blocks, Count);
}

template class THashLanes<Md5Internal::TMd5LaneDescription>;

} // namespace Sumtide
