#include "scl/sha/ShaLanes.h"

#include "scl/lanes/HashLanesBody.h"

namespace Sumtide {

template class THashLanes<ShaInternal::TSha256LaneDescription>;
template class THashLanes<ShaInternal::TSha224LaneDescription>;
template class THashLanes<ShaInternal::TSha1LaneDescription>;

} // namespace Sumtide
