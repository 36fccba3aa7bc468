#include "scl/SCLsha256.h"

#include "scl/mdhash/MdHashBody.h"
#include "scl/sha2/Sha2Kernels.h"

namespace Sumtide {

namespace MdHash {

const std::uint32_t* TSha256::Initial() {
  return ShaInternal::Sha256Initial;
}

const std::uint32_t* TSha224::Initial() {
  return ShaInternal::Sha224Initial;
}

void TSha256::Compress(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  static const ShaInternal::TBlocks<std::uint32_t> Chosen =
      ShaInternal::Sha256Candidates()[ShaInternal::Sha256BlocksInUse()].Function;
  Chosen(State, Blocks, Count);
}

} // namespace MdHash

template class TSCL_mdhash<MdHash::TSha224>;
template class TSCL_mdhash<MdHash::TSha256>;

const std::uint8_t TSCL_sha224::AbcDigest[28] = {
    0x23, 0x09, 0x7d, 0x22, 0x34, 0x05, 0xd8, 0x22, 0x86, 0x42, 0xa4, 0x77, 0xbd, 0xa2,
    0x55, 0xb3, 0x2a, 0xad, 0xbc, 0xe4, 0xbd, 0xa0, 0xb3, 0xf7, 0xe3, 0x6c, 0x9d, 0xa7,
};
const std::uint8_t TSCL_sha256::AbcDigest[32] = {
    0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40, 0xde, 0x5d, 0xae, 0x22, 0x23,
    0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17, 0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad,
};

const TSCL_sha224::TClass& TSCL_sha224::Class() {
  static const TClass Descriptor("TSCL_sha224", &TSCL_hash::Class(), {});
  return Descriptor;
}

const TSCL_sha256::TClass& TSCL_sha256::Class() {
  static const TClass Descriptor("TSCL_sha256", &TSCL_hash::Class(), {});
  return Descriptor;
}

} // namespace Sumtide
