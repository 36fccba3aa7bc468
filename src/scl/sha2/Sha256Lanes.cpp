#include "scl/sha2/Sha256Lanes.h"

#include "scl/lanes/HashLanesBody.h"

namespace Sumtide {

template class THashLanes<ShaInternal::TSha256LaneDescription>;
template class THashLanes<ShaInternal::TSha224LaneDescription>;

} // namespace Sumtide
