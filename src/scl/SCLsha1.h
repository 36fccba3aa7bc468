#pragma once

#include "scl/SCLmdhash.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

namespace MdHash {

// SHA-1 of FIPS 180-4.
struct TSha1 {
  using TWord = std::uint32_t;
  static constexpr std::size_t StateWords = 5;
  static constexpr std::size_t BlockSize = 64;
  static constexpr std::size_t DigestBytes = 20;
  static constexpr std::endian Order = std::endian::big;
  static const TWord* Initial();
  static void Compress(TWord* State, const std::uint8_t* Blocks, std::size_t Count);
};

} // namespace MdHash

extern template class TSCL_mdhash<MdHash::TSha1>;

// The SHA-1 message digest as a hash component: Id 20, Algorithm "SHA1", 160 bits.
class TSCL_sha1 : public TSCL_mdhash<MdHash::TSha1> {
public:
  static constexpr std::int32_t HashId = 20;
  static constexpr const char* AlgorithmName = "SHA1";
  static const std::uint8_t AbcDigest[20];
  using TClass = TSCL_mdhashclass<TSCL_sha1>;

  explicit TSCL_sha1(TComponent* AOwner) : TSCL_mdhash(AOwner) {}
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

} // namespace Sumtide
