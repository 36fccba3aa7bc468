#pragma once

// A TSCL_md5 whose working state the tests can read. The class keeps that state to itself and to
// the classes derived from it; this one, defined in the tests alone, shows it: the message length
// so far, the bytes kept for the next block and the chaining words. It hashes as TSCL_md5 does.

#include "scl/SCLmd5.h"

#include <cstdint>

namespace Sumtide::Test {

class TMd5Probe final : public TSCL_md5 {
public:
  using TSCL_md5::TSCL_md5;

  // The message length so far in bits, as two 32-bit halves.
  std::uint32_t BitCountHigh() const {
    return static_cast<std::uint32_t>(MessageSoFar().Length[0] >> 32);
  }
  std::uint32_t BitCountLow() const { return static_cast<std::uint32_t>(MessageSoFar().Length[0]); }
  // The bytes kept for the next block. Between calls this is below 64 and every byte of Block
  // from BlockFill on is zero.
  std::uint32_t BlockFill() const { return static_cast<std::uint32_t>(MessageSoFar().Fill); }
  const std::uint8_t* Block() const { return MessageSoFar().Block; }
  // The four chaining words A, B, C, D.
  const std::uint32_t* ChainState() const { return ChainWords(); }
};

} // namespace Sumtide::Test
