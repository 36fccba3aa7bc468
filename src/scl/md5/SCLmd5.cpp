#include "scl/SCLmd5.h"

#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5StepTable.h"
#include "scl/mdhash/MdHashBody.h"

namespace Sumtide {

namespace MdHash {

const std::uint32_t* TMd5::Initial() {
  return Md5Internal::InitialChain.data();
}

void TMd5::Compress(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  Md5Internal::CompressBlocks(State, Blocks, Count);
}

} // namespace MdHash

template class TSCL_mdhash<MdHash::TMd5>;

const std::uint8_t TSCL_md5::AbcDigest[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                              0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};

const TSCL_md5::TClass& TSCL_md5::Class() {
  static const TClass Descriptor("TSCL_md5", &TSCL_hash::Class(), {});
  return Descriptor;
}

void Md5Internal::CompressBlocks(std::uint32_t State[4], const std::uint8_t* Blocks,
                                 std::size_t Count) {
  static const TBlocks InUse = BlockCandidates()[BlockFunctionInUse()].Function;
  InUse(State, Blocks, Count);
}

} // namespace Sumtide
