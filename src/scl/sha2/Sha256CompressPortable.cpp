#include "scl/sha/ShaWords.h"
#include "scl/sha2/Sha2Constants.h"
#include "scl/sha2/Sha2Kernels.h"
#include "scl/sha2/Sha2PortableSteps.h"

namespace Sumtide::ShaInternal {

namespace {

struct TSha256Steps {
  using TWord = std::uint32_t;
  static constexpr const auto& K = Sha256StepConstant;
  static constexpr int Steps = 64;
  static constexpr int Sigma0[] = {2, 13, 22}, Sigma1[] = {6, 11, 25};
  static constexpr int Small0[] = {7, 18, 3}, Small1[] = {17, 19, 10};
  static TWord Load(const std::uint8_t* Bytes) { return LoadBig32(Bytes); }
};

} // namespace

void Sha256CompressPortable(std::uint32_t State[8], const std::uint8_t Block[64]) {
  Sha2Portable::Compress<TSha256Steps>(State, Block);
}

} // namespace Sumtide::ShaInternal
