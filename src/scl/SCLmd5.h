#pragma once

#include "scl/SCLmdhash.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

namespace MdHash {

// MD5 of RFC 1321: words and length low byte first.
struct TMd5 {
  using TWord = std::uint32_t;
  static constexpr std::size_t StateWords = 4;
  static constexpr std::size_t BlockSize = 64;
  static constexpr std::size_t DigestBytes = 16;
  static constexpr std::endian Order = std::endian::little;
  static const TWord* Initial();
  // With the AVX-512 block function where the processor has it and it is faster, the portable
  // one elsewhere.
  static void Compress(TWord* State, const std::uint8_t* Blocks, std::size_t Count);
};

} // namespace MdHash

extern template class TSCL_mdhash<MdHash::TMd5>;

// The MD5 message digest of RFC 1321 as a hash component: Id 16, Algorithm "MD5", 128 bits.
// Final writes 16 bytes: A, B, C, D, each low byte first.
class TSCL_md5 : public TSCL_mdhash<MdHash::TMd5> {
public:
  static constexpr std::int32_t HashId = 16;
  static constexpr const char* AlgorithmName = "MD5";
  static const std::uint8_t AbcDigest[16];
  using TClass = TSCL_mdhashclass<TSCL_md5>;

  explicit TSCL_md5(TComponent* AOwner) : TSCL_mdhash(AOwner) {}

  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

} // namespace Sumtide
