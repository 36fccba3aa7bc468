#include "scl/sha/ShaWords.h"
#include "scl/sha2/Sha2Constants.h"
#include "scl/sha2/Sha2Kernels.h"
#include "scl/sha2/Sha2PortableSteps.h"

namespace Sumtide::ShaInternal {

namespace {

struct TSha512Steps {
  using TWord = std::uint64_t;
  static constexpr const auto& K = Sha512StepConstant;
  static constexpr int Steps = 80;
  static constexpr int Sigma0[] = {28, 34, 39}, Sigma1[] = {14, 18, 41};
  static constexpr int Small0[] = {1, 8, 7}, Small1[] = {19, 61, 6};
  static TWord Load(const std::uint8_t* Bytes) { return LoadBig64(Bytes); }
};

} // namespace

void Sha512CompressPortable(std::uint64_t State[8], const std::uint8_t Block[128]) {
  Sha2Portable::Compress<TSha512Steps>(State, Block);
}

} // namespace Sumtide::ShaInternal
