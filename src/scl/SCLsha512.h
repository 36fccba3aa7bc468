#pragma once

#include "scl/SCLmdhash.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace Sumtide {

namespace MdHash {

// SHA-512 of FIPS 180-4, and SHA-384, the same steps from other initial values, cut to 48 bytes.
struct TSha512 {
  using TWord = std::uint64_t;
  static constexpr std::size_t StateWords = 8;
  static constexpr std::size_t BlockSize = 128;
  static constexpr std::size_t DigestBytes = 64;
  static constexpr std::endian Order = std::endian::big;
  static const TWord* Initial();
  static void Compress(TWord* State, const std::uint8_t* Blocks, std::size_t Count);
};
struct TSha384 : TSha512 {
  static constexpr std::size_t DigestBytes = 48;
  static const TWord* Initial();
};

} // namespace MdHash

extern template class TSCL_mdhash<MdHash::TSha384>;
extern template class TSCL_mdhash<MdHash::TSha512>;

// The SHA-384 message digest as a hash component: Id 48, Algorithm "SHA384", 384 bits.
class TSCL_sha384 : public TSCL_mdhash<MdHash::TSha384> {
public:
  static constexpr std::int32_t HashId = 48;
  static constexpr const char* AlgorithmName = "SHA384";
  static const std::uint8_t AbcDigest[48];
  using TClass = TSCL_mdhashclass<TSCL_sha384>;

  explicit TSCL_sha384(TComponent* AOwner) : TSCL_mdhash(AOwner) {}
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

// The SHA-512 message digest as a hash component: Id 64, Algorithm "SHA512", 512 bits.
class TSCL_sha512 : public TSCL_mdhash<MdHash::TSha512> {
public:
  static constexpr std::int32_t HashId = 64;
  static constexpr const char* AlgorithmName = "SHA512";
  static const std::uint8_t AbcDigest[64];
  using TClass = TSCL_mdhashclass<TSCL_sha512>;

  explicit TSCL_sha512(TComponent* AOwner) : TSCL_mdhash(AOwner) {}
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
};

} // namespace Sumtide
