#pragma once

#include "scl/SCLcrypt.h"

#include <cstdint>

namespace Sumtide {

// The MD5 message digest of RFC 1321 as a hash component: Id 16, Algorithm "MD5", 128 bits.
class TSCL_md5 : public TSCL_hash {
public:
  class TClass : public TSCL_hashclass {
  public:
    using TSCL_hashclass::TSCL_hashclass;
    std::int32_t GetId() const override { return 16; }
    std::string GetAlgorithm() const override { return "MD5"; }
    std::int32_t GetHashSize() const override { return 128; }
    bool SelfTest() const override;

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override { return new TSCL_md5(AOwner); }
  };

  explicit TSCL_md5(TComponent* AOwner) : TSCL_hash(AOwner) {}
  ~TSCL_md5() override;

  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  void Init() override;
  // Writes 16 bytes: A, B, C, D, each low byte first.
  void Final(void* Digest) override;
  void Burn() override;
  void Update(const void* Buffer, std::uint32_t Length) override;

  // The working state, readable for inspection. Between calls BlockFill is below 64 and every
  // byte of Block from BlockFill on is zero.
  std::uint32_t BitCountHigh() const { return FBitCountHigh; }
  std::uint32_t BitCountLow() const { return FBitCountLow; }
  std::uint32_t BlockFill() const { return FBlockFill; }
  const std::uint32_t* ChainState() const { return FChainState; }
  const std::uint8_t* Block() const { return FBlock; }

private:
  // Adds Block into ChainState, with the AVX-512 block function where the processor has it and
  // the portable one elsewhere, then empties Block.
  void Compress();

  std::uint32_t FBitCountHigh = 0;
  std::uint32_t FBitCountLow = 0;
  std::uint32_t FBlockFill = 0;
  std::uint32_t FChainState[4] = {};
  std::uint8_t FBlock[64] = {};
};

} // namespace Sumtide
