#pragma once

#include "scl/SCLmdhash.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

namespace MdHash {

// SHA-256 of FIPS 180-4, and SHA-224, the same steps from other initial values, cut to 28 bytes.
struct TSha256 {
  using TWord = std::uint32_t;
  static constexpr std::size_t StateWords = 8;
  static constexpr std::size_t BlockSize = 64;
  static constexpr std::size_t DigestBytes = 32;
  static constexpr std::endian Order = std::endian::big;
  static const TWord* Initial();
  static void Compress(TWord* State, const std::uint8_t* Blocks, std::size_t Count);
};
struct TSha224 : TSha256 {
  static constexpr std::size_t DigestBytes = 28;
  static const TWord* Initial();
};

} // namespace MdHash

extern template class TSCL_mdhash<MdHash::TSha224>;
extern template class TSCL_mdhash<MdHash::TSha256>;

// The SHA-224 message digest as a hash component: Id 28, Algorithm "SHA224", 224 bits.
class TSCL_sha224 : public TSCL_mdhash<MdHash::TSha224> {
public:
  static constexpr std::int32_t HashId = 28;
  static constexpr const char* AlgorithmName = "SHA224";
  static const std::uint8_t AbcDigest[28];
  using TClass = TSCL_mdhashclass<TSCL_sha224>;

  explicit TSCL_sha224(TComponent* AOwner) : TSCL_mdhash(AOwner) {}
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

// The SHA-256 message digest as a hash component: Id 32, Algorithm "SHA256", 256 bits.
class TSCL_sha256 : public TSCL_mdhash<MdHash::TSha256> {
public:
  static constexpr std::int32_t HashId = 32;
  static constexpr const char* AlgorithmName = "SHA256";
  static const std::uint8_t AbcDigest[32];
  using TClass = TSCL_mdhashclass<TSCL_sha256>;

  explicit TSCL_sha256(TComponent* AOwner) : TSCL_mdhash(AOwner) {}
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

} // namespace Sumtide
