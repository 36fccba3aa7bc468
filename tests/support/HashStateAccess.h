#pragma once

// The working state of a TSCL_md5 instance, which the class keeps to itself: the tests compare it
// between calls and after Final. Only the tests define this friend of the class.

#include "scl/SCLmd5.h"

#include <cstdint>

namespace Sumtide::Test {

struct THashStateAccess {
  // The message length so far in bits, as two 32-bit halves.
  static std::uint32_t BitCountHigh(const TSCL_md5& H) {
    return static_cast<std::uint32_t>(H.Framing().Length().Word(0) >> 32);
  }
  static std::uint32_t BitCountLow(const TSCL_md5& H) {
    return static_cast<std::uint32_t>(H.Framing().Length().Word(0));
  }
  // The bytes kept for the next block. Between calls this is below 64 and every byte of Block
  // from BlockFill on is zero.
  static std::uint32_t BlockFill(const TSCL_md5& H) {
    return static_cast<std::uint32_t>(H.Framing().Fill());
  }
  static const std::uint8_t* Block(const TSCL_md5& H) { return H.Framing().Block(); }
  // The four chaining words A, B, C, D.
  static const std::uint32_t* ChainState(const TSCL_md5& H) { return H.ChainWords(); }
};

} // namespace Sumtide::Test
