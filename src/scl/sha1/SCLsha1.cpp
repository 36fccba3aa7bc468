#include "scl/SCLsha1.h"

#include "scl/mdhash/MdHashBody.h"
#include "scl/sha1/Sha1Kernels.h"

namespace Sumtide {

namespace MdHash {

const std::uint32_t* TSha1::Initial() {
  return ShaInternal::Sha1Initial;
}

void TSha1::Compress(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  static const ShaInternal::TBlocks<std::uint32_t> Chosen =
      ShaInternal::Sha1Candidates()[ShaInternal::Sha1BlocksInUse()].Function;
  Chosen(State, Blocks, Count);
}

} // namespace MdHash

template class TSCL_mdhash<MdHash::TSha1>;

const std::uint8_t TSCL_sha1::AbcDigest[20] = {
    0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
    0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d,
};

const TSCL_sha1::TClass& TSCL_sha1::Class() {
  static const TClass Descriptor("TSCL_sha1", &TSCL_hash::Class(), {});
  return Descriptor;
}

} // namespace Sumtide
