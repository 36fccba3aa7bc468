#include "scl/sha1/Sha1Lanes.h"

#include "scl/lanes/HashLanesBody.h"

namespace Sumtide {

template class THashLanes<ShaInternal::TSha1LaneDescription>;

} // namespace Sumtide
